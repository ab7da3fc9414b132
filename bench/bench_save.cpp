// Saving: the JPEG writer at quality 90 (the default setting) and the PNG writer on a
// 24-megapixel picture (6000 x 4000), the GIF writer on a 12-megapixel one (4000 x 3000), each
// encoding into memory as Save File does before its atomic write.
#include "BenchPictures.h"
#include "codecs/Encoders.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

// Camera-like photos: smooth shading with fine grain, so no writer meets trivially
// compressible data.
const lumetta::TBitmap32& Photo() {
    return bench::Photo24MP();
}

const lumetta::TBitmap32& Photo12MP() {
    return bench::Photo12MP();
}

void BM_SaveJpeg24MP(benchmark::State& state) {
    const lumetta::TBitmap32& photo = Photo();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto file = lumetta::EncodeJpeg(photo, 90);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_SaveJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SavePng24MP(benchmark::State& state) {
    const lumetta::TBitmap32& photo = Photo();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto file = lumetta::EncodePng(photo);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_SavePng24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveGif12MP(benchmark::State& state) {
    const lumetta::TBitmap32& photo = Photo12MP();
    std::size_t size = 0;
    for (auto _ : state) {
        const auto file = lumetta::EncodeGif(photo);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_SaveGif12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The colour reduction alone, for reference.
void BM_GifDither12MP(benchmark::State& state) {
    const lumetta::TBitmap32& photo = Photo12MP();
    for (auto _ : state) {
        const auto indices = lumetta::DitherToHalftone(photo);
        benchmark::DoNotOptimize(indices.data());
    }
}
BENCHMARK(BM_GifDither12MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
