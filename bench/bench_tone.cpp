// The live tone preview on a 24-megapixel photo: one slider move re-renders the committed photo
// through the combined contrast, brightness and gamma table into the edit picture, as the main
// window does it (the scratch bitmap lets go of the picture's pixels first and takes the result
// without a copy).
#include "edit/Tone.h"
#include "imaging/Bitmap32.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

namespace {

using lumetta::TBitmap32;
using lumetta::TColor32;

void BM_TonePreviewMove24MP(benchmark::State& state) {
    constexpr int w = 6000, h = 4000;
    TBitmap32 photo(w, h);
    TColor32* p = photo.Bits();
    std::uint32_t s = 0x9E3779B9u;
    for (std::size_t i = 0; i < photo.PixelCount(); ++i) {
        s = s * 1664525u + 1013904223u;
        p[i] = s | 0xFF000000u;
    }
    TBitmap32 picture = photo; // the edit page starts showing the committed photo
    TBitmap32 composite;
    int contrast = 0;
    for (auto _ : state) {
        contrast = contrast % 100 + 1; // a different table every move
        composite.Assign(photo);
        lumetta::ApplyLookupTable(&picture, &photo,
                                  lumetta::ToneTable(contrast / 100.0, -0.1, 1.3));
        composite.Assign(picture);
        benchmark::DoNotOptimize(picture.ConstBits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TonePreviewMove24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor the preview is measured against: memcpy of the same bytes (the photo into a buffer
// of its size that was written before, as the edit picture is after the first move).
void BM_ToneCopySameBytes24MP(benchmark::State& state) {
    constexpr int w = 6000, h = 4000;
    TBitmap32 photo(w, h);
    photo.Clear(0xFF808080u);
    TBitmap32 picture(w, h);
    picture.Clear(0xFF000000u);
    TColor32* out = picture.Bits();
    for (auto _ : state) {
        std::memcpy(out, photo.ConstBits(), photo.PixelCount() * sizeof(TColor32));
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ToneCopySameBytes24MP)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
