// Imaging benchmarks: the blend transfer of a whole photo against a plain memory pass of the
// same traffic, and Lanczos resampling of a 24-megapixel photo down and up (compare with
// bench/pillow_resize.py, which times Pillow on the same sizes).
#include "BenchPictures.h"
#include "base/Parallel.h"
#include "imaging/Bitmap32.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

namespace {

using lumetta::TBitmap32;
using lumetta::TColor32;

constexpr int kPhotoW = 6000, kPhotoH = 4000;

TBitmap32 MakePicture(int w, int h, bool spreadAlpha) {
    return bench::NoisyPicture(w, h, spreadAlpha);
}

void BM_BlendDrawPhoto(benchmark::State& state) {
    TBitmap32 src = MakePicture(kPhotoW, kPhotoH, true);
    src.DrawMode = lumetta::dmBlend;
    TBitmap32 dst = MakePicture(kPhotoW, kPhotoH, false);
    for (auto _ : state) {
        dst.Draw(0, 0, src);
        benchmark::DoNotOptimize(dst.ConstBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendDrawPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same memory traffic as the blend: read two photo buffers, write one of them.
void BM_PlainTwoReadsOneWrite(benchmark::State& state) {
    const TBitmap32 src = MakePicture(kPhotoW, kPhotoH, true);
    TBitmap32 dst = MakePicture(kPhotoW, kPhotoH, false);
    const TColor32* s = src.ConstBits();
    TColor32* d = dst.Bits();
    const std::size_t n = dst.PixelCount();
    for (auto _ : state) {
        for (std::size_t i = 0; i < n; ++i)
            d[i] ^= s[i];
        benchmark::DoNotOptimize(d);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainTwoReadsOneWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Rotate90Photo(benchmark::State& state) {
    TBitmap32 b = MakePicture(kPhotoW, kPhotoH, false);
    for (auto _ : state) {
        b.Rotate90();
        benchmark::DoNotOptimize(b.ConstBits());
    }
}
BENCHMARK(BM_Rotate90Photo)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResampleLanczos(benchmark::State& state) {
    const int sw = int(state.range(0)), sh = int(state.range(1));
    const int dw = int(state.range(2)), dh = int(state.range(3));
    const TBitmap32 src = MakePicture(sw, sh, true);
    for (auto _ : state) {
        TBitmap32 b = src; // shares the pixels, as a snapshot would
        lumetta::ResampleBitmap(b, dw, dh, lumetta::sfLanczos);
        benchmark::DoNotOptimize(b.ConstBits());
    }
}
BENCHMARK(BM_ResampleLanczos)
    ->Args({6000, 4000, 1500, 1000})
    ->Args({1500, 1000, 6000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The memory floor of the same resize: every source pixel read once and every destination pixel
// written once into storage taken as the resampler takes it, cut into the same bands of rows on
// the same threads. No arithmetic to speak of.
void BM_ResampleFloor(benchmark::State& state) {
    const int sw = int(state.range(0)), sh = int(state.range(1));
    const int dw = int(state.range(2)), dh = int(state.range(3));
    const TBitmap32 src = MakePicture(sw, sh, true);
    for (auto _ : state) {
        TBitmap32 dst;
        dst.SetSizeForOverwrite(dw, dh);
        TColor32* out = dst.Bits();
        const TColor32* in = src.ConstBits();
        lumetta::ForEachBand(std::size_t(dh), 1, 1, [&](std::size_t begin, std::size_t end) {
            const std::size_t from = begin * sh / dh * sw, to = end * sh / dh * sw;
            TColor32 seen = 0;
            for (std::size_t i = from; i < to; ++i)
                seen |= in[i];
            std::fill(out + begin * dw, out + end * dw, seen);
        });
        benchmark::DoNotOptimize(dst.ConstBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ResampleFloor)
    ->Args({6000, 4000, 1500, 1000})
    ->Args({1500, 1000, 6000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
