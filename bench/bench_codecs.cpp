// Opening a photo: a 24-megapixel (6000 x 4000) JPEG decoded into a TBitmap32, the way Open
// File does it, and the same for a PNG. bench/djpeg_compare.sh times libjpeg-turbo's own djpeg on
// the same file in the same run; the target is at most 1.5 times djpeg.
//
// The JPEG is made once per run and written to $LUMETTA_BENCH_JPEG (default
// /tmp/lumetta-bench-24mp.jpg) so that the script can hand the very same file to djpeg
// (BenchPictures.h).
#include "BenchPictures.h"
#include "codecs/CodecCommon.h"
#include "codecs/ImageIO.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::vector<unsigned char>& Jpeg() {
    return bench::Jpeg24MP();
}

// Decoding from memory: the decoder alone.
void BM_DecodeJpeg24MP(benchmark::State& state) {
    const auto& jpeg = Jpeg();
    lumetta::TBitmap32 bitmap;
    for (auto _ : state) {
        lumetta::LoadPictureData(bitmap, jpeg.data(), jpeg.size(), "jpg", "bench.jpg");
        benchmark::DoNotOptimize(bitmap.ConstBits());
    }
    state.counters["MB"] = double(jpeg.size()) / 1e6;
}
BENCHMARK(BM_DecodeJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// Open File: test with LoadImageFile, keep the picture-file result, from the file on disk.
void BM_OpenPhotoJpeg24MP(benchmark::State& state) {
    Jpeg();
    const std::string path = bench::Jpeg24MPPath();
    lumetta::TBitmap32 image, picture;
    for (auto _ : state) {
        if (!lumetta::LoadImageFile(path, image, &picture)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(picture.ConstBits());
    }
}
BENCHMARK(BM_OpenPhotoJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The photo of the save benchmarks as Save File writes it in PNG, decoded from memory.
void BM_DecodePng24MP(benchmark::State& state) {
    const auto& png = bench::Png24MP();
    lumetta::TBitmap32 bitmap;
    for (auto _ : state) {
        lumetta::LoadPictureData(bitmap, png.data(), png.size(), "png", "bench.png");
        benchmark::DoNotOptimize(bitmap.ConstBits());
    }
    state.counters["MB"] = double(png.size()) / 1e6;
}
BENCHMARK(BM_DecodePng24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with libpng reading the image data row by row (zlib's inflate), as every PNG was
// read before the one-piece reading: run beside BM_DecodePng24MP with
// --benchmark_enable_random_interleaving=true to compare the two in one run.
void BM_DecodePng24MPLibpngRows(benchmark::State& state) {
    const auto& png = bench::Png24MP();
    lumetta::TBitmap32 bitmap;
    lumetta::codecs::SetPngWholeReading(false);
    for (auto _ : state) {
        lumetta::LoadPictureData(bitmap, png.data(), png.size(), "png", "bench.png");
        benchmark::DoNotOptimize(bitmap.ConstBits());
    }
    lumetta::codecs::SetPngWholeReading(true);
}
BENCHMARK(BM_DecodePng24MPLibpngRows)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
