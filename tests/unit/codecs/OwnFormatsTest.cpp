// The decoders we write ourselves: BMP (with RLE and DIB), Targa, portable maps and PCX.
#include "Helpers.h"

#include "support/TestSupport.h"

namespace lumetta::test {
namespace {

std::vector<TColor32> GreyRamp(int n) {
    std::vector<TColor32> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Color32(i * 16 % 256, 255 - i, i * 3));
    return p;
}

// ---------------------------------------------------------------- BMP

TEST(Bmp, PaletteDepthsBottomUpAndTopDown) {
    for (int bpp : {1, 2, 4, 8}) {
        const int colours = 1 << bpp;
        auto index = [&](int x, int y) { return std::uint32_t((x * 3 + y * 5) % colours); };
        for (bool topDown : {false, true}) {
            BmpDesc s;
            s.width = 13;
            s.height = topDown ? -6 : 6;
            s.bitCount = bpp;
            s.palette = GreyRamp(colours);
            // File row r is picture row r when top-down, row 5 - r when bottom-up.
            s.pixels =
                BmpRows(13, 6, bpp, [&](int x, int r) { return index(x, topDown ? r : 5 - r); });
            const TBitmap32 b = Decode(EncodeBmp(s), "bmp");
            EXPECT_TRUE(PixelsAre(b, 13, 6, [&](int x, int y) { return s.palette[index(x, y)]; }))
                << bpp << " bits, top-down " << topDown;
        }
    }
}

TEST(Bmp, TrueColourDepthsAndBitFields) {
    auto colour = [](int x, int y) { return Color32(x * 30, y * 40, 200 - x * 10); };
    BmpDesc s;
    s.width = 5;
    s.height = 3;
    s.bitCount = 24;
    s.pixels = BmpRows(5, 3, 24, [&](int x, int r) { return colour(x, 2 - r) & 0xFFFFFF; });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 5, 3, colour)); // every alpha 255

    // 16 bits: 5-5-5 without masks, 5-6-5 with bit fields. Five bits widen as v * 255 / 31.
    auto widen = [](unsigned v, unsigned max) { return int((v * 255 + max / 2) / max); };
    s.bitCount = 16;
    s.pixels = BmpRows(5, 3, 16, [](int x, int r) { return std::uint32_t(x << 10 | r << 5 | 31); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 5, 3, [&](int x, int y) {
        return Color32(widen(x, 31), widen(2 - y, 31), 255);
    }));
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels =
        BmpRows(5, 3, 16, [](int x, int r) { return std::uint32_t(x << 11 | (r * 20) << 5); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "rle"), 5, 3, [&](int x, int y) {
        return Color32(widen(x, 31), widen((2 - y) * 20, 63), 0);
    }));
}

TEST(Bmp, ThirtyTwoBitsKeepAlphaUnlessEveryFourthByteIsZero) {
    BmpDesc s;
    s.width = 3;
    s.height = 2;
    s.bitCount = 32;
    s.pixels = BmpRows(3, 2, 32, [](int x, int r) { return Color32(x, r, 7, x * 100); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 3, 2,
                          [](int x, int y) { return Color32(x, 1 - y, 7, x * 100); }));
    s.pixels = BmpRows(3, 2, 32, [](int x, int r) { return Color32(x, r, 7, 0); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 3, 2,
                          [](int x, int y) { return Color32(x, 1 - y, 7); }));

    // A V5 header with an alpha mask in an unusual place.
    s.headerSize = 124;
    s.compression = 3;
    s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}; // R, G, B, A
    s.pixels = BmpRows(
        3, 2, 32, [](int x, int r) { return std::uint32_t(x << 8 | r << 16 | 9u << 24 | 77); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 3, 2,
                          [](int x, int y) { return Color32(x, 1 - y, 9, 77); }));
}

// Bit fields without an alpha mask (what many programs put on the clipboard): the fourth byte
// is padding, whatever it holds, and the picture is opaque.
TEST(Bmp, BitFieldsWithoutAnAlphaMaskAreOpaque) {
    BmpDesc s;
    s.width = 3;
    s.height = 2;
    s.bitCount = 32;
    s.compression = 3;
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    s.pixels = BmpRows(3, 2, 32, [](int x, int r) { return Color32(x, r, 7, x * 50 + r); });
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 3, 2,
                          [](int x, int y) { return Color32(x, 1 - y, 7); }));
    s.headerSize = 108; // the same in a V4 header whose alpha mask is 0
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 3, 2,
                          [](int x, int y) { return Color32(x, 1 - y, 7); }));
}

// A pixel offset pointing into a palette of stated length is not believed: the pixels start
// after the palette.
TEST(Bmp, APixelOffsetInsideThePaletteIsNotBelieved) {
    BmpDesc s;
    s.width = 4;
    s.height = 1;
    s.bitCount = 8;
    s.palette = {Color32(10, 20, 30), Color32(40, 50, 60), Color32(70, 80, 90)};
    s.pixels = {2, 1, 0, 2};
    Bytes bmp = EncodeBmp(s);
    const auto expected = [&](int x, int) { return s.palette[s.pixels[std::size_t(x)]]; };
    ASSERT_TRUE(PixelsAre(Decode(bmp, "bmp"), 4, 1, expected));
    for (std::uint32_t offset : {14u + 40u, 14u + 40u + 4u, 14u + 40u + 11u}) {
        SCOPED_TRACE(offset);
        for (int i = 0; i < 4; ++i)
            bmp[std::size_t(10 + i)] = std::uint8_t(offset >> (8 * i));
        EXPECT_TRUE(PixelsAre(Decode(bmp, "bmp"), 4, 1, expected));
    }
}

TEST(Bmp, Os2CoreHeaderAndPackedDib) {
    BmpDesc s;
    s.width = 4;
    s.height = 2;
    s.bitCount = 8;
    s.headerSize = 12;
    s.palette = GreyRamp(256);
    s.pixels = BmpRows(4, 2, 8, [](int x, int r) { return std::uint32_t(x + 10 * r); });
    auto expected = [&](int x, int y) { return s.palette[std::size_t(x + 10 * (1 - y))]; };
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 4, 2, expected));
    s.headerSize = 40;
    s.fileHeader = false;
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "dib"), 4, 2, expected));
}

TEST(Bmp, RunLengthEncodedEightAndFourBits) {
    BmpDesc s;
    s.width = 6;
    s.height = 3;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = GreyRamp(16);
    // Bottom row: run of 4 x 5, absolute 1 2 3 (padded; 3 falls off the edge), end of line.
    // Middle row: delta (2, 1) skips it and lands on the top row at x = 2: run of 9 x 3, then
    // end of bitmap.
    s.pixels = {4, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 3, 9, 0, 1};
    const TBitmap32 b = Decode(EncodeBmp(s), "rle");
    const TColor32 p0 = s.palette[0];
    const TColor32 rows[3][6] = {
        {p0, p0, s.palette[9], s.palette[9], s.palette[9], p0},
        {p0, p0, p0, p0, p0, p0},
        {s.palette[5], s.palette[5], s.palette[5], s.palette[5], s.palette[1], s.palette[2]}};
    EXPECT_TRUE(PixelsAre(b, 6, 3, [&](int x, int y) { return rows[y][x]; }));

    s.compression = 2;
    s.bitCount = 4;
    s.height = 1;
    // Run of 5 alternating 1/2, then absolute 3 nibbles 7 8 9 (2 bytes), a run past the edge.
    s.pixels = {5, 0x12, 0, 3, 0x78, 0x90, 4, 0x33, 0, 1};
    EXPECT_TRUE(PixelsAre(Decode(EncodeBmp(s), "bmp"), 6, 1, [&](int x, int) {
        const int idx[6] = {1, 2, 1, 2, 1, 7};
        return s.palette[std::size_t(idx[x])];
    }));
}

TEST(Bmp, DamagedHeadersFail) {
    BmpDesc s;
    s.width = 70000;
    s.height = 20;
    s.bitCount = 24;
    EXPECT_EQ(ErrorText([&] { Decode(EncodeBmp(s), "bmp"); }),
              "test.bmp is too large to open (70000 x 20 pixels)");
    s.width = 20000;
    s.height = -20000;
    EXPECT_EQ(ErrorText([&] { Decode(EncodeBmp(s), "bmp"); }),
              "test.bmp is too large to open (20000 x 20000 pixels)");
    s.height = 10000; // a few bytes claiming 400 MB of pixels fail before any are made
    s.width = 10000;
    EXPECT_EQ(ErrorText([&] { Decode(EncodeBmp(s), "bmp"); }),
              "test.bmp is not a valid BMP picture (the data ends too early)");
    s.width = 0;
    s.height = 5;
    EXPECT_THROW(Decode(EncodeBmp(s), "bmp"), EImageError);
    s.width = 4;
    s.height = 4;
    s.pixels = BmpRows(4, 3, 24, [](int, int) { return 0u; }); // one row short
    EXPECT_THROW(Decode(EncodeBmp(s), "bmp"), EImageError);
    s.bitCount = 7;
    EXPECT_THROW(Decode(EncodeBmp(s), "bmp"), EImageError);
}

// ---------------------------------------------------------------- Targa

TEST(Targa, TrueColourDepthsOriginsAndRle) {
    auto colour = [](int x, int y) { return Color32(x * 40, y * 50, 90); };
    for (int depth : {24, 32}) {
        for (std::uint8_t origin : {0x00, 0x20, 0x10, 0x30}) {
            Bytes raw;
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 4; ++c) {
                    // File row r is picture row r with the top-origin bit, else 2 - r; file
                    // column c is picture column 3 - c with the right-origin bit.
                    const int y = origin & 0x20 ? r : 2 - r, x = origin & 0x10 ? 3 - c : c;
                    const TColor32 v = colour(x, y);
                    raw.insert(raw.end(),
                               {std::uint8_t(BlueComponent(v)), std::uint8_t(GreenComponent(v)),
                                std::uint8_t(RedComponent(v))});
                    if (depth == 32) raw.push_back(std::uint8_t(x * 60));
                }
            for (bool rle : {false, true}) {
                TgaDesc s;
                s.width = 4;
                s.height = 3;
                s.depth = depth;
                s.imageType = rle ? 10 : 2;
                s.descriptor = std::uint8_t(origin | (depth == 32 ? 8 : 0));
                s.id = "id";
                s.pixels = rle ? TgaRle(raw, depth / 8) : raw;
                EXPECT_TRUE(PixelsAre(Decode(EncodeTga(s), "tga"), 4, 3,
                                      [&](int x, int y) {
                                          return (colour(x, y) & 0xFFFFFF) |
                                                 (depth == 32 ? TColor32(x * 60) << 24
                                                              : 0xFF000000u);
                                      }))
                    << depth << " bits, origin " << int(origin) << ", rle " << rle;
            }
        }
    }
}

TEST(Targa, MappedGreyAndSixteenBits) {
    TgaDesc s;
    s.width = 3;
    s.height = 1;
    s.imageType = 9;
    s.depth = 8;
    s.descriptor = 0x20;
    s.mapFirst = 2;
    s.mapBits = 24;
    s.map = {1, 2, 3, 4, 5, 6};
    s.pixels = TgaRle({2, 3, 9}, 1); // index 9 is outside the map: black
    EXPECT_TRUE(PixelsAre(Decode(EncodeTga(s), "win"), 3, 1, [](int x, int) {
        return x == 0 ? Color32(3, 2, 1) : x == 1 ? Color32(6, 5, 4) : Color32(0, 0, 0);
    }));

    TgaDesc g;
    g.width = 2;
    g.height = 1;
    g.imageType = 3;
    g.depth = 8;
    g.pixels = {7, 200};
    EXPECT_TRUE(PixelsAre(Decode(EncodeTga(g), "vst"), 2, 1, [](int x, int) {
        return x ? Color32(200, 200, 200) : Color32(7, 7, 7);
    }));

    TgaDesc h;
    h.width = 1;
    h.height = 1;
    h.depth = 16;
    h.pixels = {0x1F, 0x80}; // attribute bit, red 0, green 0, blue 31
    EXPECT_EQ(Decode(EncodeTga(h), "icb").Pixel(0, 0), Color32(0, 0, 255));
}

// Sixteen-bit grey is a grey byte and an alpha byte.
TEST(Targa, SixteenBitGreyKeepsItsAlpha) {
    TgaDesc g;
    g.width = 3;
    g.height = 1;
    g.imageType = 3;
    g.depth = 16;
    g.descriptor = 0x28; // top origin, eight attribute bits
    g.pixels = {10, 255, 200, 128, 90, 0};
    EXPECT_TRUE(PixelsAre(Decode(EncodeTga(g), "tga"), 3, 1, [](int x, int) {
        return x == 0   ? Color32(10, 10, 10, 255)
               : x == 1 ? Color32(200, 200, 200, 128)
                        : Color32(90, 90, 90, 0);
    }));
    g.imageType = 11; // run-length encoded
    g.pixels = TgaRle({10, 255, 200, 128, 90, 0}, 2);
    EXPECT_EQ(Decode(EncodeTga(g), "tga").Pixel(1, 0), Color32(200, 200, 200, 128));
    g.imageType = 3;
    g.pixels = {10, 255, 200, 128, 90, 0};
    g.descriptor = 0x20; // no attribute bits: the second byte is not alpha
    EXPECT_EQ(Decode(EncodeTga(g), "tga").Pixel(2, 0), Color32(90, 90, 90));
}

TEST(Targa, ThirtyTwoBitsWithoutAlphaAreOpaque) {
    TgaDesc s;
    s.width = 2;
    s.height = 1;
    s.depth = 32;
    s.descriptor = 8;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    EXPECT_EQ(Decode(EncodeTga(s), "vda").Pixel(1, 0), Color32(6, 5, 4));
    s.descriptor = 0; // no attribute bits: the fourth byte is not alpha
    s.pixels = {1, 2, 3, 9, 4, 5, 6, 9};
    EXPECT_EQ(Decode(EncodeTga(s), "tga").Pixel(0, 0), Color32(3, 2, 1));
}

TEST(Targa, DamagedHeadersFail) {
    TgaDesc s;
    s.width = 4;
    s.height = 4;
    s.pixels = Bytes(4 * 4 * 3 - 1, 0);
    EXPECT_THROW(Decode(EncodeTga(s), "tga"), EImageError);
    s.imageType = 5;
    EXPECT_THROW(Decode(EncodeTga(s), "tga"), EImageError);
    s.imageType = 1; // colour-mapped without a map
    s.depth = 8;
    EXPECT_THROW(Decode(EncodeTga(s), "tga"), EImageError);
    s.imageType = 2;
    s.depth = 24;
    s.width = 0;
    EXPECT_THROW(Decode(EncodeTga(s), "tga"), EImageError);
}

// ---------------------------------------------------------------- portable maps

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

TEST(PortableMap, AsciiAndBinaryKinds) {
    const auto bw = [](int x, int) { return x % 2 ? Color32(0, 0, 0) : Color32(255, 255, 255); };
    EXPECT_TRUE(PixelsAre(Decode(Text("P1\n# comment\n3 2\n0 1 0\n010"), "pbm"), 3, 2, bw));
    Bytes p4 = Text("P4 3 2\n");
    p4.insert(p4.end(), {0x40, 0x40});
    EXPECT_TRUE(PixelsAre(Decode(p4, "pbm"), 3, 2, bw));

    EXPECT_TRUE(PixelsAre(Decode(Text("P2 2 1 10 0 10"), "pgm"), 2, 1, [](int x, int) {
        return x ? Color32(255, 255, 255) : Color32(0, 0, 0);
    }));
    EXPECT_TRUE(PixelsAre(Decode(Text("P3\n1 1\n255\n1 2 3\n"), "ppm"), 1, 1,
                          [](int, int) { return Color32(1, 2, 3); }));
    Bytes p6 = Text("P6 2 1 255\n");
    p6.insert(p6.end(), {1, 2, 3, 4, 5, 6});
    EXPECT_TRUE(PixelsAre(Decode(p6, "ppm"), 2, 1,
                          [](int x, int) { return x ? Color32(4, 5, 6) : Color32(1, 2, 3); }));
}

TEST(PortableMap, TheGenericExtensionGoesByTheMagicNumber) {
    EXPECT_EQ(Decode(Text("P3\n1 1\n255\n1 2 3\n"), "pnm").Pixel(0, 0), Color32(1, 2, 3));
    EXPECT_EQ(Decode(Text("P2 1 1 255 77"), "PNM").Pixel(0, 0), Color32(77, 77, 77));
    TempDir dir;
    WriteBytes(dir.File("scan.pnm"), Text("P1 2 1 0 1"));
    TBitmap32 b;
    LoadPictureFile(b, dir.File("scan.pnm"));
    EXPECT_EQ(b.Pixel(1, 0), Color32(0, 0, 0));
    TBitmap32 tested;
    EXPECT_TRUE(LoadImageFile(dir.File("scan.pnm"), tested));
}

TEST(PortableMap, WideSamplesAndOddMaxima) {
    Bytes p5 = Text("P5 2 1 65535\n");
    p5.insert(p5.end(), {0xFF, 0xFF, 0x80, 0x00});
    EXPECT_TRUE(PixelsAre(Decode(p5, "pgm"), 2, 1, [](int x, int) {
        return x ? Color32(128, 128, 128) : Color32(255, 255, 255);
    }));
    Bytes p6 = Text("P6 1 1 3\n"); // maxval 3: 1 -> 85, 2 -> 170, above the maximum -> 255
    p6.insert(p6.end(), {1, 2, 200});
    EXPECT_EQ(Decode(p6, "ppm").Pixel(0, 0), Color32(85, 170, 255));
}

TEST(PortableMap, DamagedFilesFail) {
    EXPECT_THROW(Decode(Text("P7 1 1 255\n"), "ppm"), EImageError);
    EXPECT_THROW(Decode(Text("P2 2 2 0\n0 0 0 0"), "pgm"), EImageError);
    EXPECT_THROW(Decode(Text("P2 2 2 255\n0 0 0"), "pgm"), EImageError);
    EXPECT_THROW(Decode(Text("P3 1 1 70000 1 2 3"), "ppm"), EImageError);
    EXPECT_THROW(Decode(Text("P5 99999999999999999999 1 255\n"), "pgm"), EImageError);
    EXPECT_EQ(ErrorText([] { Decode(Text("P6 70000 20 255\n"), "ppm"); }),
              "test.ppm is too large to open (70000 x 20 pixels)");
    EXPECT_THROW(Decode(Text("P6 2 2 255\nabc"), "ppm"), EImageError);
}

// ---------------------------------------------------------------- PCX

TEST(Pcx, EightBitPaletteAndTrueColourPlanes) {
    PcxDesc s;
    s.width = 5;
    s.height = 3;
    s.vgaPalette = GreyRamp(256);
    for (int y = 0; y < 3; ++y) {
        Bytes line(std::size_t(PcxBytesPerLine(s)), 0);
        for (int x = 0; x < 5; ++x)
            line[std::size_t(x)] = std::uint8_t(x < 3 ? 200 : x * 50 + y); // a run and literals
        s.lines.push_back(line);
    }
    EXPECT_TRUE(PixelsAre(Decode(EncodePcx(s), "pcx"), 5, 3, [&](int x, int y) {
        return s.vgaPalette[std::size_t(x < 3 ? 200 : x * 50 + y)];
    }));
    s.rle = false;
    EXPECT_TRUE(PixelsAre(Decode(EncodePcx(s), "scr"), 5, 3, [&](int x, int y) {
        return s.vgaPalette[std::size_t(x < 3 ? 200 : x * 50 + y)];
    }));

    PcxDesc t;
    t.width = 3;
    t.height = 2;
    t.planes = 3;
    const int bpl = PcxBytesPerLine(t);
    for (int y = 0; y < 2; ++y) {
        Bytes line(std::size_t(bpl) * 3, 0);
        for (int x = 0; x < 3; ++x) {
            line[std::size_t(x)] = std::uint8_t(x * 10 + y);
            line[std::size_t(bpl + x)] = 0xC5; // needs escaping as a run
            line[std::size_t(2 * bpl + x)] = std::uint8_t(255 - x);
        }
        t.lines.push_back(line);
    }
    EXPECT_TRUE(PixelsAre(Decode(EncodePcx(t), "pcc"), 3, 2,
                          [](int x, int y) { return Color32(x * 10 + y, 0xC5, 255 - x); }));
}

TEST(Pcx, MonochromeAndSixteenColourPlanes) {
    PcxDesc m;
    m.width = 10;
    m.height = 1;
    m.bitsPerPixel = 1;
    m.lines = {{0xA5, 0x80}};
    const int bits[10] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 0};
    EXPECT_TRUE(PixelsAre(Decode(EncodePcx(m), "pcx"), 10, 1, [&](int x, int) {
        return bits[x] ? Color32(255, 255, 255) : Color32(0, 0, 0);
    }));

    PcxDesc e;
    e.width = 4;
    e.height = 1;
    e.bitsPerPixel = 1;
    e.planes = 4;
    for (int i = 0; i < 16; ++i)
        e.egaPalette[i] = Color32(i * 16, i, 255 - i);
    // Indices 0b0001, 0b0110, 0b1000, 0b1111 across the four planes (plane 0 lowest bit).
    e.lines = {{0x90, 0x00, 0x50, 0x00, 0x50, 0x00, 0x30, 0x00}};
    const int idx[4] = {1, 6, 8, 15};
    EXPECT_TRUE(PixelsAre(Decode(EncodePcx(e), "pcx"), 4, 1,
                          [&](int x, int) { return e.egaPalette[idx[x]]; }));
}

TEST(Pcx, DamagedHeadersFail) {
    PcxDesc s;
    s.width = 4;
    s.height = 4;
    s.lines = {Bytes(4, 1)};
    EXPECT_THROW(Decode(EncodePcx(s), "pcx"), EImageError); // three lines missing
    Bytes bad = EncodePcx(s);
    bad[0] = 0x0B;
    EXPECT_THROW(Decode(bad, "pcx"), EImageError);
    bad = EncodePcx(s);
    bad[66] = 1; // bytes per line shorter than the width
    bad[67] = 0;
    EXPECT_THROW(Decode(bad, "pcx"), EImageError);
    bad = EncodePcx(s);
    bad[3] = 16;
    EXPECT_THROW(Decode(bad, "pcx"), EImageError);
}

} // namespace
} // namespace lumetta::test
