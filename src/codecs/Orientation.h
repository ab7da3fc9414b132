#pragma once
// The orientation tag of photos: cameras store the sensor's rows as they were read and note in
// a tag (EXIF in JPEG files, the TIFF orientation field in TIFF files, the same tag number 274)
// how the picture is to be turned to be seen upright.
//
// The decoders give the pixels as stored; LoadPictureFile and LoadImageFile turn JPEG and TIFF
// pictures upright afterwards (see SetUprightPhotos in codecs/ImageIO.h), in this one place.
#include "imaging/Bitmap32.h"

#include <cstddef>
#include <cstdint>

namespace lumetta {

// The orientation of a JPEG (first EXIF block before the image data) or TIFF (first image)
// file held in memory: 1 to 8 as the tag defines them, 1 when there is no tag or it is not
// valid. Never reads outside the bytes given and never fails.
int ReadPictureOrientation(const std::uint8_t* data, std::size_t size);

// Turns and mirrors a picture stored with the orientation so that it shows upright:
// 2 mirrored left-right, 3 turned half round, 4 mirrored top-bottom, 5 mirrored along the
// diagonal, 6 turned a quarter clockwise, 7 mirrored along the other diagonal, 8 turned a quarter
// counter-clockwise. 1 and values outside 1..8 change nothing.
void OrientUpright(TBitmap32& picture, int orientation);

} // namespace lumetta
