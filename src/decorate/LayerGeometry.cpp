#include "decorate/LayerGeometry.h"

namespace lumetta {

TFloatRect CentredLocation(int x, int y, int w, int h) {
    const float halfW = float(w) / 2.0f, halfH = float(h) / 2.0f;
    const float fx = float(x), fy = float(y);
    return {fx - halfW, fy - halfH, fx + halfW, fy + halfH};
}

void SymmetricResize(const TFloatRect& old, TFloatRect& nw, RubberBandDragState state,
                     TShiftState shift) {
    if (state == DragMove || shift == ssNone || !(shift & ssCtrl)) return;
    const float cx = (old.Left + old.Right) / 2.0f;
    const float cy = (old.Top + old.Bottom) / 2.0f;
    float hw = (old.Right - old.Left) / 2.0f;
    float hh = (old.Bottom - old.Top) / 2.0f;
    switch (state) {
    case DragLeft:
        hw = cx - nw.Left;
        break;
    case DragRight:
        hw = nw.Right - cx;
        break;
    case DragTop:
        hh = cy - nw.Top;
        break;
    case DragBottom:
        hh = nw.Bottom - cy;
        break;
    case DragTopLeft:
        hw = cx - nw.Left;
        hh = cy - nw.Top;
        break;
    case DragTopRight:
        hw = nw.Right - cx;
        hh = cy - nw.Top;
        break;
    case DragBottomLeft:
        hw = cx - nw.Left;
        hh = nw.Bottom - cy;
        break;
    case DragBottomRight:
        hw = nw.Right - cx;
        hh = nw.Bottom - cy;
        break;
    default:
        break;
    }
    if (hw < 2) hw = 2;
    if (hh < 2) hh = 2;
    nw = {cx - hw, cy - hh, cx + hw, cy + hh};
}

TFloatRect QuarterTurnLocation(const TFloatRect& l) {
    const float cx = (l.Left + l.Right) / 2.0f, cy = (l.Top + l.Bottom) / 2.0f;
    const float hw = (l.Right - l.Left) / 2.0f, hh = (l.Bottom - l.Top) / 2.0f;
    return {cx - hh, cy - hw, cx + hh, cy + hw};
}

} // namespace lumetta
