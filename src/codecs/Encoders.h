#pragma once
// Writing pictures: the four file types of the Save File command.
//
// Every encoder reads the bitmap's rows as they are in memory (B, G, R, A bytes per pixel) and
// returns the whole file in memory; SavePicture then replaces the target file atomically, so a
// failed encode or a full disk never leaves a damaged file where a good one was. None of the
// four files carries transparency: every encoder writes the picture flattened onto white
// (imaging/Transparency.h), so a transparent area looks in the file as it does on paper. An
// opaque picture is written exactly as stored.
//
// An empty picture is refused with EImageError "Cannot save an empty picture" rather than
// written as a file that no reader accepts.
#include "imaging/Bitmap32.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

// The save dialog's file type index; any other value writes JPEG.
enum TSaveFileType : int { sftJpeg = 1, sftPng = 2, sftBmp = 3, sftGif = 4 };

// Baseline JFIF JPEG, three components (YCbCr), the library's standard tables, not
// progressive. `quality` is clamped to 1..100 (0 acts as 1). Pictures wider or taller than
// 65500 pixels cannot be held by the format and raise EImageError.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& picture, int quality);

// 8-bit RGB PNG (colour type 2), not interlaced, no transparency; exactly the chunks IHDR,
// IDAT (each at most 65535 bytes of data) and IEND; every row filtered with Sub (type 1);
// deflate level 7.
std::vector<std::uint8_t> EncodePng(const TBitmap32& picture);

// Uncompressed BMP: 14-byte file header, 40-byte info header, 32 bits per pixel, rows
// bottom-up; the fourth byte of every pixel is the flattened picture's alpha, 255.
std::vector<std::uint8_t> EncodeBmp(const TBitmap32& picture);

// GIF87a, one image, a global table of the 256 colours of HalftonePalette(), LZW; colours
// reduced by DitherToHalftone. Sides over 65535 pixels raise EImageError.
std::vector<std::uint8_t> EncodeGif(const TBitmap32& picture);

// Encodes by file type index (1 JPEG, 2 PNG, 3 BMP, 4 GIF, anything else JPEG).
std::vector<std::uint8_t> EncodePicture(const TBitmap32& picture, int fileType, int jpegQuality);

// The file type a name's extension asks for, case-insensitively: ".jpg" and ".jpeg" JPEG,
// ".png" PNG, ".bmp" BMP, ".gif" GIF; 0 for any other extension or none.
int FileTypeOfName(const std::string& path);
// The extension (without the dot) written for a file type: "jpg", "png", "bmp", "gif"; any
// other type is JPEG's.
const char* FileTypeExtension(int fileType);

// Encodes, then writes the file atomically. Throws EFileError
// "Cannot create file "<path>". <reason>" when it cannot be written; the old file, if any,
// stays as it was.
void SavePicture(const TBitmap32& picture, const std::string& path, int fileType, int jpegQuality);

// ---- GIF colour reduction ----

// The fixed 256-colour halftone palette (opaque 0xFFRRGGBB entries):
//   entries 0..215:   the 6 x 6 x 6 colour cube, index 36 r + 6 g + b, channel level i * 51;
//   entries 216..255: the 40 greys round(k * 255 / 45) for k = 1..44 not a multiple of 9, in
//                     rising order (the multiples of 9 are the cube's own six greys).
const std::array<TColor32, 256>& HalftonePalette();

// The entry nearest to (r, g, b) by squared RGB distance, the lowest index on a tie. Exact,
// without searching the palette: see GifEncoder.cpp.
int NearestHalftoneIndex(int r, int g, int b);

// Reduces the picture to palette indices (row-major, top row first) with Floyd–Steinberg error
// diffusion in serpentine order: even rows left to right, odd rows right to left. Each channel's
// error is held in sixteenths and added to the pixel as (error + 8) / 16, truncated toward zero;
// the sum is clamped to 0..255 before the lookup, and the difference between it and the chosen
// entry is spread 7/16 ahead in the row, 3/16 diagonally behind on the next row, 5/16 below and
// 1/16 diagonally ahead on the next row. Error leaving the picture is dropped.
std::vector<std::uint8_t> DitherToHalftone(const TBitmap32& picture);

} // namespace lumetta
