#pragma once
// TImgView32: the model behind a zoomable, scrollable picture view with floating layers.
//
// How a widget drives it (the model knows nothing of the widget):
//   * Geometry: on resize call SetControlSize(width, height) and SetScrollBarSize(extent of the
//     platform's scroll bars). Keep the scroll bars at 0 .. ScrollRangeX()/ScrollRangeY() with
//     page steps ViewportRect() width/height, and pass their values to SetScroll(x, y). Connect
//     OnGeometryChanged to re-read the ranges and positions (they change with the picture size,
//     Scale and control size).
//   * Repaint: connect OnInvalidate to the widget's update(); the optional rectangle (control
//     coordinates) is the only part that changed. In the paint event call Paint(buffer) or
//     Paint(buffer, dirtyRect) with a TBitmap32 kept across repaints, and put the buffer on the
//     screen ignoring its alpha (a QImage over ConstBits() in Format_RGB32 needs no copy).
//   * Mouse: forward presses, moves and releases in control coordinates to MouseDown,
//     MouseMove and MouseUp, with the button, the buttons still held and the modifier keys.
//     After a move, show CursorShape().
//   * Commands change Picture() directly, set Scale, create layers in Layers(), and listen to
//     OnMouseDown / OnMouseMove.
//
// Coordinates: "control" coordinates are the widget's client pixels; "picture" coordinates are
// pixels of Picture(). The bitmap rectangle is where the picture appears in the control: its
// size is the picture size times Scale, centred in the viewport on each axis where it fits and
// placed by the scroll offsets where it does not.
#include "imaging/Bitmap32.h"
#include "view/Layers.h"
#include "view/RubberbandLayer.h"
#include "view/ViewTypes.h"

#include <functional>
#include <optional>

namespace lumetta {

using TViewMouseDownEvent =
    std::function<void(TMouseButton button, TShiftState shift, int x, int y, TCustomLayer* layer)>;
using TViewMouseMoveEvent = std::function<void(TMouseButtons buttons, TShiftState shift, int x,
                                               int y, TCustomLayer* layer)>;
using TViewMouseUpEvent = std::function<void(TMouseButton button, TMouseButtons buttons,
                                             TShiftState shift, int x, int y, TCustomLayer* layer)>;
using TInvalidateEvent = std::function<void(const std::optional<TRect>& area)>;

// The checkerboard under transparent pixels on screen: cells of kCheckerCell pixels, light and
// dark in turn, the first cell light at the top-left corner of the picture as shown. x and y
// count screen pixels from that corner.
constexpr int kCheckerCell = 8;
constexpr TColor32 kCheckerLight = 0xFFFFFFFFu;
constexpr TColor32 kCheckerDark = 0xFFCCCCCCu;
TColor32 CheckerboardColor(int x, int y);

class TImgView32 {
public:
    TImgView32();
    ~TImgView32();
    TImgView32(const TImgView32&) = delete;
    TImgView32& operator=(const TImgView32&) = delete;

    // ---- picture and appearance ----
    // Owned by the view; every change notified by the bitmap repaints the view.
    TBitmap32& Picture() { return picture_; }
    const TBitmap32& Picture() const { return picture_; }
    TColor32 BackgroundColor() const { return background_; }
    void SetBackgroundColor(TColor32 color);
    float Scale() const { return scale_; }
    // Zoom factor; values that are not finite and positive are ignored. The picture point at
    // the centre of the viewport stays there where the scroll range allows.
    void SetScale(float scale);

    TLayerCollection& Layers() { return layers_; }
    const TLayerCollection& Layers() const { return layers_; }

    // ---- geometry (set by the widget) ----
    void SetControlSize(int width, int height);
    int ControlWidth() const { return controlWidth_; }
    int ControlHeight() const { return controlHeight_; }
    void SetScrollBarSize(int size);
    int ScrollBarSize() const { return scrollBarSize_; }
    // (0, 0, control width - scroll-bar size, control height - scroll-bar size), never
    // negative.
    TRect ViewportRect() const;
    // Scroll offsets are clamped to 0 .. ScrollRange; the range is 0 on an axis where the
    // scaled picture fits in the viewport.
    void SetScroll(int x, int y);
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }
    int ScrollRangeX() const;
    int ScrollRangeY() const;
    // Where the picture is shown, in control coordinates.
    TRect BitmapRect() const { return bitmapRect_; }
    const TViewTransform& Transform() const { return transform_; }
    TPoint ControlToBitmap(int x, int y) const;
    TPoint ControlToBitmap(TPoint p) const { return ControlToBitmap(p.X, p.Y); }

    // ---- painting ----
    // Sizes buffer to the control and paints background, picture and visible layers into it.
    void Paint(TBitmap32& buffer);
    // Same, but touches only the pixels of area (control coordinates) in a control-sized buffer.
    // Both Paints show the picture's transparent pixels over a light checkerboard
    // (CheckerboardColor), under the layers; the picture itself keeps its alpha.
    void Paint(TBitmap32& buffer, const TRect& area);
    // Renders the view into destination as if the bitmap rectangle were rect: the result is the
    // picture itself, alpha included, with the visible layers blended over it at picture scale
    // (no checkerboard).
    void PaintTo(TBitmap32& destination, const TRect& rect);

    // ---- repaint requests ----
    TInvalidateEvent OnInvalidate;
    // Raised when the bitmap rectangle, the scroll ranges or the scroll offsets change.
    std::function<void()> OnGeometryChanged;
    void Invalidate();
    void InvalidateRect(const TRect& area);

    // ---- mouse input (control coordinates) ----
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TMouseButtons buttons, TShiftState shift, int x, int y);
    // buttons: the buttons still held after this release.
    void MouseUp(TMouseButton button, TMouseButtons buttons, TShiftState shift, int x, int y);
    TViewMouseDownEvent OnMouseDown; // after the layers have seen the press
    TViewMouseMoveEvent OnMouseMove; // after the layers have seen the move
    TViewMouseUpEvent OnMouseUp;     // after the layers have seen the release
    // The view's own pointer shape, shown where no layer is hit.
    TCursorShape Cursor = crDefault;
    // The shape to show after the last MouseMove.
    TCursorShape CursorShape() const { return cursorShape_; }

private:
    void UpdateGeometry();
    void PictureChanged();
    // Paints the control area starting at origin into target (target pixel (0, 0) is control
    // pixel origin) with the current transform, showing picture in bitmapRect.
    // checkerboard: show transparent pixels of the picture over the checkerboard (the screen).
    void Render(TBitmap32& target, TPoint origin, const TRect& bitmapRect, const TBitmap32& picture,
                bool checkerboard);
    TCustomLayer* Alive(TCustomLayer* layer) const;

    TBitmap32 picture_;
    TLayerCollection layers_;
    TColor32 background_ = 0xFFFFFFFFu;
    float scale_ = 1.0f;
    int controlWidth_ = 0, controlHeight_ = 0;
    int scrollBarSize_ = 0;
    int scrollX_ = 0, scrollY_ = 0;
    TRect bitmapRect_;
    TViewTransform transform_;
    TCursorShape cursorShape_ = crDefault;
    TBitmap32 scratch_; // reused by partial repaints
    bool destroying_ = false;
};

} // namespace lumetta
