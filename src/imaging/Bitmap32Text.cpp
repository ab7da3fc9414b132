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

// The glyphs are drawn white without anti-aliasing into a transparent scratch bitmap, so a
// pixel's blue byte is its coverage: 255 on a glyph, 0 elsewhere. That byte becomes the alpha
// of the requested colour, and the scratch is blended on, so only glyph pixels change. The
// scratch reaches a line height beyond the text box on every side, so glyphs that overhang
// their advance are drawn whole. The aaLevel is always 0 and is not used.
void TBitmap32::RenderText(int x, int y, const std::string& text, int /*aaLevel*/, TColor32 color) {
    if (Empty()) return;
    ITextRasterizer* r = GetTextRasterizer();
    if (!r) return;
    const int advance = std::max(0, r->TextWidth(Font, text, false));
    const int height = std::max(0, r->TextHeight(Font, text, false));
    const int pad = std::max(height, 16);
    TBitmap32 scratch;
    scratch.SetSize(advance + 2 * pad, height + 2 * pad);
    r->DrawText(scratch, pad, pad, Font, text, 0xFFFFFFFFu, false);
    const TColor32 rgb = color & 0x00FFFFFFu;
    TColor32* p = scratch.Bits();
    const std::size_t n = scratch.PixelCount();
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) p[i] = ((p[i] & 0xFFu) << 24) | rgb;
    scratch.DrawMode = dmBlend;
    Draw(x - pad, y - pad, scratch);
}

} // namespace lumetta
