// Text measurement and rendering of TBitmap32 through the installed text rasteriser.
#include "imaging/Bitmap32.h"

namespace lumetta {

int TBitmap32::TextWidth(const std::string& text) const {
    ITextRasterizer* r = GetTextRasterizer();
    return r ? r->TextWidth(Font, text, true) : 0;
}

int TBitmap32::TextHeight(const std::string& text) const {
    ITextRasterizer* r = GetTextRasterizer();
    return r ? r->TextHeight(Font, text, true) : 0;
}

// The glyphs are drawn white without anti-aliasing into a transparent scratch bitmap, so a
// pixel's blue byte is its coverage: 255 on a glyph, 0 elsewhere. That byte becomes the alpha
// of the requested colour, and the scratch is blended on, so only glyph pixels change. The
// aaLevel is always 0 and is not used: glyphs are always drawn without anti-aliasing here.
void TBitmap32::RenderText(int x, int y, const std::string& text, int /*aaLevel*/, TColor32 color) {
    if (Empty()) return;
    ITextRasterizer* r = GetTextRasterizer();
    if (!r) return;
    const std::string extent = text + " ";
    TBitmap32 scratch;
    scratch.SetSize(r->TextWidth(Font, extent, false), r->TextHeight(Font, extent, false));
    if (scratch.Empty()) return;
    r->DrawText(scratch, 0, 0, Font, text, 0xFFFFFFFFu, false);
    const TColor32 rgb = color & 0x00FFFFFFu;
    TColor32* p = scratch.Bits();
    const std::size_t n = scratch.PixelCount();
    for (std::size_t i = 0; i < n; ++i)
        if (p[i] != 0) p[i] = ((p[i] & 0xFFu) << 24) | rgb;
    scratch.DrawMode = dmBlend;
    Draw(x, y, scratch);
}

} // namespace lumetta
