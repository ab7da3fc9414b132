#pragma once
// One rule for transparent pixels wherever a picture leaves memory.
//
// The picture in memory keeps its alpha (Copy, the history and the layers carry it). What cannot
// carry alpha shows the picture flattened onto white paper by the blend rule: the file types
// written without alpha (JPEG, PNG as RGB, BMP, GIF) and printing. The views draw it over a light
// checkerboard instead (TImgView32), so that transparent areas look transparent on screen.
//
// Flattening an opaque picture changes nothing, so its files stay byte for byte what they were.
#include "imaging/Bitmap32.h"

#include <cstddef>

namespace lumetta {

constexpr TColor32 kPaperWhite = 0xFFFFFFFFu;

// True when any pixel's alpha is below 255 (an empty picture has none).
bool HasTransparency(const TBitmap32& picture);

// Every pixel of the row blended onto the opaque colour `ground` by the blend rule: alpha 255
// stays as it is, alpha 0 becomes the ground, anything between is mixed; the result is opaque.
// dst and src may be the same row.
void FlattenRowOnto(TColor32* dst, const TColor32* src, std::size_t count, TColor32 ground);

// The picture flattened onto `ground` (opaque). An opaque picture comes back sharing its pixels:
// no copy is made. The draw mode is copied.
TBitmap32 FlattenedOnto(const TBitmap32& picture, TColor32 ground = kPaperWhite);

} // namespace lumetta
