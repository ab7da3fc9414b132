#pragma once
// What the encoders share. Internal to src/codecs.
#include "imaging/Bitmap32.h"

#include <string>

namespace lumetta::codecs {

// Raises EImageError "Cannot save an empty picture" for a picture without pixels.
void RequirePicture(const TBitmap32& picture);

// Raises EImageError "Cannot write the picture as <format> (<detail>)".
[[noreturn]] void FailEncode(const char* format, const std::string& detail);

// Refuses a side the format cannot hold ("the picture is W x H pixels; <format> allows at
// most N pixels on a side").
void RequireSides(const TBitmap32& picture, const char* format, int maxSide);

} // namespace lumetta::codecs
