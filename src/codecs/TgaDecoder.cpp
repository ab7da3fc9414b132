// Truevision Targa (tga, win, vst, vda, icb): colour-mapped, true-colour and grey pictures,
// uncompressed or run-length encoded, 8, 15, 16, 24 and 32 bits, any origin corner.
#include "codecs/CodecCommon.h"

#include <vector>

namespace lumetta::codecs {
namespace {

enum class TgaKind { Mapped, TrueColour, Grey };

TColor32 From555(unsigned v) {
    const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
    return Color32(int((r << 3) | (r >> 2)), int((g << 3) | (g >> 2)), int((b << 3) | (b >> 2)));
}

// Converts one stored pixel (bytesPerPixel bytes) to TColor32.
class TgaPixel {
public:
    TgaPixel(TgaKind kind, int depth, bool alpha, const std::vector<TColor32>& map, int mapFirst)
        : kind_(kind), depth_(depth), alpha_(alpha), map_(map), mapFirst_(mapFirst) {}

    TColor32 operator()(const std::uint8_t* p) const {
        switch (kind_) {
        case TgaKind::Mapped: {
            const int index = (depth_ == 8 ? p[0] : p[0] | (p[1] << 8)) - mapFirst_;
            return index >= 0 && index < int(map_.size()) ? map_[std::size_t(index)] : 0xFF000000u;
        }
        case TgaKind::Grey:
            // 16-bit grey is a grey byte and an alpha byte.
            return Color32(p[0], p[0], p[0], depth_ == 16 && alpha_ ? p[1] : 255);
        case TgaKind::TrueColour:
            break;
        }
        switch (depth_) {
        case 15:
        case 16:
            return From555(unsigned(p[0] | (p[1] << 8)));
        case 24:
            return Color32(p[2], p[1], p[0]);
        default:
            return Color32(p[2], p[1], p[0], alpha_ ? p[3] : 255);
        }
    }

private:
    TgaKind kind_;
    int depth_;
    bool alpha_;
    const std::vector<TColor32>& map_;
    int mapFirst_;
};

} // namespace

void DecodeTga(const DecodeContext& ctx, TBitmap32& out) {
    ByteReader r(ctx);
    const unsigned idLength = r.U8(), mapType = r.U8(), imageType = r.U8();
    const unsigned mapFirst = r.U16LE(), mapLength = r.U16LE(), mapBits = r.U8();
    r.Skip(4); // origin
    const std::int64_t w = r.U16LE(), h = r.U16LE();
    const int depth = r.U8();
    const unsigned descriptor = r.U8();

    if (mapType > 1) ctx.Fail("bad colour map type");
    if (imageType > 11 || (imageType > 3 && imageType < 9) || imageType == 0)
        ctx.Fail("unsupported image type " + std::to_string(imageType));
    const bool rle = imageType >= 9 && imageType <= 11;
    TgaKind kind;
    switch (imageType & 7) {
    case 1:
        kind = TgaKind::Mapped;
        if (mapType != 1 || (depth != 8 && depth != 16)) ctx.Fail("bad colour-mapped layout");
        break;
    case 2:
        kind = TgaKind::TrueColour;
        if (depth != 15 && depth != 16 && depth != 24 && depth != 32) ctx.Fail("bad pixel depth");
        break;
    case 3:
        kind = TgaKind::Grey;
        if (depth != 8 && depth != 16) ctx.Fail("bad pixel depth");
        break;
    default:
        ctx.Fail("unsupported image type " + std::to_string(imageType));
    }
    r.Skip(idLength);

    std::vector<TColor32> map;
    if (mapType == 1) {
        if (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
            ctx.Fail("bad colour map entry size");
        const std::size_t entryBytes = (mapBits + 7) / 8;
        const std::uint8_t* p = r.Take(std::size_t(mapLength) * entryBytes);
        if (kind == TgaKind::Mapped) {
            // The picture is 8-bit: its colours are opaque whatever the map entries hold.
            map.resize(mapLength);
            for (std::size_t i = 0; i < mapLength; ++i, p += entryBytes)
                map[i] = entryBytes == 2 ? From555(unsigned(p[0] | (p[1] << 8)))
                                         : Color32(p[2], p[1], p[0]);
        }
    }

    ctx.CheckSize(w, h);
    const std::size_t bytesPerPixel = std::size_t(depth + 7) / 8;
    const std::uint64_t pixels = std::uint64_t(w) * std::uint64_t(h);
    // A run packet (a header and one pixel) covers at most 128 pixels.
    ctx.Need(r.Remaining(),
             rle ? (pixels + 127) / 128 * (1 + bytesPerPixel) : pixels * bytesPerPixel);
    TBitmap32 picture = ctx.NewPicture(w, h);
    // Only a 32-bit colour or 16-bit grey picture that declares attribute bits carries alpha.
    const bool keepAlpha =
        ((kind == TgaKind::TrueColour && depth == 32) || (kind == TgaKind::Grey && depth == 16)) &&
        (descriptor & 0x0F) != 0;
    const TgaPixel convert(kind, depth, keepAlpha, map, int(mapFirst));
    const bool topOrigin = descriptor & 0x20, rightOrigin = descriptor & 0x10;
    TColor32* bits = picture.Bits();

    // Run-length packets may run on from one row into the next.
    unsigned packetLeft = 0;
    bool packetIsRun = false;
    TColor32 runColour = 0;
    for (std::int64_t fileRow = 0; fileRow < h; ++fileRow) {
        const std::int64_t y = topOrigin ? fileRow : h - 1 - fileRow;
        TColor32* row = bits + std::size_t(y * w);
        if (!rle) {
            const std::uint8_t* src = r.Take(std::size_t(w) * bytesPerPixel);
            for (std::int64_t x = 0; x < w; ++x, src += bytesPerPixel)
                row[rightOrigin ? w - 1 - x : x] = convert(src);
            continue;
        }
        for (std::int64_t x = 0; x < w; ++x) {
            if (packetLeft == 0) {
                const unsigned header = r.U8();
                packetIsRun = header & 0x80;
                packetLeft = (header & 0x7F) + 1;
                if (packetIsRun) runColour = convert(r.Take(bytesPerPixel));
            }
            row[rightOrigin ? w - 1 - x : x] =
                packetIsRun ? runColour : convert(r.Take(bytesPerPixel));
            --packetLeft;
        }
    }
    if (keepAlpha) MendUnusedAlpha(picture);
    out = std::move(picture);
}

} // namespace lumetta::codecs
