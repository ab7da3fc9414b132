#pragma once
// What the decoders share: the bytes of one file, bounds-checked reading, the size limits and
// the error texts. Internal to src/codecs.
#include "codecs/ImageIO.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumetta::codecs {

// One picture's bytes in memory and how to name it in messages.
class DecodeContext {
public:
    DecodeContext(const std::uint8_t* data, std::size_t size, std::string name, const char* format)
        : data(data), size(size), name(std::move(name)), format(format) {}

    const std::uint8_t* data;
    std::size_t size;
    std::string name;   // file name without folder, or a label for in-memory data
    const char* format; // "BMP", "JPEG" ... for messages
    // Receives what the user should know about a picture that did decode (a file cut short);
    // none when the caller does not ask.
    std::string* notice = nullptr;

    void Notice(const std::string& text) const {
        if (notice) *notice = text;
    }

    // Raises "<name> is not a valid <format> picture (<detail>)".
    [[noreturn]] void Fail(const std::string& detail) const;
    [[noreturn]] void Truncated() const { Fail("the data ends too early"); }
    // Refuses empty sizes as damage and sizes over the limits as too large.
    void CheckSize(std::int64_t width, std::int64_t height) const;
    // Fails as truncated unless `needed` bytes are available. Called before the picture is
    // made, so that a few bytes claiming a huge picture cost nothing.
    void Need(std::size_t available, std::uint64_t needed) const {
        if (needed > available) Truncated();
    }
    // A picture of the checked size, zero-filled (transparent black).
    TBitmap32 NewPicture(std::int64_t width, std::int64_t height) const;
};

[[noreturn]] void ThrowTooLarge(const std::string& name, std::int64_t width, std::int64_t height);

// Sequential little- and big-endian reading that fails as truncated instead of reading past
// the end.
class ByteReader {
public:
    explicit ByteReader(const DecodeContext& ctx, std::size_t pos = 0) : ctx_(ctx), pos_(pos) {
        if (pos > ctx.size) ctx.Truncated();
    }
    std::size_t Pos() const { return pos_; }
    std::size_t Remaining() const { return ctx_.size - pos_; }
    bool AtEnd() const { return pos_ >= ctx_.size; }
    void Seek(std::size_t pos) {
        if (pos > ctx_.size) ctx_.Truncated();
        pos_ = pos;
    }
    void Skip(std::size_t n) {
        if (n > Remaining()) ctx_.Truncated();
        pos_ += n;
    }
    // Pointer to the next n bytes, which are then consumed.
    const std::uint8_t* Take(std::size_t n) {
        if (n > Remaining()) ctx_.Truncated();
        const std::uint8_t* p = ctx_.data + pos_;
        pos_ += n;
        return p;
    }
    std::uint8_t U8() { return *Take(1); }
    std::uint16_t U16LE() {
        const std::uint8_t* p = Take(2);
        return std::uint16_t(p[0] | (p[1] << 8));
    }
    std::uint32_t U32LE() {
        const std::uint8_t* p = Take(4);
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
               (std::uint32_t(p[3]) << 24);
    }
    std::int32_t I32LE() { return std::int32_t(U32LE()); }

private:
    const DecodeContext& ctx_;
    std::size_t pos_;
};

// Overflow-checked size arithmetic for buffer sizes; fails the decode as damaged.
std::size_t CheckedMul(const DecodeContext& ctx, std::size_t a, std::size_t b);
std::size_t CheckedAdd(const DecodeContext& ctx, std::size_t a, std::size_t b);

using Palette = std::array<TColor32, 256>;

// A palette of opaque black entries.
inline Palette BlackPalette() {
    Palette p;
    p.fill(0xFF000000u);
    return p;
}

// Some writers leave the fourth byte of 32-bit pixels unused (always 0): such a picture would
// be entirely invisible, so it is read as opaque instead.
void MendUnusedAlpha(TBitmap32& picture);

// The whole file, or EFileError when it cannot be read.
struct FileBytes {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};
FileBytes ReadWholeFile(const std::string& path);
std::string FileNameOf(const std::string& path);

// ---- the decoders; each writes a fresh picture into `out` ----
void DecodeBmp(const DecodeContext& ctx, TBitmap32& out);
void DecodeTga(const DecodeContext& ctx, TBitmap32& out);
void DecodePnm(const DecodeContext& ctx, TBitmap32& out);
void DecodePcx(const DecodeContext& ctx, TBitmap32& out);
void DecodeJpeg(const DecodeContext& ctx, TBitmap32& out);
void DecodeGif(const DecodeContext& ctx, TBitmap32& out);
void DecodeTiff(const DecodeContext& ctx, TBitmap32& out);

// PNG is decoded once and then read two ways: as a picture file (every kind of transparency
// becomes the alpha channel) and by the object-image rules of LoadPngIntoBitmap.
enum class PngTransparency {
    None,          // no alpha channel and no tRNS chunk
    AlphaChannel,  // colour type 4 or 6
    SingleColour,  // grey/RGB tRNS, or a palette whose tRNS values are only 0 and 255
    PartialPalette // a palette with tRNS values between 0 and 255
};
struct PngPicture {
    TBitmap32 pixels; // colours unblended; alpha from the alpha channel or tRNS
    PngTransparency transparency = PngTransparency::None;
    std::array<TColor32, 257> transparentColours{}; // palette keys: RGB only, alpha bits 0
    int transparentCount = 0;
    bool indexed = false;     // colour type 3: the keys are palette colours
    std::size_t consumed = 0; // bytes read up to and including the last chunk read
};
void DecodePng(const DecodeContext& ctx, PngPicture& out);
// Applies the LoadPngIntoBitmap rules to the decoded pixels in place; pixels that already
// follow them are not written (so not copied when shared).
void ApplyPngObjectRules(const PngPicture& png, TBitmap32& pixels);
// The largest single allocation libpng asked for during the last PNG decode (tests).
std::size_t PngLargestLibraryRequest();
// Tests and benchmarks: off makes libpng read the image data of every PNG (row by row, with
// zlib) instead of the one-piece reading of the common pictures; on by default.
void SetPngWholeReading(bool on);
// Whether the last PNG decode read its image data in one piece.
bool PngReadWhole();
bool HasPngSignature(const std::uint8_t* data, std::size_t size);

} // namespace lumetta::codecs
