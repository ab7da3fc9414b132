// Windows and OS/2 bitmaps (bmp, rle, dib): 1, 2, 4, 8, 16, 24 and 32 bits per pixel,
// uncompressed, RLE4, RLE8 and bit fields, bottom-up and top-down, with or without the file
// header (a packed DIB).
#include "codecs/CodecCommon.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace lumetta::codecs {
namespace {

enum : std::uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

struct BmpInfo {
    std::size_t headerSize = 0;
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {}; // red, green, blue, alpha
    bool hasMasks = false;
    bool os2 = false;
    int paletteEntrySize = 4;
};

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) {
    return std::uint16_t(p[0] | (p[1] << 8));
}

// One colour channel described by a bit mask, widened to 8 bits.
class MaskChannel {
public:
    explicit MaskChannel(std::uint32_t mask) : mask_(mask) {
        if (!mask) return;
        shift_ = std::countr_zero(mask);
        bits_ = 32 - std::countl_zero(mask) - shift_;
        if (bits_ > 8) {
            drop_ = bits_ - 8;
        } else {
            const std::uint32_t max = (1u << bits_) - 1;
            for (std::uint32_t v = 0; v <= max; ++v)
                table_[v] = std::uint8_t((v * 255 + max / 2) / max);
        }
    }
    bool Present() const { return mask_ != 0; }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (!mask_) return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return bits_ > 8 ? (v >> drop_) & 0xFF : table_[v & 0xFF];
    }

private:
    std::uint32_t mask_;
    int shift_ = 0, bits_ = 0, drop_ = 0;
    std::uint8_t table_[256] = {};
};

BmpInfo ReadInfo(const DecodeContext& ctx, ByteReader& r) {
    BmpInfo info;
    const std::size_t start = r.Pos();
    info.headerSize = r.U32LE();
    const std::size_t hs = info.headerSize;
    if (hs == 12) {
        // OS/2 1.x core header: 16-bit unsigned sizes, always bottom-up, 3-byte palette entries.
        info.width = r.U16LE();
        info.height = r.U16LE();
        r.U16LE(); // planes
        info.bitCount = r.U16LE();
        info.paletteEntrySize = 3;
        info.os2 = true;
        return info;
    }
    const bool windows = hs == 40 || hs == 52 || hs == 56 || hs == 108 || hs == 124;
    if (!windows && !(hs >= 16 && hs <= 64)) ctx.Fail("unknown header size " + std::to_string(hs));
    info.os2 = !windows; // OS/2 2.x: the Windows fields it has, in the same places
    std::uint8_t h[124] = {};
    r.Seek(start);
    std::memcpy(h, r.Take(hs), hs);
    const std::int32_t height = std::int32_t(Le32(h + 8));
    info.width = std::int32_t(Le32(h + 4));
    if (height == INT32_MIN) ctx.Fail("bad height");
    info.topDown = height < 0;
    info.height = height < 0 ? -std::int64_t(height) : height;
    info.bitCount = Le16(h + 14);
    info.compression = Le32(h + 16);
    info.colorsUsed = Le32(h + 32);
    if (info.os2 && info.compression >= kBitFields)
        ctx.Fail("unsupported OS/2 compression " + std::to_string(info.compression));
    if (info.compression == kBitFields || info.compression == kAlphaBitFields) {
        info.hasMasks = true;
        if (hs >= 52) {
            for (int i = 0; i < 3; ++i)
                info.masks[i] = Le32(h + 40 + 4 * i);
            if (hs >= 56) info.masks[3] = Le32(h + 52);
        } else {
            // A plain info header keeps its masks right after it.
            const int count = info.compression == kAlphaBitFields ? 4 : 3;
            for (int i = 0; i < count; ++i)
                info.masks[i] = r.U32LE();
        }
    }
    return info;
}

void CheckFormat(const DecodeContext& ctx, const BmpInfo& info) {
    const int bpp = info.bitCount;
    switch (info.compression) {
    case kRgb:
        if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
            ctx.Fail("unsupported bit count " + std::to_string(bpp));
        break;
    case kRle8:
        if (bpp != 8) ctx.Fail("RLE8 needs 8 bits per pixel");
        break;
    case kRle4:
        if (bpp != 4) ctx.Fail("RLE4 needs 4 bits per pixel");
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (bpp != 16 && bpp != 32) ctx.Fail("bit fields need 16 or 32 bits per pixel");
        break;
    default:
        ctx.Fail("unsupported compression " + std::to_string(info.compression));
    }
}

// Expands one row of palette indices (1, 2, 4 or 8 bits, most significant first).
void IndexedRow(const std::uint8_t* src, int bpp, std::int64_t width, const Palette& palette,
                TColor32* dst) {
    if (bpp == 8) {
        for (std::int64_t x = 0; x < width; ++x)
            dst[x] = palette[src[x]];
        return;
    }
    const int perByte = 8 / bpp;
    const unsigned mask = (1u << bpp) - 1;
    for (std::int64_t x = 0; x < width; ++x) {
        const int shift = 8 - bpp * (int(x % perByte) + 1);
        dst[x] = palette[(src[x / perByte] >> shift) & mask];
    }
}

// RLE8 / RLE4: runs and absolute stretches, end-of-line, delta and end-of-bitmap codes. Pixels
// that no code reaches keep palette entry 0; codes that reach past the right edge are clipped.
void DecodeRle(ByteReader& r, const BmpInfo& info, const Palette& palette, TBitmap32& picture) {
    const std::int64_t w = info.width, h = info.height;
    TColor32* bits = picture.Bits();
    std::fill(bits, bits + picture.PixelCount(), palette[0]);
    const bool rle4 = info.compression == kRle4;
    auto put = [&](std::int64_t x, std::int64_t y, unsigned index) {
        if (x < w && y < h) {
            const std::int64_t row = info.topDown ? y : h - 1 - y;
            bits[std::size_t(row * w + x)] = palette[index & 0xFF];
        }
    };
    std::int64_t x = 0, y = 0;
    while (y < h) {
        const unsigned count = r.U8(), value = r.U8();
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(x + i, y, rle4 ? (i % 2 ? value & 15 : value >> 4) : value);
            x += count;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            x += r.U8();
            y += r.U8();
        } else { // absolute: `value` pixels, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            const std::uint8_t* p = r.Take(bytes + (bytes & 1));
            for (unsigned i = 0; i < value; ++i)
                put(x + i, y, rle4 ? (i % 2 ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i]);
            x += value;
        }
    }
}

} // namespace

void DecodeBmp(const DecodeContext& ctx, TBitmap32& out) {
    ByteReader r(ctx);
    std::size_t dataOffset = 0;
    bool fileHeader = false;
    if (ctx.size >= 2 && ctx.data[0] == 'B' && ctx.data[1] == 'M') {
        r.Skip(10);
        dataOffset = r.U32LE();
        fileHeader = true;
    }
    BmpInfo info = ReadInfo(ctx, r);
    CheckFormat(ctx, info);
    ctx.CheckSize(info.width, info.height);
    const int bpp = info.bitCount;

    // The palette follows the header (and its masks).
    const std::size_t palettePos = r.Pos();
    Palette palette = BlackPalette();
    const std::size_t entries = info.colorsUsed ? info.colorsUsed : (bpp <= 8 ? 1u << bpp : 0);
    const std::size_t paletteBytes = CheckedMul(ctx, entries, std::size_t(info.paletteEntrySize));
    // A pixel offset inside a palette whose length the header states is not believed: the
    // pixels start where the palette ends. (Without a stated count the palette may well be
    // shorter than the depth allows, and the offset tells where it ends.)
    if (fileHeader && info.colorsUsed && dataOffset >= palettePos) {
        const std::size_t paletteEnd = CheckedAdd(ctx, palettePos, paletteBytes);
        if (dataOffset < paletteEnd && paletteEnd <= ctx.size) dataOffset = paletteEnd;
    }
    if (bpp <= 8) {
        // Read what the file holds, up to 256 entries; damaged counts are not trusted.
        std::size_t limit = ctx.size - palettePos;
        if (fileHeader && dataOffset > palettePos) limit = std::min(limit, dataOffset - palettePos);
        const std::size_t readable =
            std::min({entries, std::size_t(256), limit / std::size_t(info.paletteEntrySize)});
        const std::uint8_t* p = r.Take(readable * std::size_t(info.paletteEntrySize));
        for (std::size_t i = 0; i < readable; ++i, p += info.paletteEntrySize)
            palette[i] = Color32(p[2], p[1], p[0]);
    }
    // Writers do not always fill in the pixel offset; a packed DIB has none at all.
    if (!fileHeader || dataOffset < palettePos)
        dataOffset = CheckedAdd(ctx, palettePos, paletteBytes);
    if (dataOffset > ctx.size) ctx.Truncated();
    r.Seek(dataOffset);

    if (info.compression == kRle8 || info.compression == kRle4) {
        TBitmap32 picture = ctx.NewPicture(info.width, info.height);
        DecodeRle(r, info, palette, picture);
        out = std::move(picture);
        return;
    }

    const std::int64_t w = info.width, h = info.height;
    const std::size_t stride = std::size_t((w * bpp + 31) / 32 * 4);
    const std::uint8_t* data = r.Take(CheckedMul(ctx, stride, std::size_t(h)));
    TBitmap32 picture = ctx.NewPicture(w, h);
    TColor32* bits = picture.Bits();

    bool keepAlpha = false;
    const bool standard32 =
        bpp == 32 && (!info.hasMasks || (info.masks[0] == 0xFF0000 && info.masks[1] == 0xFF00 &&
                                         info.masks[2] == 0xFF &&
                                         (info.masks[3] == 0 || info.masks[3] == 0xFF000000u)));
    // Bit fields without an alpha mask describe an opaque picture whose fourth byte is unused
    // (the clipboard dumps of many programs): it is not alpha. A plain 32-bit file keeps its
    // fourth byte as alpha.
    const bool fourthByteIsAlpha = !info.hasMasks || info.masks[3] == 0xFF000000u;
    std::uint32_t masks[4] = {info.masks[0], info.masks[1], info.masks[2], info.masks[3]};
    if (bpp == 16 && !info.hasMasks) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
        masks[3] = 0;
    }
    const MaskChannel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    for (std::int64_t fileRow = 0; fileRow < h; ++fileRow) {
        const std::uint8_t* src = data + std::size_t(fileRow) * stride;
        const std::int64_t y = info.topDown ? fileRow : h - 1 - fileRow;
        TColor32* dst = bits + std::size_t(y * w);
        if (bpp <= 8) {
            IndexedRow(src, bpp, w, palette, dst);
        } else if (bpp == 24) {
            for (std::int64_t x = 0; x < w; ++x, src += 3)
                dst[x] = 0xFF000000u | (TColor32(src[2]) << 16) | (TColor32(src[1]) << 8) | src[0];
        } else if (standard32) {
            // B, G, R and the fourth byte as alpha: TColor32's own layout.
            std::memcpy(dst, src, std::size_t(w) * 4);
            if (fourthByteIsAlpha)
                keepAlpha = true;
            else
                for (std::int64_t x = 0; x < w; ++x)
                    dst[x] |= 0xFF000000u;
        } else {
            for (std::int64_t x = 0; x < w; ++x) {
                const std::uint32_t v = bpp == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
                const std::uint32_t a = alpha.Present() ? alpha(v) : 255;
                dst[x] = (a << 24) | (red(v) << 16) | (green(v) << 8) | blue(v);
            }
            keepAlpha = bpp == 32 && alpha.Present();
        }
    }
    if (keepAlpha) MendUnusedAlpha(picture);
    out = std::move(picture);
}

} // namespace lumetta::codecs
