#include "decorate/TextLayer.h"

#include <algorithm>

namespace lumetta {

namespace {

constexpr int kMargin = 10;

// The smallest rectangle holding every non-zero pixel, or an empty one.
TRect InkBounds(const TBitmap32& b) {
    TRect ink{b.Width(), b.Height(), 0, 0};
    for (int y = 0; y < b.Height(); ++y) {
        const TColor32* row = b.ConstScanLine(y);
        int first = 0;
        while (first < b.Width() && row[first] == 0)
            ++first;
        if (first == b.Width()) continue;
        int last = b.Width() - 1;
        while (row[last] == 0)
            --last;
        ink.Left = std::min(ink.Left, first);
        ink.Right = std::max(ink.Right, last + 1);
        ink.Top = std::min(ink.Top, y);
        ink.Bottom = y + 1;
    }
    return ink;
}

} // namespace

TBitmap32 RenderTextLayer(const TFontDesc& font, const std::string& text) {
    TBitmap32 layer;
    layer.DrawMode = dmBlend;
    int pad = 0;
    const TBitmap32 scratch = RenderTextCoverage(font, text, pad);
    if (scratch.Empty() && pad == 0) return layer;
    // The text box, widened to every pixel drawn.
    TRect box{pad, pad, scratch.Width() - pad, scratch.Height() - pad};
    const TRect ink = InkBounds(scratch);
    if (!ink.IsEmpty()) {
        box.Left = std::min(box.Left, ink.Left);
        box.Top = std::min(box.Top, ink.Top);
        box.Right = std::max(box.Right, ink.Right);
        box.Bottom = std::max(box.Bottom, ink.Bottom);
    }
    layer.SetSize(box.Width() + 2 * kMargin, box.Height() + 2 * kMargin);
    // The glyphs were drawn white without anti-aliasing: the blue byte is the coverage.
    const TColor32 rgb = WinColorToColor32(font.Color) & 0x00FFFFFFu;
    for (int y = 0; y < box.Height(); ++y) {
        const TColor32* from = scratch.ConstScanLine(box.Top + y) + box.Left;
        TColor32* to = layer.ScanLine(kMargin + y) + kMargin;
        for (int x = 0; x < box.Width(); ++x)
            to[x] = from[x] != 0 ? ((from[x] & 0xFFu) << 24) | rgb : 0u;
    }
    layer.Changed();
    return layer;
}

void TTextLayer::NoteFlip(bool horizontal) {
    // With H the left-right mirror and R a clockwise quarter turn: H R = R^-1 H, and the
    // top-bottom mirror is R^2 H. So H after R^t H^m is R^-t H^(m+1), and V after it is
    // R^(2-t) H^(m+1).
    Turns = ((horizontal ? 0 : 2) - Turns + 4) % 4;
    Mirrored = !Mirrored;
}

void TTextLayer::NoteTurn(bool clockwise) {
    Turns = (Turns + (clockwise ? 1 : 3)) % 4;
}

TBitmap32 TTextLayer::RenderTurned(const std::string& text, const TFontDesc& font) const {
    TBitmap32 picture = RenderTextLayer(font, text);
    if (picture.Empty()) return picture;
    if (Mirrored) picture.FlipHorz();
    for (int i = 0; i < Turns; ++i)
        picture.Rotate90();
    return picture;
}

} // namespace lumetta
