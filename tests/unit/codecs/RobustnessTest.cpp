// Damaged input must end in a lumetta::Error or a picture, never in a crash, a hang or another
// kind of exception. Run these under AddressSanitizer to catch reads outside the data.
#include "Helpers.h"

#include "support/TestSupport.h"

#include <png.h>

#include <random>

namespace lumetta::test {
namespace {

struct Sample {
    std::string extension;
    Bytes bytes;
};

std::vector<Sample> Samples() {
    TempDir dir;
    std::vector<Sample> all;
    const TBitmap32 pattern = PatternBitmap(9, 7);
    all.push_back({"png", EncodePngRgba(pattern)});
    {
        PngDesc s;
        s.width = 9;
        s.height = 7;
        s.colourType = PNG_COLOR_TYPE_PALETTE;
        s.bitDepth = 4;
        s.interlace = true;
        for (int i = 0; i < 16; ++i)
            s.palette.push_back(Color32(i, 2 * i, 3 * i));
        s.trns = {0, 255};
        for (int i = 0; i < 63; ++i)
            s.samples.push_back(unsigned(i % 16));
        all.push_back({"png", EncodePng(s)});
    }
    all.push_back({"jpg", EncodeJpeg(pattern, 80)});
    all.push_back({"jpg", EncodeJpeg(pattern, 80, 3, true)});
    {
        GifFrame f;
        f.width = 9;
        f.height = 7;
        f.interlace = true;
        for (int i = 0; i < 63; ++i)
            f.indices.push_back(std::uint8_t(i % 5));
        all.push_back({"gif", EncodeGif(9, 7, {0, 1, 2, 3, 4}, 0, {f})});
    }
    WriteTiff(dir.File("t.tif"), pattern, 3, true);
    all.push_back({"tif", ReadBytes(dir.File("t.tif"))});
    WriteTiff(dir.File("a.tif"), pattern, 4);
    all.push_back({"tif", ReadBytes(dir.File("a.tif"))});
    {
        BmpDesc s;
        s.width = 9;
        s.height = 7;
        s.bitCount = 32;
        s.headerSize = 124;
        s.compression = 3;
        s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
        s.pixels = BmpRows(9, 7, 32, [](int x, int y) { return std::uint32_t(x * 31 + y); });
        all.push_back({"bmp", EncodeBmp(s)});
        s.bitCount = 8;
        s.headerSize = 40;
        s.compression = 1;
        s.masks.clear();
        s.palette = std::vector<TColor32>(16, 0xFF102030);
        s.pixels = {4, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 3, 9, 0, 0, 5, 1, 0, 1};
        all.push_back({"rle", EncodeBmp(s)});
        s.bitCount = 4;
        s.compression = 0;
        s.headerSize = 12;
        s.pixels = BmpRows(9, 7, 4, [](int x, int y) { return std::uint32_t(x ^ y) & 15; });
        all.push_back({"bmp", EncodeBmp(s)});
    }
    {
        TgaDesc s;
        s.width = 9;
        s.height = 7;
        s.imageType = 10;
        s.depth = 32;
        s.descriptor = 0x28;
        Bytes raw;
        for (int i = 0; i < 63; ++i)
            raw.insert(raw.end(), {std::uint8_t(i / 4), 2, 3, 4});
        s.pixels = TgaRle(raw, 4);
        all.push_back({"tga", EncodeTga(s)});
        TgaDesc m;
        m.width = 9;
        m.height = 7;
        m.imageType = 1;
        m.depth = 8;
        m.mapBits = 16;
        m.map = Bytes(32, 0x55);
        m.pixels = Bytes(63, 3);
        all.push_back({"tga", EncodeTga(m)});
    }
    {
        const std::string p3 =
            "P3\n# c\n3 2\n65535\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\n";
        all.push_back({"ppm", Bytes(p3.begin(), p3.end())});
        std::string p6 = "P6 3 2 65535\n";
        p6.append(36, 'x');
        all.push_back({"ppm", Bytes(p6.begin(), p6.end())});
        const std::string p1 = "P1 5 2 0101010101";
        all.push_back({"pbm", Bytes(p1.begin(), p1.end())});
    }
    {
        PcxDesc s;
        s.width = 9;
        s.height = 7;
        s.vgaPalette = std::vector<TColor32>(256, 0xFF336699);
        for (int y = 0; y < 7; ++y) {
            Bytes line(std::size_t(PcxBytesPerLine(s)), std::uint8_t(y * 40));
            line[0] = 0xC7;
            s.lines.push_back(line);
        }
        all.push_back({"pcx", EncodePcx(s)});
        PcxDesc e;
        e.width = 9;
        e.height = 7;
        e.bitsPerPixel = 1;
        e.planes = 4;
        for (int y = 0; y < 7; ++y)
            e.lines.push_back(Bytes(std::size_t(PcxBytesPerLine(e)) * 4, std::uint8_t(y * 37)));
        all.push_back({"pcx", EncodePcx(e)});
    }
    return all;
}

// Decodes and reports whether a picture came out; fails the test on anything but Error.
bool Survives(const Bytes& bytes, const std::string& ext) {
    try {
        TBitmap32 b = Decode(bytes, ext);
        EXPECT_FALSE(b.Empty());
        return true;
    } catch (const Error&) {
        return false;
    } catch (const std::exception& e) {
        ADD_FAILURE() << ext << ": unexpected " << e.what();
        return false;
    }
}

TEST(Robustness, EveryTruncationFailsCleanlyOrDecodes) {
    for (const Sample& s : Samples()) {
        ASSERT_TRUE(Survives(s.bytes, s.extension)) << s.extension;
        for (std::size_t n = 0; n < s.bytes.size(); ++n)
            Survives(Bytes(s.bytes.begin(), s.bytes.begin() + std::ptrdiff_t(n)), s.extension);
        // The PNG stream reader too, from the middle of a stream. A cut after the image data
        // may still give the picture, but only the complete one.
        if (s.extension == "png") {
            TMemoryStream whole(s.bytes);
            TBitmap32 complete;
            LoadPngIntoBitmap(complete, whole);
            for (std::size_t n = 0; n < s.bytes.size(); ++n) {
                Bytes cut = {1, 2};
                cut.insert(cut.end(), s.bytes.begin(), s.bytes.begin() + std::ptrdiff_t(n));
                TMemoryStream stream(cut);
                stream.SetPosition(2);
                TBitmap32 b;
                try {
                    LoadPngIntoBitmap(b, stream);
                } catch (const EImageError&) {
                    continue;
                }
                EXPECT_GT(n, s.bytes.size() / 2);
                EXPECT_TRUE(PixelsAre(b, complete.Width(), complete.Height(),
                                      [&](int x, int y) { return complete.Pixel(x, y); }));
            }
        }
    }
}

TEST(Robustness, CorruptedBytesFailCleanlyOrDecode) {
    std::mt19937 random(1234);
    for (const Sample& s : Samples()) {
        for (int round = 0; round < 300; ++round) {
            Bytes bad = s.bytes;
            const int flips = 1 + int(random() % 4);
            for (int i = 0; i < flips; ++i) {
                const std::size_t at = random() % bad.size();
                // Favour the headers, where sizes and counts live.
                const std::size_t pos = round % 2 ? at : at % std::min<std::size_t>(bad.size(), 64);
                bad[pos] = std::uint8_t(random());
            }
            Survives(bad, s.extension);
        }
    }
}

TEST(Robustness, EveryDecoderRefusesTheOthersData) {
    const std::vector<Sample> samples = Samples();
    for (const Sample& data : samples)
        for (const char* ext : {"png", "jpg", "gif", "tif", "bmp", "tga", "ppm", "pcx"})
            if (data.extension != ext && !(data.extension == "rle" && std::string(ext) == "bmp") &&
                !(data.extension == "pbm" && std::string(ext) == "ppm"))
                Survives(data.bytes, ext);
}

} // namespace
} // namespace lumetta::test
