#pragma once
// Clip-art and text layers floating over a picture, and the picture rendered with them. The
// photo document and the batch decorator both make and merge layers through these functions,
// so a decoration comes out the same pixel for pixel whichever of them made it.
#include "imaging/Bitmap32.h"
#include "view/ImgView32.h"

namespace lumetta {

// A new layer on top of the view's layers holding a copy of bitmap in dmBlend, placed at
// location in picture coordinates (Scaled). The layer is freed again if anything fails.
TBitmapLayer* AddPictureLayer(TImgView32& view, const TBitmap32& bitmap,
                              const TFloatRect& location);

// Target := the view's picture with every visible layer blended over it at picture scale, each
// layer's bitmap stretched by nearest neighbour to its location rounded to whole pixels. The
// layers stay. Target may be the view's own picture.
void RenderWithLayers(TImgView32& view, TBitmap32& target);

} // namespace lumetta
