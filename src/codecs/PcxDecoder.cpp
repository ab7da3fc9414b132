// ZSoft Paintbrush (pcx, pcc, and Word 5.x screen captures, which are the same format):
// 1, 2, 4 and 8-bit palettes in one or more bit planes, and 24-bit pictures in three planes,
// run-length encoded or stored.
#include "codecs/CodecCommon.h"

#include <vector>

namespace lumetta::codecs {
namespace {
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kVgaPaletteSize = 769; // 0x0C and 256 RGB triples at the end
} // namespace

void DecodePcx(const DecodeContext& ctx, TBitmap32& out) {
    ByteReader r(ctx);
    const std::uint8_t* hdr = r.Take(kHeaderSize);
    if (hdr[0] != 0x0A) ctx.Fail("bad manufacturer byte");
    const unsigned encoding = hdr[2], bitsPerPixel = hdr[3];
    auto le16 = [&](std::size_t at) { return unsigned(hdr[at] | (hdr[at + 1] << 8)); };
    const unsigned xMin = le16(4), yMin = le16(6), xMax = le16(8), yMax = le16(10);
    const unsigned planes = hdr[65], bytesPerLine = le16(66);
    if (encoding > 1) ctx.Fail("unknown encoding");
    if (xMax < xMin || yMax < yMin) ctx.Fail("it holds no pixels");
    const std::int64_t w = std::int64_t(xMax) - xMin + 1, h = std::int64_t(yMax) - yMin + 1;

    const bool truecolour = bitsPerPixel == 8 && (planes == 3 || planes == 4);
    const bool paletted =
        (bitsPerPixel == 1 && planes >= 1 && planes <= 4) ||
        ((bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8) && planes == 1);
    if (!truecolour && !paletted)
        ctx.Fail("unsupported layout (" + std::to_string(bitsPerPixel) + " bits, " +
                 std::to_string(planes) + " planes)");
    if (std::int64_t(bytesPerLine) * 8 < w * bitsPerPixel) ctx.Fail("bad line length");

    ctx.CheckSize(w, h);
    const std::size_t lineBytes = std::size_t(bytesPerLine) * planes;
    // A run code (two bytes) gives at most 63 bytes.
    const std::uint64_t total = std::uint64_t(lineBytes) * std::uint64_t(h);
    ctx.Need(ctx.size - kHeaderSize, encoding ? total / 63 * 2 : total);
    TBitmap32 picture = ctx.NewPicture(w, h);

    Palette palette = BlackPalette();
    if (bitsPerPixel == 8 && planes == 1) {
        // The 256-colour palette sits at the very end; pictures without it are grey.
        const bool hasVga = ctx.size >= kHeaderSize + kVgaPaletteSize &&
                            ctx.data[ctx.size - kVgaPaletteSize] == 0x0C;
        for (int i = 0; i < 256; ++i) {
            const std::uint8_t* p = ctx.data + ctx.size - 768 + 3 * i;
            palette[std::size_t(i)] = hasVga ? Color32(p[0], p[1], p[2]) : Color32(i, i, i);
        }
    } else if (bitsPerPixel == 1 && planes == 1) {
        palette[0] = 0xFF000000u;
        palette[1] = 0xFFFFFFFFu;
    } else {
        for (int i = 0; i < 16; ++i)
            palette[std::size_t(i)] = Color32(hdr[16 + 3 * i], hdr[17 + 3 * i], hdr[18 + 3 * i]);
    }

    // Decodes the run-length stream, which may run on from one line into the next.
    std::vector<std::uint8_t> line(lineBytes);
    unsigned runLeft = 0;
    std::uint8_t runValue = 0;
    auto readLine = [&] {
        if (encoding == 0) {
            const std::uint8_t* p = r.Take(lineBytes);
            std::copy(p, p + lineBytes, line.begin());
            return;
        }
        for (std::size_t i = 0; i < lineBytes; ++i) {
            if (runLeft == 0) {
                const std::uint8_t b = r.U8();
                if ((b & 0xC0) == 0xC0) {
                    runLeft = b & 0x3F;
                    runValue = r.U8();
                } else {
                    runLeft = 1;
                    runValue = b;
                }
                if (runLeft == 0) {
                    --i; // a run of length 0 holds nothing
                    continue;
                }
            }
            line[i] = runValue;
            --runLeft;
        }
    };

    TColor32* bits = picture.Bits();
    const std::size_t wide = std::size_t(w);
    for (std::int64_t y = 0; y < h; ++y) {
        readLine();
        TColor32* row = bits + std::size_t(y) * wide;
        if (truecolour) {
            const std::uint8_t *red = line.data(), *green = red + bytesPerLine,
                               *blue = green + bytesPerLine;
            for (std::size_t x = 0; x < wide; ++x)
                row[x] = Color32(red[x], green[x], blue[x]);
        } else if (planes == 1) {
            const unsigned perByte = 8 / bitsPerPixel, mask = (1u << bitsPerPixel) - 1;
            for (std::size_t x = 0; x < wide; ++x) {
                const unsigned shift = 8 - bitsPerPixel * (unsigned(x % perByte) + 1);
                row[x] = palette[(line[x / perByte] >> shift) & mask];
            }
        } else {
            // One bit of the index in each plane, plane 0 the lowest.
            for (std::size_t x = 0; x < wide; ++x) {
                unsigned index = 0;
                for (unsigned p = 0; p < planes; ++p)
                    index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
                row[x] = palette[index];
            }
        }
    }
    out = std::move(picture);
}

} // namespace lumetta::codecs
