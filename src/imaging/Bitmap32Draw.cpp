// The two transfers of TBitmap32: Draw at a point and Draw from rectangle to rectangle, with
// nearest-neighbour stretching when the rectangles differ in size.
#include "imaging/Bitmap32.h"
#include "imaging/Blend.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace lumetta {

namespace {

using i64 = long long;

struct Span {
    int begin = 0, end = 0; // clipped destination range, end exclusive
    bool Empty() const { return end <= begin; }
};

Span Clip(i64 from, i64 to, int limit) {
    Span s;
    s.begin = int(std::clamp<i64>(from, 0, limit));
    s.end = int(std::clamp<i64>(to, 0, limit));
    return s;
}

// Source index read by every destination index of the clipped span. The scale is held in
// single precision and the whole expression is evaluated in it; the offset is taken from the
// unclipped destination start so that clipping does not shift the picture.
void NearestMap(std::vector<int>& map, const Span& clipped, i64 dstStart, i64 dstSize, int srcStart,
                int srcEnd) {
    map.resize(std::size_t(clipped.end - clipped.begin));
    if (dstSize < 2) {
        std::fill(map.begin(), map.end(), (srcStart + srcEnd - 1) / 2);
        return;
    }
    const float scale = float(srcEnd - srcStart) / float(dstSize);
    for (int d = clipped.begin; d < clipped.end; ++d) {
        const float pos = float(srcStart) + float(i64(d) - dstStart) * scale;
        // The single-precision product can reach the end on huge sizes: stay inside srcRect.
        map[std::size_t(d - clipped.begin)] = std::clamp(int(pos), srcStart, srcEnd - 1);
    }
}

} // namespace

void TBitmap32::Draw(int x, int y, const TBitmap32& source) {
    if (Empty() || source.Empty()) return;
    if (&source == this) {
        // Reading and writing one buffer would smear the picture: read from a shared copy,
        // which makes this bitmap detach before it writes.
        const TBitmap32 copy(source);
        Draw(x, y, copy);
        return;
    }
    const Span cols = Clip(x, i64(x) + source.width_, width_);
    const Span rows = Clip(y, i64(y) + source.height_, height_);
    if (cols.Empty() || rows.Empty()) return;
    const std::size_t count = std::size_t(cols.end - cols.begin);
    TColor32* dst = Bits();
    for (int row = rows.begin; row < rows.end; ++row) {
        const TColor32* s = source.ConstScanLine(row - y) + (cols.begin - x);
        TransferRow(source.DrawMode, dst + std::size_t(row) * width_ + cols.begin, s, count);
    }
    Changed();
}

void TBitmap32::Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& source) {
    if (Empty() || source.Empty() || srcRect.IsEmpty()) return;
    if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > source.width_ ||
        srcRect.Bottom > source.height_)
        throw ETransformError("Source rectangle is invalid");
    if (&source == this) {
        const TBitmap32 copy(source);
        Draw(dstRect, srcRect, copy);
        return;
    }
    const i64 dstW = i64(dstRect.Right) - dstRect.Left;
    const i64 dstH = i64(dstRect.Bottom) - dstRect.Top;
    const Span cols = Clip(dstRect.Left, dstRect.Right, width_);
    const Span rows = Clip(dstRect.Top, dstRect.Bottom, height_);
    if (cols.Empty() || rows.Empty()) return;
    const std::size_t count = std::size_t(cols.end - cols.begin);

    if (dstW == srcRect.Width() && dstH == srcRect.Height()) {
        TColor32* dst = Bits();
        const int dx = srcRect.Left - dstRect.Left, dy = srcRect.Top - dstRect.Top;
        for (int row = rows.begin; row < rows.end; ++row) {
            const TColor32* s = source.ConstScanLine(row + dy) + (cols.begin + dx);
            TransferRow(source.DrawMode, dst + std::size_t(row) * width_ + cols.begin, s, count);
        }
        Changed();
        return;
    }

    // StretchNearest: map the columns once, then gather each row into a scratch row and put
    // it with the row rule.
    std::vector<int> xmap, ymap;
    NearestMap(xmap, cols, dstRect.Left, dstW, srcRect.Left, srcRect.Right);
    NearestMap(ymap, rows, dstRect.Top, dstH, srcRect.Top, srcRect.Bottom);
    std::vector<TColor32> gathered(count);
    TColor32* dst = Bits();
    int gatheredRow = -1;
    for (int row = rows.begin; row < rows.end; ++row) {
        const int srcRow = ymap[std::size_t(row - rows.begin)];
        if (srcRow != gatheredRow) {
            const TColor32* s = source.ConstScanLine(srcRow);
            for (std::size_t i = 0; i < count; ++i)
                gathered[i] = s[xmap[i]];
            gatheredRow = srcRow;
        }
        TransferRow(source.DrawMode, dst + std::size_t(row) * width_ + cols.begin, gathered.data(),
                    count);
    }
    Changed();
}

} // namespace lumetta
