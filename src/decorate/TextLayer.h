#pragma once
// The picture of a text layer: a line of text rendered once into a transparent bitmap.
#include "imaging/Bitmap32.h"
#include "view/Layers.h"

#include <string>

namespace lumetta {

// The text drawn without anti-aliasing, glyph pixels opaque in the font's colour and everything
// else transparent black, in blend mode. The text box (advance x line height) starts 10 pixels
// in from the left and top edges; the bitmap reaches at least 10 pixels beyond both the box and
// every pixel actually drawn, so overhanging glyphs (italics, wide letters) are never cut.
// Empty when no text rasteriser is installed or the text draws nothing and measures nothing.
TBitmap32 RenderTextLayer(const TFontDesc& font, const std::string& text);

// A floating text layer: its picture, and what the picture was drawn from, so that the text
// can be changed later and drawn again where the layer is.
class TTextLayer : public TBitmapLayer {
public:
    explicit TTextLayer(TLayerCollection& collection) : TBitmapLayer(collection) {}

    std::string Text;
    TFontDesc Font;
    // How the bitmap has been mirrored and turned since it was drawn: mirrored left-right first
    // when Mirrored, then Turns quarter turns clockwise (0..3). Every sequence of flips and
    // turns comes down to one of these eight.
    bool Mirrored = false;
    int Turns = 0;

    // Note a flip or quarter turn made on the bitmap.
    void NoteFlip(bool horizontal);
    void NoteTurn(bool clockwise);
    // The text drawn in the font, mirrored and turned as noted (empty when it draws nothing).
    TBitmap32 RenderTurned(const std::string& text, const TFontDesc& font) const;
};

} // namespace lumetta
