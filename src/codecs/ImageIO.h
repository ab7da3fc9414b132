#pragma once
// Reading pictures from files and streams into a TBitmap32.
//
// Decoders are chosen by the file name's extension (case ignored). Every decoder reads the
// whole file into memory first and never reads outside it; sizes are validated before any
// pixel storage is obtained, and pictures over kMaxPicturePixels or kMaxPictureSide
// (imaging/Bitmap32.h) are refused with "<file> is too large to open (W x H pixels)". Damaged and
// truncated files raise EImageError; a bitmap is never changed by a load that fails.
#include "base/Stream.h"
#include "imaging/Bitmap32.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumetta {

struct TPictureFormat {
    std::string Extension;   // lower case, without the dot ("jpg")
    std::string Description; // the open dialog's label ("JPG images")
    bool HasDecoder = false;
};

// Every recognised extension in registration order; the open dialog lists "All" first and then
// one entry per extension.
const std::vector<TPictureFormat>& RegisteredFormats();
// True when LoadPictureFile can decode files with this extension (with or without the dot).
bool HasPictureDecoder(const std::string& extension);

// Whether LoadPictureFile, LoadPictureData and LoadImageFile turn JPEG and TIFF pictures upright
// by their orientation tag (codecs/Orientation.h). On by default; the program sets it from the
// settings.
void SetUprightPhotos(bool on);
bool UprightPhotos();

// Decodes the file with the decoder of its extension. Unknown extensions raise EImageError
// "Unknown picture file extension (.xyz)"; a file that cannot be read raises EFileError;
// undecodable data raises EImageError. The bitmap keeps DrawMode and its other properties.
// A picture that decoded but not whole (a JPEG cut short: grey, or blurred, where data is missing)
// puts a sentence saying so into `notice` when one is given; otherwise it is left alone.
void LoadPictureFile(TBitmap32& bitmap, const std::string& path, std::string* notice = nullptr);

// Same as LoadPictureFile on bytes already in memory; `name` only labels error messages.
void LoadPictureData(TBitmap32& bitmap, const std::uint8_t* data, std::size_t size,
                     const std::string& extension, const std::string& name);

// Tests and loads a photo: decodes by extension (so content that does not match the extension
// fails) and, for a file with the PNG signature, takes the PNG transparency rules of
// LoadPngIntoBitmap. Returns false on any failure without raising; `bitmap` changes only on
// success. When `asPictureFile` is given it also receives, on success, exactly what
// LoadPictureFile would produce for the path; the file is decoded once. `notice` as for
// LoadPictureFile.
bool LoadImageFile(const std::string& path, TBitmap32& bitmap, TBitmap32* asPictureFile = nullptr,
                   std::string* notice = nullptr);

// False when the file does not exist; otherwise whether its first four bytes are the PNG
// signature. A file shorter than four bytes raises EReadError "Stream read error".
bool IsPngFile(const std::string& path);

// Decodes the PNG that starts at the stream's current position, with its transparency as
// alpha: an alpha channel is kept; a single transparent colour (grey/RGB tRNS, or a palette
// whose transparency values are only 0 and 255) gives alpha 0 to every pixel of that colour;
// a palette with partial transparency stays opaque. On success the stream is left after the
// PNG's last chunk. Damaged or non-PNG data raises EImageError.
void LoadPngIntoBitmap(TBitmap32& bitmap, TMemoryStream& stream);
void LoadPngIntoBitmap(TBitmap32& bitmap, const std::string& path);

} // namespace lumetta
