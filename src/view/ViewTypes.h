#pragma once
// Small value types shared by the image view and its layers: float rectangles, mouse buttons,
// modifier keys, pointer shapes and the 16.16 fixed-point view transform.
#include "imaging/Bitmap32.h"

#include <cstdint>

namespace lumetta {

// A rectangle of single-precision floats (layer locations).
struct TFloatRect {
    float Left = 0, Top = 0, Right = 0, Bottom = 0;

    constexpr float Width() const { return Right - Left; }
    constexpr float Height() const { return Bottom - Top; }
    constexpr bool IsEmpty() const { return !(Right > Left) || !(Bottom > Top); }
    friend constexpr bool operator==(const TFloatRect&, const TFloatRect&) = default;
};

struct TPoint {
    int X = 0, Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

enum TMouseButton : int { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The buttons still held during a move or after a release, as a set of bits.
using TMouseButtons = unsigned;
constexpr TMouseButtons mbsNone = 0;
constexpr TMouseButtons mbsLeft = 1u << mbLeft;
constexpr TMouseButtons mbsRight = 1u << mbRight;
constexpr TMouseButtons mbsMiddle = 1u << mbMiddle;
constexpr TMouseButtons ButtonBit(TMouseButton b) {
    return 1u << unsigned(b);
}

// Modifier keys held during a mouse event, as a set of bits.
using TShiftState = unsigned;
constexpr TShiftState ssNone = 0;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssCtrl = 2;
constexpr TShiftState ssAlt = 4;

// Pointer shapes the model asks for; the widget maps them to the platform's cursors.
enum TCursorShape : int {
    crDefault = 0,  // the arrow
    crSizeWE = 1,   // horizontal resize
    crSizeNS = 2,   // vertical resize
    crSizeNWSE = 3, // diagonal from top-left to bottom-right
    crSizeNESW = 4  // diagonal from top-right to bottom-left
};

// Maps picture coordinates to control coordinates and back in 16.16 fixed point. An empty
// picture gives the identity.
struct TViewTransform {
    int ShiftX = 0, ShiftY = 0;
    int ScaleX = 65536, ScaleY = 65536;
    int RevScaleX = 65536, RevScaleY = 65536;
    friend constexpr bool operator==(const TViewTransform&, const TViewTransform&) = default;
};

// The transform that shows a picture of pictureWidth x pictureHeight in bitmapRect (control
// coordinates): shifts are the rectangle's top-left corner, the scales its size ratios times
// 65536, rounded to nearest (ties to even) and held in 32 bits. A picture or rectangle with no
// area on an axis leaves that axis unscaled rather than dividing by zero.
TViewTransform MakeViewTransform(const TRect& bitmapRect, int pictureWidth, int pictureHeight);

// Control point -> picture point: ((x - ShiftX) * RevScaleX) / 65536, truncating toward zero.
TPoint ControlToBitmap(const TViewTransform& t, int x, int y);

// Rounds a float coordinate to the nearest integer with ties to even, saturating far outside the
// range any picture or control can have.
int RoundCoord(double v);

// Each edge rounded by RoundCoord.
TRect RoundRect(const TFloatRect& r);

// Fills the control rectangle [x0, x1) x [y0, y1) with color, clipped to target, whose pixel
// (0, 0) is control pixel origin. Painting code of the view and its layers works in control
// coordinates and uses this for every solid area.
void FillControlRect(TBitmap32& target, TPoint origin, long long x0, long long y0, long long x1,
                     long long y1, TColor32 color);

} // namespace lumetta
