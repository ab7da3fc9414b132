#include "view/ViewTypes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lumetta {

namespace {

// Far beyond any control or picture coordinate, small enough that sums and differences of two
// such values stay inside int.
constexpr double kCoordLimit = 1e9;

int SaturateToInt(double v) {
    if (std::isnan(v)) return 0;
    return int(std::clamp(v, -2147483648.0, 2147483647.0));
}

// size * 65536 / by, rounded to nearest with ties to even; an axis without area stays 1:1.
int FixedRatio(int size, int by) {
    if (size <= 0 || by <= 0) return 65536;
    return SaturateToInt(std::nearbyint(double(size) * 65536.0 / double(by)));
}

} // namespace

TViewTransform MakeViewTransform(const TRect& bitmapRect, int pictureWidth, int pictureHeight) {
    TViewTransform t;
    if (pictureWidth <= 0 || pictureHeight <= 0) return t;
    t.ShiftX = bitmapRect.Left;
    t.ShiftY = bitmapRect.Top;
    t.ScaleX = FixedRatio(bitmapRect.Width(), pictureWidth);
    t.ScaleY = FixedRatio(bitmapRect.Height(), pictureHeight);
    t.RevScaleX = FixedRatio(pictureWidth, bitmapRect.Width());
    t.RevScaleY = FixedRatio(pictureHeight, bitmapRect.Height());
    return t;
}

TPoint ControlToBitmap(const TViewTransform& t, int x, int y) {
    // 64-bit products: a zoomed-out view has RevScale above 65536 and offsets of thousands.
    const std::int64_t px = (std::int64_t(x) - t.ShiftX) * t.RevScaleX / 65536;
    const std::int64_t py = (std::int64_t(y) - t.ShiftY) * t.RevScaleY / 65536;
    return {SaturateToInt(double(px)), SaturateToInt(double(py))};
}

int RoundCoord(double v) {
    if (std::isnan(v)) return 0;
    return int(std::nearbyint(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

TRect RoundRect(const TFloatRect& r) {
    return {RoundCoord(r.Left), RoundCoord(r.Top), RoundCoord(r.Right), RoundCoord(r.Bottom)};
}

void FillControlRect(TBitmap32& target, TPoint origin, long long x0, long long y0, long long x1,
                     long long y1, TColor32 color) {
    x0 = std::max<long long>(x0 - origin.X, 0);
    x1 = std::min<long long>(x1 - origin.X, target.Width());
    y0 = std::max<long long>(y0 - origin.Y, 0);
    y1 = std::min<long long>(y1 - origin.Y, target.Height());
    if (x1 <= x0 || y1 <= y0) return;
    for (long long y = y0; y < y1; ++y) {
        TColor32* row = target.ScanLine(int(y));
        std::fill(row + x0, row + x1, color);
    }
}

} // namespace lumetta
