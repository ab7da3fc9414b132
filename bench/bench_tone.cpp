// The live tone preview on a 24-megapixel photo: one slider move re-renders the committed photo
// through the combined contrast, brightness and gamma table into the edit picture, as the main
// window does it (the scratch bitmap lets go of the picture's pixels first and takes the result
// without a copy).
#include "BenchPictures.h"
#include "edit/Tone.h"
#include "imaging/Bitmap32.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

namespace {

using lumetta::TBitmap32;
using lumetta::TColor32;

void BM_TonePreviewMove24MP(benchmark::State& state) {
    const TBitmap32& photo = bench::Photo24MP();
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
    const TBitmap32& photo = bench::Photo24MP();
    TBitmap32 picture(photo.Width(), photo.Height());
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
