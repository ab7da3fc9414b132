// Image-view repaint: a 6000 x 4000 photo shown at Scale 1 (scrolled to the middle) and 2.5,
// with one 400 x 300 blended layer over it. The cost must follow the viewport, not the photo:
// compare the 1200 x 800 viewport with the 300 x 200 one (16 times fewer pixels) in one run.
// Arguments: viewport width, viewport height, Scale x 10.
#include "view/ImgView32.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using lumetta::TBitmap32;
using lumetta::TColor32;

TBitmap32 MakePhoto(int w, int h, bool spreadAlpha) {
    TBitmap32 b(w, h);
    TColor32* p = b.Bits();
    std::uint32_t s = 0x2545F491u;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const std::uint32_t a = spreadAlpha ? (s >> 24) : 0xFF;
            p[std::size_t(y) * w + x] =
                (a << 24) | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((s >> 8) & 0xFF);
        }
    return b;
}

void BM_ViewRepaint(benchmark::State& state) {
    const int vw = int(state.range(0)), vh = int(state.range(1));
    const float scale = float(state.range(2)) / 10.0f;
    static const TBitmap32 photo = MakePhoto(6000, 4000, false);

    lumetta::TImgView32 view;
    view.SetScrollBarSize(17);
    view.SetControlSize(vw + 17, vh + 17);
    view.Picture().Assign(photo); // shares the pixels
    view.SetScale(scale);
    view.SetScroll(view.ScrollRangeX() / 2, view.ScrollRangeY() / 2);

    // The layer sits in the middle of the viewport, in picture coordinates.
    auto* layer = view.Layers().Add<lumetta::TBitmapLayer>();
    layer->Bitmap().Assign(MakePhoto(400, 300, true));
    layer->Bitmap().DrawMode = lumetta::dmBlend;
    layer->SetScaled(true);
    const lumetta::TPoint c = view.ControlToBitmap(vw / 2, vh / 2);
    layer->SetLocation({float(c.X - 200), float(c.Y - 150), float(c.X + 200), float(c.Y + 150)});

    TBitmap32 buffer;
    for (auto _ : state) {
        view.Paint(buffer);
        benchmark::DoNotOptimize(buffer.ConstBits());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(vw) * vh);
}

BENCHMARK(BM_ViewRepaint)
    ->ArgNames({"vw", "vh", "scale10"})
    ->Args({1200, 800, 10})
    ->Args({300, 200, 10})
    ->Args({1200, 800, 25})
    ->Args({300, 200, 25})
    ->Unit(benchmark::kMicrosecond);

} // namespace
