// In-place geometry of TBitmap32: alpha reset, flips and quarter turns. When the pixels are
// shared with another bitmap the result is written straight into fresh storage instead of
// copying first and then working in place.
#include "imaging/Bitmap32.h"

#include <algorithm>
#include <utility>

namespace lumetta {

namespace {

// Quarter turns walk the picture in square tiles so that both the rows read and the rows
// written stay in cache.
constexpr int kTile = 64;

template <typename Dest> void ForEachTiled(int width, int height, const TColor32* src, Dest dest) {
    for (int ty = 0; ty < height; ty += kTile) {
        const int yEnd = std::min(ty + kTile, height);
        for (int tx = 0; tx < width; tx += kTile) {
            const int xEnd = std::min(tx + kTile, width);
            for (int y = ty; y < yEnd; ++y) {
                const TColor32* row = src + std::size_t(y) * width;
                for (int x = tx; x < xEnd; ++x)
                    dest(x, y, row[x]);
            }
        }
    }
}

} // namespace

void TBitmap32::ResetAlpha() {
    if (Empty()) return;
    TColor32* p = Bits();
    const std::size_t n = PixelCount();
    for (std::size_t i = 0; i < n; ++i)
        p[i] |= 0xFF000000u;
    Changed();
}

void TBitmap32::FlipHorz() {
    if (Empty()) return;
    const int w = width_, h = height_;
    if (storage_.use_count() > 1) {
        const TBitmap32 old(*this);
        Allocate(w, h, false); // every pixel is written below
        TColor32* d = Bits();
        for (int y = 0; y < h; ++y) {
            const TColor32* s = old.ConstScanLine(y);
            std::reverse_copy(s, s + w, d + std::size_t(y) * w);
        }
    } else {
        TColor32* d = Bits();
        for (int y = 0; y < h; ++y)
            std::reverse(d + std::size_t(y) * w, d + std::size_t(y + 1) * w);
    }
    Changed();
}

void TBitmap32::FlipVert() {
    if (Empty()) return;
    const int w = width_, h = height_;
    if (storage_.use_count() > 1) {
        const TBitmap32 old(*this);
        Allocate(w, h, false); // every pixel is written below
        TColor32* d = Bits();
        for (int y = 0; y < h; ++y)
            std::copy_n(old.ConstScanLine(h - 1 - y), w, d + std::size_t(y) * w);
    } else {
        TColor32* d = Bits();
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(d + std::size_t(y) * w, d + std::size_t(y + 1) * w,
                             d + std::size_t(h - 1 - y) * w);
    }
    Changed();
}

void TBitmap32::Rotate90() {
    if (Empty()) return;
    const int w = width_, h = height_;
    const TBitmap32 old(*this); // keeps the old pixels alive while the new ones are written
    Allocate(h, w, false);      // every pixel is written below
    TColor32* d = Bits();
    // (x, y) -> (h - 1 - y, x) in a picture h pixels wide.
    ForEachTiled(w, h, old.ConstBits(),
                 [d, h](int x, int y, TColor32 c) { d[std::size_t(x) * h + (h - 1 - y)] = c; });
    Changed();
}

void TBitmap32::Rotate270() {
    if (Empty()) return;
    const int w = width_, h = height_;
    const TBitmap32 old(*this);
    Allocate(h, w, false); // every pixel is written below
    TColor32* d = Bits();
    // (x, y) -> (y, w - 1 - x) in a picture h pixels wide.
    ForEachTiled(w, h, old.ConstBits(),
                 [d, w, h](int x, int y, TColor32 c) { d[std::size_t(w - 1 - x) * h + y] = c; });
    Changed();
}

} // namespace lumetta
