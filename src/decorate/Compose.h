#pragma once
// Composing library objects into the photo: frames and shadows built from the nine pieces of a
// template (or a template stretched over the photo), and masks laid over it.
#include "imaging/Bitmap32.h"
#include "library/ObjectCatalog.h"

namespace lumetta {

// Fills destination with copies of tile from its top-left corner, row by row, the last ones
// cut at the right and bottom edges. False when either bitmap has a width or height of 0, or
// when drawing fails.
bool TileBitmap(TBitmap32& destination, const TBitmap32& tile);

// Resamples frame to the photo's size (Lanczos), sets its draw mode to dmBlend and blends it
// onto the photo. The photo keeps its size. An empty photo raises ETransformError
// "Destination bitmap is nil or empty".
void StretchFrame(TBitmap32& photo, TBitmap32& frame);

// Replaces the photo by a canvas of (photo width + ExtraWidth) x (photo height + ExtraHeight)
// holding the eight template pieces around the photo placed at (PhotoX, PhotoY). Template
// pieces are taken with the template's current draw mode. A piece whose source rectangle
// reaches outside the template raises ETransformError "Source rectangle is invalid", and a
// canvas beyond the picture limits CheckPictureSize's error; either leaves the photo unchanged.
void ComposeFrame(TBitmap32& photo, const TBitmap32& frame, const TFrameSpec& placement);

// A frame or shadow by its placement record: StretchFrame when StretchToPhoto is not 0 (the
// template is then resampled in place and left in dmBlend), ComposeFrame otherwise.
void ApplyFrameTemplate(TBitmap32& photo, TBitmap32& frame, const TFrameSpec& placement);

// Resamples the mask to the photo's size (Lanczos, each direction independently), sets its
// draw mode to dmBlend and blends it onto the photo.
void ApplyMaskTo(TBitmap32& photo, TBitmap32& mask);

} // namespace lumetta
