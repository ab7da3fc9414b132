#pragma once
// The picture of a text layer: a line of text rendered once into a transparent bitmap.
#include "imaging/Bitmap32.h"

#include <string>

namespace lumetta {

// The text drawn without anti-aliasing, glyph pixels opaque in the font's colour and everything
// else transparent black, in blend mode. The text box (advance x line height) starts 10 pixels
// in from the left and top edges; the bitmap reaches at least 10 pixels beyond both the box and
// every pixel actually drawn, so overhanging glyphs (italics, wide letters) are never cut.
// Empty when no text rasteriser is installed or the text draws nothing and measures nothing.
TBitmap32 RenderTextLayer(const TFontDesc& font, const std::string& text);

} // namespace lumetta
