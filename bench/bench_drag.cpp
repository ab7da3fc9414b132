// One step of dragging a clip-art layer over a 24-megapixel photo: the selection frame's mouse
// move (model update, the layer following the frame) plus the repaint of what it invalidated in
// a 1200 x 800 viewport. A 60 Hz frame is 16.7 ms.
#include "view/ImgView32.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <vector>

namespace {

using namespace lumetta;

void BM_DragLayerStep(benchmark::State& state) {
    const float scale = float(state.range(0)) / 10.0f;
    TBitmap32 photo(6000, 4000);
    photo.Clear(0xFF336699);

    TImgView32 view;
    view.SetScrollBarSize(17);
    view.SetControlSize(1200 + 17, 800 + 17);
    view.Picture().Assign(photo);
    view.SetScale(scale);
    view.SetScroll(view.ScrollRangeX() / 2, view.ScrollRangeY() / 2);

    auto* layer = view.Layers().Add<TBitmapLayer>();
    layer->Bitmap().SetSize(400, 300);
    layer->Bitmap().Clear(0x80FF8800);
    layer->Bitmap().DrawMode = dmBlend;
    layer->SetScaled(true);
    const TPoint c = view.ControlToBitmap(600, 400);
    layer->SetLocation({float(c.X - 200), float(c.Y - 150), float(c.X + 200), float(c.Y + 150)});
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetChildLayer(layer);
    frame->SetLayerOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);

    std::vector<TRect> dirty;
    view.OnInvalidate = [&](const std::optional<TRect>& area) {
        dirty.push_back(area ? *area : TRect{0, 0, view.ControlWidth(), view.ControlHeight()});
    };
    TBitmap32 buffer;
    view.Paint(buffer);

    int x = 600, y = 400, dx = 1;
    view.MouseDown(mbLeft, ssNone, x, y);
    for (auto _ : state) {
        x += dx;
        if (x > 800 || x < 400) dx = -dx;
        dirty.clear();
        view.MouseMove(mbsLeft, ssNone, x, y);
        for (const TRect& r : dirty)
            view.Paint(buffer, r);
        benchmark::DoNotOptimize(buffer.ConstBits());
    }
    view.MouseUp(mbLeft, mbsNone, ssNone, x, y);
}

BENCHMARK(BM_DragLayerStep)->ArgName("scale10")->Arg(10)->Arg(25)->Unit(benchmark::kMicrosecond);

} // namespace
