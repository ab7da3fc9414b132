// Text measurement and rendering of TBitmap32 through the installed text rasteriser.
#include "imaging/Bitmap32.h"

#include <algorithm>

namespace lumetta {

// Text is always drawn without anti-aliasing here, so it is measured that way too: hinted
// glyph advances differ between the two, and a box measured one way would cut text drawn the
// other.
int TBitmap32::TextWidth(const std::string& text) const {
    ITextRasterizer* r = GetTextRasterizer();
    return r ? r->TextWidth(Font, text, false) : 0;
}

int TBitmap32::TextHeight(const std::string& text) const {
    ITextRasterizer* r = GetTextRasterizer();
    return r ? r->TextHeight(Font, text, false) : 0;
}

TBitmap32 RenderTextCoverage(const TFontDesc& font, const std::string& text, int& pad) {
    TBitmap32 scratch;
    pad = 0;
    ITextRasterizer* r = GetTextRasterizer();
    if (!r) return scratch;
    const int advance = std::max(0, r->TextWidth(font, text, false));
    const int height = std::max(0, r->TextHeight(font, text, false));
    // A line height on every side holds any overhang a real font has.
    pad = std::max(height, 16);
    scratch.SetSize(advance + 2 * pad, height + 2 * pad);
    r->DrawText(scratch, pad, pad, font, text, 0xFFFFFFFFu, false);
    return scratch;
}

// The coverage becomes the alpha of the requested colour and the scratch is blended on, so only
// glyph pixels change. The aaLevel is always 0 and is not used.
void TBitmap32::RenderText(int x, int y, const std::string& text, int /*aaLevel*/, TColor32 color) {
    if (Empty()) return;
    int pad = 0;
    TBitmap32 scratch = RenderTextCoverage(Font, text, pad);
    if (scratch.Empty()) return;
    const TColor32 rgb = color & 0x00FFFFFFu;
    TColor32* p = scratch.Bits();
    const std::size_t n = scratch.PixelCount();
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) p[i] = ((p[i] & 0xFFu) << 24) | rgb;
    scratch.DrawMode = dmBlend;
    Draw(x - pad, y - pad, scratch);
}

} // namespace lumetta
