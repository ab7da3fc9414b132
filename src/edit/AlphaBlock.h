#pragma once
// The alpha block that travels on the clipboard beside a standard (opaque) picture, so that a
// copy between two Lumetta processes keeps every pixel's alpha:
//   offset 0: N, the pixel count, unsigned 32-bit little-endian
//   offset 4: N alpha bytes in pixel order (rows top to bottom, each row left to right)
// Nothing else: width and height are those of the picture copied with it.
#include "base/Error.h"
#include "imaging/Bitmap32.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetta {

// A failed internal check; the text is the message followed by " (file, line n)".
class EAssertionFailed : public Error {
    using Error::Error;
};

// The block for the bitmap: 4 + width x height bytes.
std::vector<std::uint8_t> MakeAlphaBlock(const TBitmap32& bitmap);

// Gives the bitmap's pixels the alpha bytes of the block. A count other than the bitmap's pixel
// count raises EAssertionFailed "Alpha count does not match Bitmap pixel count, ..." and a block
// shorter than its count says raises EReadError "Stream read error"; either way the bitmap is
// left unchanged.
void ApplyAlphaBlock(TBitmap32& bitmap, const std::uint8_t* block, std::size_t size);

} // namespace lumetta
