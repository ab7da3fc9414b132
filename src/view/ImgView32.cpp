#include "view/ImgView32.h"

#include "imaging/Blend.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumetta {

namespace {

// Size of one picture axis on screen. At least one pixel, so a tiny picture zoomed far out
// still has a transform that can be inverted.
int ScaledExtent(int size, float scale) {
    if (size <= 0) return 0;
    return std::max(RoundCoord(double(size) * double(scale)), 1);
}

TRect Intersect(const TRect& a, const TRect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

// Writes to a bitmap inside one update, so that its owner hears of the change once, also when a
// step fails.
struct TUpdateGuard {
    explicit TUpdateGuard(TBitmap32& b) : bitmap(b) { b.BeginUpdate(); }
    ~TUpdateGuard() {
        try {
            bitmap.EndUpdate();
        } catch (...) {}
    }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;
    TBitmap32& bitmap;
};

// Shows the transparent pixels of the picture drawn at dst (target coordinates, before
// clipping) over the checkerboard. A row is first tested for any pixel below full alpha, so an
// opaque picture costs one pass of ANDs over the visible rows and nothing is written.
void ShowOverCheckerboard(TBitmap32& target, const TRect& dst) {
    const TRect area = Intersect(dst, target.BoundsRect());
    if (area.IsEmpty()) return;
    const std::size_t count = std::size_t(area.Width());
    for (int y = area.Top; y < area.Bottom; ++y) {
        const TColor32* in = target.ConstScanLine(y) + area.Left;
        TColor32 all = 0xFFFFFFFFu;
        for (std::size_t i = 0; i < count; ++i)
            all &= in[i];
        if ((all >> 24) == 0xFFu) continue;
        TColor32* row = target.ScanLine(y) + area.Left;
        const int cy = y - dst.Top;
        for (std::size_t i = 0; i < count; ++i) {
            if ((row[i] >> 24) == 0xFFu) continue;
            const TColor32 cell = CheckerboardColor(area.Left + int(i) - dst.Left, cy);
            row[i] = BlendPixel(row[i], cell) | 0xFF000000u;
        }
    }
}

} // namespace

TColor32 CheckerboardColor(int x, int y) {
    return ((x / kCheckerCell + y / kCheckerCell) & 1) ? kCheckerDark : kCheckerLight;
}

TImgView32::TImgView32() : layers_(*this) {
    picture_.OnChange = [this] { PictureChanged(); };
    UpdateGeometry();
}

TImgView32::~TImgView32() {
    destroying_ = true;
    picture_.OnChange = nullptr;
    layers_.Clear();
}

void TImgView32::SetBackgroundColor(TColor32 color) {
    if (color == background_) return;
    background_ = color;
    Invalidate();
}

void TImgView32::SetScale(float scale) {
    if (!std::isfinite(scale) || !(scale > 0) || scale == scale_) return;
    // Keep the picture point at the centre of the viewport where it is.
    const TRect vp = ViewportRect();
    const double fx =
        bitmapRect_.Width() > 0 ? (vp.Right / 2.0 - bitmapRect_.Left) / bitmapRect_.Width() : 0.5;
    const double fy =
        bitmapRect_.Height() > 0 ? (vp.Bottom / 2.0 - bitmapRect_.Top) / bitmapRect_.Height() : 0.5;
    scale_ = scale;
    scrollX_ = RoundCoord(fx * ScaledExtent(picture_.Width(), scale_) - vp.Right / 2.0);
    scrollY_ = RoundCoord(fy * ScaledExtent(picture_.Height(), scale_) - vp.Bottom / 2.0);
    UpdateGeometry();
    Invalidate();
}

void TImgView32::SetControlSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == controlWidth_ && height == controlHeight_) return;
    controlWidth_ = width;
    controlHeight_ = height;
    UpdateGeometry();
    Invalidate();
}

void TImgView32::SetScrollBarSize(int size) {
    size = std::max(size, 0);
    if (size == scrollBarSize_) return;
    scrollBarSize_ = size;
    UpdateGeometry();
    Invalidate();
}

TRect TImgView32::ViewportRect() const {
    return {0, 0, std::max(controlWidth_ - scrollBarSize_, 0),
            std::max(controlHeight_ - scrollBarSize_, 0)};
}

void TImgView32::SetScroll(int x, int y) {
    if (x == scrollX_ && y == scrollY_) return;
    scrollX_ = x;
    scrollY_ = y;
    UpdateGeometry();
    Invalidate();
}

int TImgView32::ScrollRangeX() const {
    return std::max(ScaledExtent(picture_.Width(), scale_) - ViewportRect().Right, 0);
}

int TImgView32::ScrollRangeY() const {
    return std::max(ScaledExtent(picture_.Height(), scale_) - ViewportRect().Bottom, 0);
}

TPoint TImgView32::ControlToBitmap(int x, int y) const {
    return lumetta::ControlToBitmap(transform_, x, y);
}

void TImgView32::UpdateGeometry() {
    const TRect vp = ViewportRect();
    const TRect oldRect = bitmapRect_;
    const int oldX = scrollX_, oldY = scrollY_;
    if (picture_.Empty()) {
        scrollX_ = scrollY_ = 0;
        bitmapRect_ = {vp.Right / 2, vp.Bottom / 2, vp.Right / 2, vp.Bottom / 2};
    } else {
        const int rw = ScaledExtent(picture_.Width(), scale_);
        const int rh = ScaledExtent(picture_.Height(), scale_);
        scrollX_ = std::clamp(scrollX_, 0, std::max(rw - vp.Right, 0));
        scrollY_ = std::clamp(scrollY_, 0, std::max(rh - vp.Bottom, 0));
        const int left = rw <= vp.Right ? (vp.Right - rw) / 2 : -scrollX_;
        const int top = rh <= vp.Bottom ? (vp.Bottom - rh) / 2 : -scrollY_;
        bitmapRect_ = {left, top, left + rw, top + rh};
    }
    transform_ = MakeViewTransform(bitmapRect_, picture_.Width(), picture_.Height());
    if (!(oldRect == bitmapRect_) || oldX != scrollX_ || oldY != scrollY_) {
        if (OnGeometryChanged && !destroying_) OnGeometryChanged();
    }
}

void TImgView32::PictureChanged() {
    UpdateGeometry();
    Invalidate();
}

void TImgView32::Invalidate() {
    if (OnInvalidate && !destroying_) OnInvalidate(std::nullopt);
}

void TImgView32::InvalidateRect(const TRect& area) {
    const TRect r = Intersect(area, {0, 0, controlWidth_, controlHeight_});
    if (r.IsEmpty()) return;
    if (OnInvalidate && !destroying_) OnInvalidate(r);
}

// ------------------------------------------------------------------------------ painting

void TImgView32::Render(TBitmap32& target, TPoint origin, const TRect& bitmapRect,
                        const TBitmap32& picture, bool checkerboard) {
    if (target.Empty()) return;
    TUpdateGuard update(target);
    const long long ox = origin.X, oy = origin.Y;
    const long long tr = ox + target.Width(), tb = oy + target.Height();

    if (picture.Empty() || picture.DrawMode != dmOpaque) {
        FillControlRect(target, origin, ox, oy, tr, tb, background_);
    } else {
        // Only the control outside the bitmap rectangle: the bands above and below it, then
        // left and right of it.
        const long long cl = std::max<long long>(ox, 0), ct = std::max<long long>(oy, 0);
        const long long cr = std::min<long long>(tr, controlWidth_);
        const long long cb = std::min<long long>(tb, controlHeight_);
        const long long bl = bitmapRect.Left, bt = bitmapRect.Top;
        const long long br = bitmapRect.Right, bb = bitmapRect.Bottom;
        FillControlRect(target, origin, cl, ct, cr, std::min(cb, bt), background_);
        FillControlRect(target, origin, cl, std::max(ct, bb), cr, cb, background_);
        const long long mt = std::max(ct, bt), mb = std::min(cb, bb);
        FillControlRect(target, origin, cl, mt, std::min(cr, bl), mb, background_);
        FillControlRect(target, origin, std::max(cl, br), mt, cr, mb, background_);
    }

    if (!picture.Empty()) {
        // Draw clips the destination to the target, and the nearest-neighbour stretch maps
        // only the columns and rows that remain: the cost follows the target, not the picture.
        const TRect dst{bitmapRect.Left - origin.X, bitmapRect.Top - origin.Y,
                        bitmapRect.Right - origin.X, bitmapRect.Bottom - origin.Y};
        target.Draw(dst, picture.BoundsRect(), picture);
        // On screen the picture's transparent areas show as such; the layers go on top.
        if (checkerboard && picture.DrawMode == dmOpaque) ShowOverCheckerboard(target, dst);
    }
    layers_.Paint(target, origin);
}

void TImgView32::Paint(TBitmap32& buffer) {
    buffer.SetSize(controlWidth_, controlHeight_);
    Render(buffer, {0, 0}, bitmapRect_, picture_, true);
}

void TImgView32::Paint(TBitmap32& buffer, const TRect& area) {
    buffer.SetSize(controlWidth_, controlHeight_);
    const TRect r = Intersect(area, buffer.BoundsRect());
    if (r.IsEmpty()) return;
    if (r == buffer.BoundsRect()) {
        Render(buffer, {0, 0}, bitmapRect_, picture_, true);
        return;
    }
    // Rendering into a scratch bitmap at the area's origin keeps every mapping (stretch,
    // stipple phase) exactly what a full repaint would give.
    scratch_.SetSize(r.Width(), r.Height());
    Render(scratch_, {r.Left, r.Top}, bitmapRect_, picture_, true);
    const std::size_t bytes = std::size_t(r.Width()) * sizeof(TColor32);
    for (int y = 0; y < r.Height(); ++y)
        std::memcpy(buffer.ScanLine(r.Top + y) + r.Left, scratch_.ConstScanLine(y), bytes);
}

void TImgView32::PaintTo(TBitmap32& destination, const TRect& rect) {
    struct TRestore {
        TViewTransform& slot;
        TViewTransform saved;
        ~TRestore() { slot = saved; }
    } restore{transform_, transform_};
    transform_ = MakeViewTransform(rect, picture_.Width(), picture_.Height());
    // Rendering into the picture itself reads from a shared copy of it; the destination
    // detaches before it is written.
    const TBitmap32 source(picture_);
    Render(destination, {0, 0}, rect, source, false);
}

// --------------------------------------------------------------------------------- mouse

TCustomLayer* TImgView32::Alive(TCustomLayer* layer) const {
    return layer && layer->Collection() == &layers_ ? layer : nullptr;
}

void TImgView32::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TLayerCollection::TLockGuard lock(layers_);
    TCustomLayer* holder = layers_.MouseListener();
    TCustomLayer* found = holder ? holder : layers_.FindLayerAt(x, y);
    if (button == mbLeft && found != holder) {
        layers_.SetMouseListener(found);
        holder = found;
    }
    if (holder) holder->MouseDown(button, shift, x, y);
    // A handler may have freed the layer: report only a layer that is still in the view.
    if (OnMouseDown) OnMouseDown(button, shift, x, y, Alive(found));
}

void TImgView32::MouseMove(TMouseButtons buttons, TShiftState shift, int x, int y) {
    TLayerCollection::TLockGuard lock(layers_);
    TCustomLayer* target = layers_.MouseListener();
    if (!target) target = layers_.FindLayerAt(x, y);
    if (target) target->MouseMove(buttons, shift, x, y);
    target = Alive(target);
    cursorShape_ = target ? target->Cursor() : Cursor;
    if (OnMouseMove) OnMouseMove(buttons, shift, x, y, target);
}

void TImgView32::MouseUp(TMouseButton button, TMouseButtons buttons, TShiftState shift, int x,
                         int y) {
    TLayerCollection::TLockGuard lock(layers_);
    TCustomLayer* target = layers_.MouseListener();
    if (!target) target = layers_.FindLayerAt(x, y);
    if (target) target->MouseUp(button, buttons, shift, x, y);
    if (buttons == mbsNone) layers_.SetMouseListener(nullptr);
    if (OnMouseUp) OnMouseUp(button, buttons, shift, x, y, Alive(target));
}

} // namespace lumetta
