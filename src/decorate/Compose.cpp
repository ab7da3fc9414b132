// Frames, shadows and masks composed into the photo.
//
// A nine-piece frame is built on a scratch canvas: every piece leaves the template through a
// small scratch bitmap (so the template's draw mode decides how its pixels arrive), the scratch
// then replaces the canvas pixels, and the photo goes on top. The photo only takes the canvas
// at the very end, so a failure half-way leaves it as it was.
//
// The placement record comes from a file, so its arithmetic runs in 64 bits: sums of fields may
// leave the int range, and only the part of a piece that lands on the canvas is ever allocated.
#include "decorate/Compose.h"

#include <algorithm>
#include <exception>

namespace lumetta {

namespace {

using i64 = long long;

constexpr TColor32 kCanvasColor = 0x00FFFFFF; // transparent white

struct Piece {
    bool tiled;                               // an edge filled with a tile; else a stretched corner
    i64 srcLeft, srcTop, srcRight, srcBottom; // in the template
    i64 dstWidth, dstHeight;                  // on the canvas
    i64 x, y;                                 // destination position on the canvas

    bool SourceEmpty() const { return srcRight <= srcLeft || srcBottom <= srcTop; }
    bool DestinationEmpty() const { return dstWidth <= 0 || dstHeight <= 0; }
    // Only valid once CheckSource has passed: the rectangle then lies inside the template.
    TRect Source() const { return {int(srcLeft), int(srcTop), int(srcRight), int(srcBottom)}; }
};

void CheckSource(const Piece& p, const TBitmap32& frame) {
    if (p.srcLeft < 0 || p.srcTop < 0 || p.srcRight > frame.Width() || p.srcBottom > frame.Height())
        throw ETransformError("Source rectangle is invalid");
}

// Sizes a scratch bitmap and makes it transparent black. SetSize alone keeps the pixels when
// the size does not change, and a template in blend mode would then show the previous piece
// through its transparent pixels.
void ResetScratch(TBitmap32& scratch, int width, int height) {
    if (scratch.Width() == width && scratch.Height() == height)
        scratch.Clear(0);
    else
        scratch.SetSize(width, height);
}

// A corner: the source rectangle stretched (nearest neighbour) to the destination size. Only
// the part inside the canvas is built; Draw maps the columns from the unclipped rectangle, so
// that part has exactly the pixels of the whole piece.
void PutCorner(TBitmap32& canvas, const TBitmap32& frame, const Piece& p, TBitmap32& piece) {
    if (p.DestinationEmpty() || p.SourceEmpty() || frame.Empty()) return;
    CheckSource(p, frame);
    const i64 left = std::max<i64>(p.x, 0), top = std::max<i64>(p.y, 0);
    const i64 right = std::min<i64>(p.x + p.dstWidth, canvas.Width());
    const i64 bottom = std::min<i64>(p.y + p.dstHeight, canvas.Height());
    if (right <= left || bottom <= top) return;
    ResetScratch(piece, int(right - left), int(bottom - top));
    // Corner sizes are single fields, so the shifted rectangle stays inside the int range.
    const TRect whole{int(p.x - left), int(p.y - top), int(p.x - left + p.dstWidth),
                      int(p.y - top + p.dstHeight)};
    piece.Draw(whole, p.Source(), frame);
    canvas.Draw(int(left), int(top), piece);
}

// An edge: the source rectangle copied into a tile, repeated over the destination from its
// top-left corner. Whole tiles hanging off the left or top of the canvas and everything past
// its right or bottom are left out, which keeps the phase of the repetition.
void PutEdge(TBitmap32& canvas, const TBitmap32& frame, const Piece& p, TBitmap32& piece,
             TBitmap32& tile) {
    if (p.SourceEmpty() || frame.Empty()) return;
    CheckSource(p, frame);
    if (p.DestinationEmpty()) return;
    const TRect source = p.Source();
    i64 x = p.x, y = p.y, width = p.dstWidth, height = p.dstHeight;
    if (x < 0) {
        const i64 skip = -x / source.Width() * source.Width();
        x += skip;
        width -= skip;
    }
    if (y < 0) {
        const i64 skip = -y / source.Height() * source.Height();
        y += skip;
        height -= skip;
    }
    width = std::min<i64>(width, canvas.Width() - x);
    height = std::min<i64>(height, canvas.Height() - y);
    if (width <= 0 || height <= 0) return;
    ResetScratch(tile, source.Width(), source.Height());
    tile.Draw(tile.BoundsRect(), source, frame);
    ResetScratch(piece, int(width), int(height));
    if (TileBitmap(piece, tile)) canvas.Draw(int(x), int(y), piece);
}

// Fills the canvas with color except under the rectangle the opaque photo will cover anyway.
void ClearAround(TBitmap32& canvas, TColor32 color, const TBitmap32& photo, int photoX,
                 int photoY) {
    if (canvas.Empty()) return;
    if (photo.Empty() || photo.DrawMode == dmBlend) {
        canvas.Clear(color);
        return;
    }
    const int w = canvas.Width(), h = canvas.Height();
    const int left = int(std::clamp<i64>(photoX, 0, w));
    const int right = int(std::clamp<i64>(i64(photoX) + photo.Width(), 0, w));
    const int top = int(std::clamp<i64>(photoY, 0, h));
    const int bottom = int(std::clamp<i64>(i64(photoY) + photo.Height(), 0, h));
    TColor32* bits = canvas.Bits();
    for (int row = 0; row < h; ++row) {
        TColor32* line = bits + std::size_t(row) * w;
        if (row < top || row >= bottom || right <= left) {
            std::fill(line, line + w, color);
        } else {
            std::fill(line, line + left, color);
            std::fill(line + right, line + w, color);
        }
    }
}

} // namespace

bool TileBitmap(TBitmap32& destination, const TBitmap32& tile) {
    if (destination.Empty() || tile.Empty()) return false;
    if (tile.DrawMode == dmOpaque) {
        // Copies, row by row, give the same pixels as drawing every tile, at the cost of the
        // pixels alone: a one-pixel tile over a large edge is not millions of transfers.
        const int w = destination.Width(), tw = tile.Width(), th = tile.Height();
        TColor32* bits = destination.Bits();
        for (int y = 0; y < destination.Height(); ++y) {
            TColor32* row = bits + std::size_t(y) * w;
            const TColor32* source = tile.ConstScanLine(y % th);
            const int first = std::min(w, tw);
            std::copy(source, source + first, row);
            // The row repeats its first tile: copy what is done onto what follows, doubling.
            for (int done = first; done < w;) {
                const int n = std::min(done, w - done);
                std::copy(row, row + n, row + done);
                done += n;
            }
        }
        destination.Changed();
        return true;
    }
    // Drawing errors end the tiling quietly: the caller then leaves the piece out.
    try {
        for (int y = 0; y < destination.Height(); y += tile.Height())
            for (int x = 0; x < destination.Width(); x += tile.Width())
                destination.Draw(x, y, tile);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void StretchFrame(TBitmap32& photo, TBitmap32& frame) {
    ResampleBitmap(frame, photo.Width(), photo.Height(), sfLanczos);
    frame.DrawMode = dmBlend;
    photo.Draw(0, 0, frame);
}

void ComposeFrame(TBitmap32& photo, const TBitmap32& frame, const TFrameSpec& placement) {
    const i64 fw = frame.Width(), fh = frame.Height();
    // The record comes from a file: a canvas beyond the picture limits is refused before
    // anything is allocated for it.
    const i64 canvasWidth = std::max<i64>(i64(photo.Width()) + placement.ExtraWidth(), 0);
    const i64 canvasHeight = std::max<i64>(i64(photo.Height()) + placement.ExtraHeight(), 0);
    CheckPictureSize(canvasWidth, canvasHeight);
    // A canvas without pixels is empty both ways: a side of two billion beside a side of 0
    // would only make every loop over the rows spin.
    const bool empty = canvasWidth == 0 || canvasHeight == 0;
    const int cw = empty ? 0 : int(canvasWidth), ch = empty ? 0 : int(canvasHeight);

    TBitmap32 canvas(cw, ch);
    ClearAround(canvas, kCanvasColor, photo, placement.PhotoX(), placement.PhotoY());

    const i64 tlw = placement.TopLeftWidth(), tlh = placement.TopLeftHeight();
    const i64 ttw = placement.TopTileWidth(), tth = placement.TopTileHeight();
    const i64 trw = placement.TopRightWidth(), trh = placement.TopRightHeight();
    const i64 lw = placement.LeftWidth(), lth = placement.LeftTileHeight();
    const i64 rw = placement.RightWidth(), rth = placement.RightTileHeight();
    const i64 blw = placement.BottomLeftWidth(), blh = placement.BottomLeftHeight();
    const i64 brw = placement.BottomRightWidth(), brh = placement.BottomRightHeight();
    // The top band is always tlh high and the bottom band blh high on the canvas.
    const Piece pieces[] = {
        {false, 0, 0, tlw, tlh, tlw, tlh, 0, 0},                                 // top-left
        {true, tlw, 0, tlw + ttw, tth, cw - tlw - trw, tlh, tlw, 0},             // top
        {false, tlw + ttw, 0, fw, trh, trw, tlh, cw - trw, 0},                   // top-right
        {true, 0, tlh, lw, tlh + lth, lw, ch - tlh - blh, 0, tlh},               // left
        {true, fw - rw, tlh, fw, tlh + rth, rw, ch - tlh - blh, cw - rw, tlh},   // right
        {false, 0, fh - blh, blw, fh, blw, blh, 0, ch - blh},                    // bottom-left
        {true, tlw, fh - blh, fw - brw, fh, cw - blw - brw, blh, blw, ch - blh}, // bottom
        {false, fw - brw, fh - brh, fw, fh, brw, blh, cw - brw, ch - brh},       // bottom-right
    };

    TBitmap32 piece, tile; // scratch, dmOpaque: their pixels replace what lies below
    for (const Piece& p : pieces) {
        if (p.tiled)
            PutEdge(canvas, frame, p, piece, tile);
        else
            PutCorner(canvas, frame, p, piece);
    }

    canvas.Draw(placement.PhotoX(), placement.PhotoY(), photo);
    photo.Assign(canvas); // shares the canvas's pixels: no further copy
}

void ApplyFrameTemplate(TBitmap32& photo, TBitmap32& frame, const TFrameSpec& placement) {
    if (placement.StretchToPhoto() != 0)
        StretchFrame(photo, frame);
    else
        ComposeFrame(photo, frame, placement);
}

void ApplyMaskTo(TBitmap32& photo, TBitmap32& mask) {
    ResampleBitmap(mask, photo.Width(), photo.Height(), sfLanczos);
    mask.DrawMode = dmBlend;
    photo.Draw(0, 0, mask);
}

} // namespace lumetta
