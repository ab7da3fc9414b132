// Decoration benchmarks on a 24-megapixel photo: a mask (Lanczos up to the photo's size, then
// blended) against the resampling alone, a nine-piece frame composed around the photo, and a
// plain copy of the photo into a reused buffer as the floor every whole-photo pass pays.
#include "decorate/Compose.h"
#include "imaging/Bitmap32.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using lumetta::TBitmap32;
using lumetta::TColor32;

constexpr int kPhotoW = 6000, kPhotoH = 4000;
constexpr int kMaskW = 1500, kMaskH = 1000;

// Gradients with noise; alpha spread over 0..255 when asked, as masks and frames have it.
TBitmap32 MakePicture(int w, int h, bool spreadAlpha) {
    TBitmap32 b(w, h);
    TColor32* p = b.Bits();
    std::uint32_t s = 0x2545F491u;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const std::uint32_t noise = s >> 27;
            const std::uint32_t r = (x * 255 / w + noise) & 0xFF;
            const std::uint32_t g = (y * 255 / h + noise) & 0xFF;
            const std::uint32_t bl = ((x ^ y) & 0xFF) ^ noise;
            const std::uint32_t a = spreadAlpha ? ((x / 8 + y / 8) * 37 + noise) & 0xFF : 0xFF;
            p[std::size_t(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | bl;
        }
    return b;
}

const TBitmap32& Photo() {
    static const TBitmap32 photo = MakePicture(kPhotoW, kPhotoH, false);
    return photo;
}

void BM_DecorateCopyPhoto(benchmark::State& state) {
    const TBitmap32& photo = Photo();
    std::vector<TColor32> buffer(photo.PixelCount());
    std::memcpy(buffer.data(), photo.ConstBits(), buffer.size() * sizeof(TColor32));
    for (auto _ : state) {
        std::memcpy(buffer.data(), photo.ConstBits(), buffer.size() * sizeof(TColor32));
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecorateCopyPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The resampling step of a mask on its own, the reference for the whole mask application.
void BM_DecorateResampleMask(benchmark::State& state) {
    const TBitmap32 mask = MakePicture(kMaskW, kMaskH, true);
    for (auto _ : state) {
        TBitmap32 m = mask; // shares the pixels, as the freshly loaded object image would
        lumetta::ResampleBitmap(m, kPhotoW, kPhotoH, lumetta::sfLanczos);
        benchmark::DoNotOptimize(m.ConstBits());
    }
}
BENCHMARK(BM_DecorateResampleMask)->Unit(benchmark::kMillisecond)->UseRealTime();

// Everything a mask preview costs from the restored snapshot on: the snapshot's pixels are
// shared, so the blend also pays for the composite's own copy.
void BM_DecorateApplyMask(benchmark::State& state) {
    const TBitmap32 mask = MakePicture(kMaskW, kMaskH, true);
    for (auto _ : state) {
        TBitmap32 composite = Photo();
        TBitmap32 m = mask;
        lumetta::ApplyMaskTo(composite, m);
        benchmark::DoNotOptimize(composite.ConstBits());
    }
}
BENCHMARK(BM_DecorateApplyMask)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 300 x 300 template with 100-pixel corners and 100-pixel tiles, composed on a canvas 200
// pixels wider and taller than the photo.
void BM_DecorateComposeFrame(benchmark::State& state) {
    const TBitmap32 frame = MakePicture(300, 300, true);
    lumetta::TFrameSpec placement;
    const int fields[21] = {0,   100, 100, 200, 200, 100, 100, 100, 100, 100, 100,
                            100, 100, 100, 100, 100, 100, 0,   0,   100, 100};
    for (int i = 0; i < 21; ++i)
        placement.Fields[std::size_t(i)] = fields[i];
    for (auto _ : state) {
        TBitmap32 composite = Photo();
        lumetta::ComposeFrame(composite, frame, placement);
        benchmark::DoNotOptimize(composite.ConstBits());
    }
}
BENCHMARK(BM_DecorateComposeFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
