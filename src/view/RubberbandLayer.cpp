#include "view/RubberbandLayer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace lumetta {

namespace {

using i64 = std::int64_t;

// One horizontal run of the dotted outline: control row y, columns [x0, x1]; the pixel in
// column x has position phase0 + step * (x - x0) along the outline.
void StippleRow(TBitmap32& target, TPoint origin, i64 y, i64 x0, i64 x1, i64 phase0, int step,
                const TColor32* stipple) {
    const i64 ty = y - origin.Y;
    if (ty < 0 || ty >= target.Height() || x1 < x0) return;
    const i64 from = std::max<i64>(x0, origin.X);
    const i64 to = std::min<i64>(x1, i64(origin.X) + target.Width() - 1);
    if (to < from) return;
    TColor32* row = target.ScanLine(int(ty));
    for (i64 x = from; x <= to; ++x)
        row[x - origin.X] = stipple[(phase0 + step * (x - x0)) & 3];
}

// Vertical counterpart of StippleRow: control column x, rows [y0, y1].
void StippleColumn(TBitmap32& target, TPoint origin, i64 x, i64 y0, i64 y1, i64 phase0, int step,
                   const TColor32* stipple) {
    const i64 tx = x - origin.X;
    if (tx < 0 || tx >= target.Width() || y1 < y0) return;
    const i64 from = std::max<i64>(y0, origin.Y);
    const i64 to = std::min<i64>(y1, i64(origin.Y) + target.Height() - 1);
    if (to < from) return;
    TColor32* bits = target.Bits();
    const i64 stride = target.Width();
    for (i64 y = from; y <= to; ++y)
        bits[(y - origin.Y) * stride + tx] = stipple[(phase0 + step * (y - y0)) & 3];
}

bool Near(i64 v, i64 line, i64 t) {
    return std::llabs(v - line) <= t;
}

} // namespace

TRubberbandLayer::TRubberbandLayer(TLayerCollection& collection) : TPositionedLayer(collection) {}

TRubberbandLayer::~TRubberbandLayer() {
    if (child_) RemoveFreeNotification(child_);
    child_ = nullptr;
}

void TRubberbandLayer::SetChildLayer(TPositionedLayer* child) {
    if (child == child_ || child == this) return;
    if (child && !child->Collection()) child = nullptr; // already freed: nothing to follow
    if (child_) {
        RemoveFreeNotification(child_);
        child_ = nullptr;
    }
    if (child) {
        AddFreeNotification(child);
        StoreLocation(child->Location());
        SetScaled(child->Scaled());
        child_ = child;
        SetLayerOptions(LayerOptions() | LayerNoUpdate);
    } else {
        SetLayerOptions(LayerOptions() & ~LayerNoUpdate);
    }
}

void TRubberbandLayer::Notification(TCustomLayer* freed) {
    if (freed != child_) return;
    child_ = nullptr;
    SetLayerOptions(LayerOptions() & ~LayerNoUpdate);
}

void TRubberbandLayer::Removed() {
    // A freed frame no longer steers its child, even while its destruction is deferred.
    if (child_) RemoveFreeNotification(child_);
    child_ = nullptr;
}

void TRubberbandLayer::SetLocation(const TFloatRect& location) {
    StoreLocation(location);
    if (child_) child_->SetLocation(location);
}

RubberBandDragState TRubberbandLayer::GetDragState(int x, int y) const {
    TRect r = RoundRect(AdjustedLocation());
    const i64 left = r.Left, top = r.Top, right = i64(r.Right) - 1, bottom = i64(r.Bottom) - 1;
    const i64 t = i64(HandleSize) + 1;
    const i64 cx = (left + right) / 2, cy = (top + bottom) / 2;
    const bool nearL = Near(x, left, t), nearR = Near(x, right, t), nearCX = Near(x, cx, t);
    const bool nearT = Near(y, top, t), nearB = Near(y, bottom, t), nearCY = Near(y, cy, t);
    if (nearR && nearB) return DragBottomRight;
    if (nearL && nearB) return DragBottomLeft;
    if (nearR && nearT) return DragTopRight;
    if (nearL && nearT) return DragTopLeft;
    if (nearR && nearCY) return DragRight;
    if (nearCX && nearB) return DragBottom;
    if (nearL && nearCY) return DragLeft;
    if (nearCX && nearT) return DragTop;
    if (left <= x && x < right && top <= y && y < bottom) return DragMove;
    return DragNone;
}

TCursorShape TRubberbandLayer::CursorForPoint(int x, int y) const {
    switch (GetDragState(x, y)) {
    case DragLeft:
    case DragRight:
        return crSizeWE;
    case DragTop:
    case DragBottom:
        return crSizeNS;
    case DragTopLeft:
    case DragBottomRight:
        return crSizeNWSE;
    case DragTopRight:
    case DragBottomLeft:
        return crSizeNESW;
    default:
        return crDefault;
    }
}

bool TRubberbandLayer::HitTest(int x, int y) const {
    return GetDragState(x, y) != DragNone;
}

std::optional<TRect> TRubberbandLayer::PaintArea() const {
    auto area = TPositionedLayer::PaintArea();
    const int extra = std::max(HandleSize + 1 - kRepaintMargin, 0);
    if (area && extra > 0)
        *area = {area->Left - extra, area->Top - extra, area->Right + extra, area->Bottom + extra};
    return area;
}

void TRubberbandLayer::Paint(TBitmap32& target, TPoint origin) {
    if (target.Empty()) return;
    const TRect r = RoundRect(AdjustedLocation());
    const i64 l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
    const i64 w = rr - l, h = b - t;

    // The dotted outline runs clockwise from the top-left pixel; the stipple index is the
    // position along it, so the pattern is the same however much of the frame is visible.
    if (w > 0 && h > 0) {
        StippleRow(target, origin, t, l, rr - 1, 0, 1, FrameStipple);
        StippleColumn(target, origin, rr - 1, t + 1, b - 1, w, 1, FrameStipple);
        if (h > 1) // bottom edge, right to left: the pixel at column rr - 2 comes first
            StippleRow(target, origin, b - 1, l, rr - 2, (w - 1) + (h - 1) + (rr - 1 - l), -1,
                       FrameStipple);
        if (w > 1) // left edge, bottom to top
            StippleColumn(target, origin, l, t + 1, b - 2, 2 * (w - 1) + (h - 1) + (b - 2 - t), -1,
                          FrameStipple);
    }

    const i64 hs = HandleSize;
    const i64 mx = (l + rr) / 2, my = (t + b) / 2;
    const i64 points[8][2] = {{l, t},  {rr, t}, {l, b},   {rr, b},
                              {mx, t}, {l, my}, {rr, my}, {mx, b}};
    for (const auto& p : points) {
        const i64 x0 = p[0] - hs, y0 = p[1] - hs, x1 = p[0] + hs, y1 = p[1] + hs;
        if (x1 <= x0 || y1 <= y0) continue;
        FillControlRect(target, origin, x0, y0, x1, y1, HandleFill);
        FillControlRect(target, origin, x0, y0, x1, y0 + 1, HandleFrame);
        FillControlRect(target, origin, x0, y1 - 1, x1, y1, HandleFrame);
        FillControlRect(target, origin, x0, y0, x0 + 1, y1, HandleFrame);
        FillControlRect(target, origin, x1 - 1, y0, x1, y1, HandleFrame);
    }
}

void TRubberbandLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (dragState_ == DragNone) {
        const RubberBandDragState state = GetDragState(x, y);
        if (state != DragNone) {
            dragState_ = state;
            oldLocation_ = Location();
            pressOffsetX_ = pressOffsetY_ = 0;
            if (state == DragMove) {
                const TFloatRect adj = AdjustedLocation();
                pressOffsetX_ = float(x) - adj.Left;
                pressOffsetY_ = float(y) - adj.Top;
            }
        }
    }
    TPositionedLayer::MouseDown(button, shift, x, y);
}

void TRubberbandLayer::MouseMove(TMouseButtons buttons, TShiftState shift, int x, int y) {
    if (dragState_ == DragNone) {
        cursor_ = CursorForPoint(x, y);
        TPositionedLayer::MouseMove(buttons, shift, x, y);
        return;
    }
    double px = double(x) - pressOffsetX_, py = double(y) - pressOffsetY_;
    if (Scaled()) {
        // Back to picture coordinates through the map between where the frame is shown now
        // and where it is.
        const TFloatRect adj = AdjustedLocation();
        if (adj.IsEmpty()) return;
        const TFloatRect& loc = Location();
        px = loc.Left +
             (px - adj.Left) / (double(adj.Right) - adj.Left) * (double(loc.Right) - loc.Left);
        py = loc.Top +
             (py - adj.Top) / (double(adj.Bottom) - adj.Top) * (double(loc.Bottom) - loc.Top);
    }
    const float fx = float(px), fy = float(py);
    TFloatRect r = oldLocation_;
    if (dragState_ == DragMove) r = {fx, fy, fx + oldLocation_.Width(), fy + oldLocation_.Height()};
    if (dragState_ == DragLeft || dragState_ == DragTopLeft || dragState_ == DragBottomLeft) {
        r.Left = fx;
        if (r.Right - r.Left < MinWidth) r.Left = r.Right - MinWidth;
    }
    if (dragState_ == DragRight || dragState_ == DragTopRight || dragState_ == DragBottomRight) {
        r.Right = fx;
        if (r.Right - r.Left < MinWidth) r.Right = r.Left + MinWidth;
    }
    if (dragState_ == DragTop || dragState_ == DragTopLeft || dragState_ == DragTopRight) {
        r.Top = fy;
        if (r.Bottom - r.Top < MinHeight) r.Top = r.Bottom - MinHeight;
    }
    if (dragState_ == DragBottom || dragState_ == DragBottomLeft || dragState_ == DragBottomRight) {
        r.Bottom = fy;
        if (r.Bottom - r.Top < MinHeight) r.Bottom = r.Top + MinHeight;
    }
    if (OnResizing) OnResizing(oldLocation_, r, dragState_, shift);
    if (!(r == Location())) SetLocation(r);
}

void TRubberbandLayer::MouseUp(TMouseButton button, TMouseButtons buttons, TShiftState shift, int x,
                               int y) {
    dragState_ = DragNone;
    TPositionedLayer::MouseUp(button, buttons, shift, x, y);
}

} // namespace lumetta
