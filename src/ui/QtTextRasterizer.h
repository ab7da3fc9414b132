#pragma once
// The core's text rasteriser implemented with Qt fonts. Metrics and glyphs are produced for a
// 96-dpi device whatever the screen, so a 28-point font is the same size everywhere (offscreen,
// Xvfb, a real display).
#include "imaging/Bitmap32.h"

#include <QFont>

namespace lumetta::ui {

QFont ToQFont(const TFontDesc& font, bool antialiased);

class QtTextRasterizer : public ITextRasterizer {
public:
    int TextWidth(const TFontDesc& font, const std::string& text, bool antialiased) override;
    int TextHeight(const TFontDesc& font, const std::string& text, bool antialiased) override;
    void DrawText(TBitmap32& target, int x, int y, const TFontDesc& font, const std::string& text,
                  TColor32 color, bool antialiased) override;
};

} // namespace lumetta::ui
