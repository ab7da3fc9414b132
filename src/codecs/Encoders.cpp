// Choosing the encoder by file type, the BMP writer and the atomic write.
#include "codecs/Encoders.h"

#include "base/SafeFile.h"
#include "codecs/EncoderCommon.h"
#include "imaging/Transparency.h"

#include <cstring>

namespace lumetta {

namespace codecs {

void RequirePicture(const TBitmap32& picture) {
    if (picture.Empty()) throw EImageError("Cannot save an empty picture");
}

void FailEncode(const char* format, const std::string& detail) {
    throw EImageError(std::string("Cannot write the picture as ") + format + " (" + detail + ")");
}

void RequireSides(const TBitmap32& picture, const char* format, int maxSide) {
    if (picture.Width() <= maxSide && picture.Height() <= maxSide) return;
    FailEncode(format, "the picture is " + std::to_string(picture.Width()) + " x " +
                           std::to_string(picture.Height()) + " pixels; " + format +
                           " allows at most " + std::to_string(maxSide) + " pixels on a side");
}

} // namespace codecs

namespace {

void PutLe16(std::uint8_t* p, unsigned v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

constexpr std::size_t kBmpHeaders = 14 + 40;
// 96 pixels per inch, the screen's resolution, in pixels per metre.
constexpr std::uint32_t kBmpPixelsPerMetre = 3780;

} // namespace

std::vector<std::uint8_t> EncodeBmp(const TBitmap32& input) {
    codecs::RequirePicture(input);
    // The file keeps no alpha: transparent pixels are written flattened onto white.
    const TBitmap32 picture = FlattenedOnto(input);
    const std::size_t rowBytes = std::size_t(picture.Width()) * 4;
    const std::uint64_t imageBytes = std::uint64_t(rowBytes) * std::uint64_t(picture.Height());
    // The file header holds the file's size in 32 bits.
    if (imageBytes + kBmpHeaders > 0xFFFFFFFFu)
        codecs::FailEncode("BMP", "the picture is too large");

    std::vector<std::uint8_t> file(kBmpHeaders + std::size_t(imageBytes));
    std::uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(h + 2, std::uint32_t(file.size()));
    PutLe32(h + 10, std::uint32_t(kBmpHeaders)); // pixel data offset
    PutLe32(h + 14, 40);                         // info header size
    PutLe32(h + 18, std::uint32_t(picture.Width()));
    PutLe32(h + 22, std::uint32_t(picture.Height())); // positive: bottom-up
    PutLe16(h + 26, 1);                               // planes
    PutLe16(h + 28, 32);                              // bits per pixel
    PutLe32(h + 30, 0);                               // BI_RGB, uncompressed
    PutLe32(h + 34, std::uint32_t(imageBytes));
    PutLe32(h + 38, kBmpPixelsPerMetre);
    PutLe32(h + 42, kBmpPixelsPerMetre);
    // Colours used and important colours stay 0.

    // TColor32 is B, G, R, A in memory: each row is copied as it is, bottom row first.
    std::uint8_t* out = h + kBmpHeaders;
    for (int y = picture.Height() - 1; y >= 0; --y, out += rowBytes)
        std::memcpy(out, picture.ConstScanLine(y), rowBytes);
    return file;
}

std::vector<std::uint8_t> EncodePicture(const TBitmap32& picture, int fileType, int jpegQuality) {
    switch (fileType) {
    case sftPng:
        return EncodePng(picture);
    case sftBmp:
        return EncodeBmp(picture);
    case sftGif:
        return EncodeGif(picture);
    default:
        return EncodeJpeg(picture, jpegQuality);
    }
}

int FileTypeOfName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (ext == "jpg" || ext == "jpeg") return sftJpeg;
    if (ext == "png") return sftPng;
    if (ext == "bmp") return sftBmp;
    if (ext == "gif") return sftGif;
    return 0;
}

const char* FileTypeExtension(int fileType) {
    switch (fileType) {
    case sftPng:
        return "png";
    case sftBmp:
        return "bmp";
    case sftGif:
        return "gif";
    default:
        return "jpg";
    }
}

void SavePicture(const TBitmap32& picture, const std::string& path, int fileType, int jpegQuality) {
    WriteFileAtomically(path, EncodePicture(picture, fileType, jpegQuality));
}

} // namespace lumetta
