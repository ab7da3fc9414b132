#pragma once
// The arithmetic of the edit page: the selection a drag defines, the rectangle a selection
// frame stands for, the zoom steps of the edit view and the numbers of the resize fields.
#include "imaging/Bitmap32.h"
#include "view/ViewTypes.h"

#include <string_view>

namespace lumetta {

// ---- selection ----

// The rectangle between the drag's two picture points, normalised, with exactly these four
// clamps for a width x height picture: Left < 0 -> 0, Right > width -> width, Top < 0 -> 0,
// Bottom > height -> height. A Left beyond the width or a Right below 0 stays as it is, so the
// result may be inverted; SelectionRect straightens it.
TRect DragSelection(TPoint anchor, TPoint corner, int width, int height);

// The whole-pixel rectangle a frame location stands for: every edge rounded up (also Right
// and Bottom), then Right raised to Left and Bottom to Top where smaller. Width and height may
// be 0, never negative.
TRect SelectionRect(const TFloatRect& location);

// SelectionRect with every edge also held inside a width x height picture. The frame may
// outlast a change of the picture's size (Undo, Redo, Resize, Paste); a crop or copy then
// takes the part of the frame that lies on the picture instead of failing. For a frame that a
// drag on this picture set, the result is SelectionRect's or, where that has no width or
// height, another rectangle without width or height.
TRect SelectionRectIn(const TFloatRect& location, int width, int height);

// ---- zoom of the edit view ----

inline constexpr int kZoomStepMin = 2;  // Scale 0.2
inline constexpr int kZoomStepMax = 20; // Scale 2.0
inline constexpr int kZoomStepActual = 10;

// ZoomStep / 10 in single precision.
constexpr float ZoomScale(int zoomStep) {
    return float(zoomStep) / 10.0f;
}

// ---- resize fields ----

// A character typed into a size field passes when it is Backspace or an ASCII digit.
constexpr bool IsSizeFieldChar(char32_t c) {
    return c == 8 || (c >= U'0' && c <= U'9');
}

// The field's text as a decimal 32-bit integer (an optional sign, then digits); anything that
// does not convert, including a value beyond the 32-bit range, gives 0.
int SizeFieldValue(std::string_view text);

// The other side of a size that keeps the aspect ratio (width / height), rounded to the
// nearest with ties to even. A result beyond the 32-bit range (or from a ratio of 0) saturates
// at the largest int rather than wrapping round.
int HeightForWidth(int width, double aspectRatio);
int WidthForHeight(int height, double aspectRatio);

// Refuses, with a message for the user, a new picture size below 1 x 1 or beyond what the
// program holds (65535 pixels a side, 100 megapixels): nothing is allocated for it.
void CheckNewPictureSize(long long width, long long height);

} // namespace lumetta
