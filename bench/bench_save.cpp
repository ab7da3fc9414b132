// Saving: the JPEG writer at quality 90 (the default setting) and the PNG writer on a
// 24-megapixel picture (6000 x 4000), the GIF writer on a 12-megapixel one (4000 x 3000), each
// encoding into memory as Save File does before its atomic write.
#include "codecs/Encoders.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

namespace {

// A photo-like picture: smooth shading with fine grain, so no writer meets trivially
// compressible data.
lumetta::TBitmap32 MakePhoto(int width, int height) {
    lumetta::TBitmap32 b(width, height);
    std::uint32_t seed = 0x2545F491u;
    for (int y = 0; y < height; ++y) {
        lumetta::TColor32* row = b.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = x / double(width), v = y / double(height);
            auto clamp = [](int c) { return c < 0 ? 0 : c > 255 ? 255 : c; };
            row[x] = lumetta::Color32(clamp(int(128 + 100 * std::sin(6.0 * u + 2.0 * v)) + grain),
                                      clamp(int(120 + 90 * std::cos(4.0 * v - 3.0 * u)) + grain),
                                      clamp(int(110 + 80 * std::sin(9.0 * u * v + 1.0)) + grain));
        }
    }
    return b;
}

const lumetta::TBitmap32& Photo() {
    static const lumetta::TBitmap32 photo = MakePhoto(6000, 4000);
    return photo;
}

const lumetta::TBitmap32& Photo12MP() {
    static const lumetta::TBitmap32 photo = MakePhoto(4000, 3000);
    return photo;
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
