#include "edit/EditGeometry.h"

#include "imaging/Bitmap32.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace lumetta {

namespace {

// A float edge rounded up, held inside the int range (a frame is never that far out, but the
// conversion must stay defined).
int CeilToInt(float v) {
    const double c = std::ceil(double(v));
    if (!(c > double(INT_MIN))) return INT_MIN; // also NaN
    if (c >= double(INT_MAX)) return INT_MAX;
    return int(c);
}

int RoundSaturated(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v); // ties to even under the default rounding mode
    if (r >= double(INT_MAX)) return INT_MAX;
    if (r <= double(INT_MIN)) return INT_MIN;
    return int(r);
}

} // namespace

TRect DragSelection(TPoint anchor, TPoint corner, int width, int height) {
    TRect r{std::min(anchor.X, corner.X), std::min(anchor.Y, corner.Y),
            std::max(anchor.X, corner.X), std::max(anchor.Y, corner.Y)};
    if (r.Left < 0) r.Left = 0;
    if (r.Right > width) r.Right = width;
    if (r.Top < 0) r.Top = 0;
    if (r.Bottom > height) r.Bottom = height;
    return r;
}

TRect SelectionRect(const TFloatRect& location) {
    TRect r{CeilToInt(location.Left), CeilToInt(location.Top), CeilToInt(location.Right),
            CeilToInt(location.Bottom)};
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

TRect SelectionRectIn(const TFloatRect& location, int width, int height) {
    TRect r = SelectionRect(location);
    r.Left = std::clamp(r.Left, 0, width);
    r.Right = std::clamp(r.Right, 0, width);
    r.Top = std::clamp(r.Top, 0, height);
    r.Bottom = std::clamp(r.Bottom, 0, height);
    return r;
}

int SizeFieldValue(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return 0;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return 0;
    return value;
}

int HeightForWidth(int width, double aspectRatio) {
    return RoundSaturated(double(width) / aspectRatio);
}

int WidthForHeight(int height, double aspectRatio) {
    return RoundSaturated(double(height) * aspectRatio);
}

void CheckNewPictureSize(long long width, long long height) {
    if (width < 1 || height < 1)
        throw Error("The width and the height must each be at least 1 pixel");
    CheckPictureSize(width, height);
}

} // namespace lumetta
