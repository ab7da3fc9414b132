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
// The same for a layer just added to a view (a kind derived from TBitmapLayer, such as a text
// layer): it takes the copy, the draw mode and the location, or is freed if anything fails.
void PlacePictureLayer(TBitmapLayer* layer, const TBitmap32& bitmap, const TFloatRect& location);

// Clip art is drawn large enough for the photos of today's cameras. On a smaller picture it
// comes no larger than half the picture's shorter side, resampled (with premultiplied colours,
// so that no dark rim appears) to stay smooth; art that is smaller already keeps its pixels.
// The window and the batch decorator both size new clip art this way.
void FitClipArtTo(TBitmap32& art, int pictureWidth, int pictureHeight);

// Target := the view's picture with every visible layer blended over it at picture scale, each
// layer's bitmap stretched by nearest neighbour to its location rounded to whole pixels. The
// layers stay. Target may be the view's own picture.
void RenderWithLayers(TImgView32& view, TBitmap32& target);

} // namespace lumetta
