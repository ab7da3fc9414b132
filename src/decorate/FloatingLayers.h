#pragma once
// Clip-art and text layers floating over a picture, and their merge into it. The main window's
// preview and the batch decorator both build and merge layers through these functions, so a
// decoration comes out the same pixel for pixel whichever of them made it.
#include "imaging/Bitmap32.h"
#include "view/ImgView32.h"

#include <string>

namespace lumetta {

// A new layer on top of the view's layers holding a copy of bitmap in dmBlend, placed at
// location in picture coordinates (Scaled). The layer is freed again if anything fails.
TBitmapLayer* AddPictureLayer(TImgView32& view, const TBitmap32& bitmap,
                              const TFloatRect& location);

// The bitmap of a text layer: (text width + 20) x (text height + 20), transparent black except
// the glyph pixels, which are the font's colour with alpha 255; the text starts 10 pixels in
// from the left and the top. Drawn without anti-aliasing by the installed text rasteriser.
TBitmap32 TextLayerBitmap(const TFontDesc& font, const std::string& text);

// Renders the view's picture with every visible layer blended over it at picture scale (each
// layer's bitmap stretched by nearest neighbour to its location rounded to whole pixels),
// removes every layer and makes target a copy of the result. Target may be the view's picture.
void FlattenLayers(TImgView32& view, TBitmap32& target);

} // namespace lumetta
