#include "Helpers.h"
#include "codecs/CodecCommon.h"

#include "support/TestSupport.h"

#include <png.h>
#include <zlib.h>

#include <tuple>

namespace lumetta::test {
namespace {

int Channels(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1;
    }
}

unsigned To8(unsigned v, int depth) {
    return depth == 16 ? v >> 8 : depth == 8 ? v : v * 255 / ((1u << depth) - 1);
}

// A picture whose samples cover the whole range of the bit depth.
PngDesc Pattern(int colourType, int depth, bool interlace, int w = 13, int h = 11) {
    PngDesc s;
    s.width = w;
    s.height = h;
    s.colourType = colourType;
    s.bitDepth = depth;
    s.interlace = interlace;
    const unsigned max = (1u << depth) - 1;
    const int channels = Channels(colourType);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < channels; ++c)
                s.samples.push_back(unsigned(x * 40503u + y * 9973u + c * 7919u) % (max + 1));
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        for (unsigned i = 0; i <= max; ++i)
            s.palette.push_back(Color32(int(i * 37 % 256), int(255 - i), int(i * 11 % 256)));
    return s;
}

TColor32 Expected(const PngDesc& s, int x, int y) {
    const int channels = Channels(s.colourType);
    const unsigned* p = &s.samples[(std::size_t(y) * s.width + x) * channels];
    const int d = s.bitDepth;
    switch (s.colourType) {
    case PNG_COLOR_TYPE_PALETTE:
        return s.palette[p[0]];
    case PNG_COLOR_TYPE_GRAY:
        return Color32(int(To8(p[0], d)), int(To8(p[0], d)), int(To8(p[0], d)));
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return Color32(int(To8(p[0], d)), int(To8(p[0], d)), int(To8(p[0], d)), int(To8(p[1], d)));
    case PNG_COLOR_TYPE_RGB:
        return Color32(int(To8(p[0], d)), int(To8(p[1], d)), int(To8(p[2], d)));
    default:
        return Color32(int(To8(p[0], d)), int(To8(p[1], d)), int(To8(p[2], d)), int(To8(p[3], d)));
    }
}

TBitmap32 LoadPng(const Bytes& bytes) {
    TMemoryStream stream(bytes);
    TBitmap32 b;
    LoadPngIntoBitmap(b, stream);
    return b;
}

using Layout = std::tuple<int, int, bool>; // colour type, bit depth, interlace

class PngLayouts : public ::testing::TestWithParam<Layout> {};

TEST_P(PngLayouts, DecodeEverySampleExactlyBothWays) {
    const auto [type, depth, interlace] = GetParam();
    const PngDesc desc = Pattern(type, depth, interlace);
    const Bytes png = EncodePng(desc);
    auto expected = [&](int x, int y) { return Expected(desc, x, y); };
    EXPECT_TRUE(PixelsAre(Decode(png, "png"), desc.width, desc.height, expected));
    EXPECT_TRUE(PixelsAre(LoadPng(png), desc.width, desc.height, expected));
}

std::vector<Layout> AllLayouts() {
    std::vector<Layout> all;
    const std::pair<int, std::vector<int>> kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}}, {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}},
        {PNG_COLOR_TYPE_RGB, {8, 16}},           {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
    };
    for (const auto& [type, depths] : kinds)
        for (int d : depths)
            for (bool interlace : {false, true})
                all.emplace_back(type, d, interlace);
    return all;
}
INSTANTIATE_TEST_SUITE_P(AllColourTypes, PngLayouts, ::testing::ValuesIn(AllLayouts()));

TEST(PngTransparency, TransparentPixelKeepsItsColour) {
    TBitmap32 src = PatternBitmap(4, 3);
    src.SetPixel(0, 0, Color32(10, 20, 30, 0));
    const TBitmap32 b = LoadPng(EncodePngRgba(src));
    EXPECT_EQ(b.Pixel(0, 0), Color32(10, 20, 30, 0));
    EXPECT_EQ(b.Pixel(3, 2), src.Pixel(3, 2));
}

TEST(PngTransparency, RgbTransparentWhiteReachesLastRowAndColumn) {
    PngDesc s;
    s.width = 5;
    s.height = 4;
    s.colourType = PNG_COLOR_TYPE_RGB;
    s.trnsColour = true;
    s.trnsR = s.trnsG = s.trnsB = 255;
    auto white = [](int x, int y) { return x == 4 || y == 3 || (x + y) % 3 == 0; };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const unsigned v = white(x, y) ? 255 : 254;
            s.samples.insert(s.samples.end(), {v, white(x, y) ? 255u : 0u, v});
        }
    const TBitmap32 b = LoadPng(EncodePng(s));
    EXPECT_TRUE(PixelsAre(b, 5, 4, [&](int x, int y) {
        return white(x, y) ? Color32(255, 255, 255, 0) : Color32(254, 0, 254);
    }));
}

TEST(PngTransparency, SixteenBitAndLowDepthGreyKeys) {
    PngDesc s = Pattern(PNG_COLOR_TYPE_GRAY, 2, false, 4, 4);
    s.trnsColour = true;
    s.trnsGrey = 2; // widens to 170
    TBitmap32 b = LoadPng(EncodePng(s));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(b.Pixel(x, y) >> 24, s.samples[std::size_t(y * 4 + x)] == 2 ? 0u : 255u);

    PngDesc rgb = Pattern(PNG_COLOR_TYPE_RGB, 16, true, 3, 3);
    rgb.samples[0] = 0x1234;
    rgb.samples[1] = 0x5678;
    rgb.samples[2] = 0x9ABC;
    rgb.trnsColour = true;
    rgb.trnsR = 0x1234;
    rgb.trnsG = 0x5678;
    rgb.trnsB = 0x9ABC;
    b = LoadPng(EncodePng(rgb));
    EXPECT_EQ(b.Pixel(0, 0), Color32(0x12, 0x56, 0x9A, 0));
    EXPECT_EQ(b.Pixel(2, 2) >> 24, 255u);
}

// A 16-bit key is compared with the whole 16-bit samples: a pixel that differs from the key
// only below the top byte stays opaque, both as an object image and as a picture file.
TEST(PngTransparency, SixteenBitKeysCompareAllSixteenBits) {
    PngDesc rgb = Pattern(PNG_COLOR_TYPE_RGB, 16, false, 2, 1);
    rgb.samples = {0x1234, 0x5678, 0x9ABC, 0x12FF, 0x5678, 0x9ABC};
    rgb.trnsColour = true;
    rgb.trnsR = 0x1234;
    rgb.trnsG = 0x5678;
    rgb.trnsB = 0x9ABC;
    PngDesc grey = Pattern(PNG_COLOR_TYPE_GRAY, 16, true, 2, 1);
    grey.samples = {0xAB00, 0xAB01};
    grey.trnsColour = true;
    grey.trnsGrey = 0xAB00;
    for (const PngDesc& desc : {rgb, grey}) {
        const Bytes png = EncodePng(desc);
        const TBitmap32 object = LoadPng(png);
        const TBitmap32 picture = Decode(png, "png");
        EXPECT_EQ(object.Pixel(0, 0) >> 24, 0u);
        EXPECT_EQ(object.Pixel(1, 0) >> 24, 255u);
        EXPECT_EQ(picture.Pixel(0, 0), object.Pixel(0, 0));
        EXPECT_EQ(picture.Pixel(1, 0), object.Pixel(1, 0));
    }
}

// Opening a photo with a transparent colour decodes it once and keeps one picture: the object
// rules change nothing there, so both results share their pixels.
TEST(PngTransparency, OpeningAKeyedPictureHoldsOneCopy) {
    TempDir dir;
    PngDesc rgb = Pattern(PNG_COLOR_TYPE_RGB, 8, false, 40, 30);
    rgb.trnsColour = true;
    rgb.trnsR = rgb.samples[0];
    rgb.trnsG = rgb.samples[1];
    rgb.trnsB = rgb.samples[2];
    PngDesc indexed = Pattern(PNG_COLOR_TYPE_PALETTE, 4, false, 40, 30);
    indexed.trns = {0, 255, 0};
    for (const PngDesc& desc : {rgb, indexed}) {
        WriteBytes(dir.File("keyed.png"), EncodePng(desc));
        TBitmap32 tested, loaded;
        ASSERT_TRUE(LoadImageFile(dir.File("keyed.png"), tested, &loaded));
        EXPECT_TRUE(tested.SharesPixelsWith(loaded));
        EXPECT_EQ(tested.Pixel(0, 0) >> 24, 0u);
    }
    // Where the rules do differ (a palette colour also used by an opaque entry), the object
    // image makes both entries transparent and the picture file keeps the opaque one.
    indexed.palette[1] = indexed.palette[0];
    WriteBytes(dir.File("twice.png"), EncodePng(indexed));
    TBitmap32 tested, loaded;
    ASSERT_TRUE(LoadImageFile(dir.File("twice.png"), tested, &loaded));
    EXPECT_FALSE(tested.SharesPixelsWith(loaded));
    for (std::size_t i = 0; i < indexed.samples.size(); ++i) {
        const int x = int(i % 40), y = int(i / 40);
        if (indexed.samples[i] == 1) {
            EXPECT_EQ(tested.Pixel(x, y) >> 24, 0u);
            EXPECT_EQ(loaded.Pixel(x, y) >> 24, 255u);
        }
    }
}

// A chunk we never use that claims a huge length must cost nothing: libpng is never asked for
// more than a row's worth of memory.
TEST(PngLimits, IgnoredChunksClaimingHugeLengthsAllocateNothing) {
    const Bytes good = EncodePng(Pattern(PNG_COLOR_TYPE_RGB, 8, false, 4, 4));
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "eXIf", "iCCP", "tIME", "abCd"}) {
        SCOPED_TRACE(type);
        // The signature and the header chunk, then the hostile chunk, then the rest.
        Bytes png(good.begin(), good.begin() + 33);
        PutBe32(png, 0x40000000u);
        png.insert(png.end(), type, type + 4);
        png.insert(png.end(), {'a', 0, 'b', 0, 0, 0, 0});
        EXPECT_THROW(Decode(png, "png"), EImageError);
        EXPECT_LT(codecs::PngLargestLibraryRequest(), std::size_t(1) << 20);
    }
}

TEST(PngTransparency, PaletteWithPartialValueStaysOpaqueAsObjectImage) {
    PngDesc s = Pattern(PNG_COLOR_TYPE_PALETTE, 8, false, 6, 5);
    s.palette.resize(256);
    s.trns = {255, 128, 0};
    const Bytes png = EncodePng(s);
    const TBitmap32 object = LoadPng(png);
    for (std::size_t i = 0; i < object.PixelCount(); ++i)
        ASSERT_EQ(object.ConstBits()[i] >> 24, 255u);
    // Opened as a picture file, the decoder's alpha channel is kept.
    const TBitmap32 picture = Decode(png, "png");
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const unsigned index = s.samples[std::size_t(y * 6 + x)];
            const unsigned alpha = index < 3 ? s.trns[index] : 255;
            EXPECT_EQ(picture.Pixel(x, y), (s.palette[index] & 0xFFFFFF) | (alpha << 24));
        }
}

TEST(PngTransparency, PaletteZeroEntriesMakeTheirColoursTransparent) {
    PngDesc s;
    s.width = 4;
    s.height = 1;
    s.colourType = PNG_COLOR_TYPE_PALETTE;
    // Entries 0 and 2 are transparent; entry 3 is opaque but has entry 0's colour.
    s.palette = {Color32(1, 2, 3), Color32(9, 9, 9), Color32(4, 5, 6), Color32(1, 2, 3)};
    s.trns = {0, 255, 0};
    s.samples = {0, 1, 2, 3};
    const TBitmap32 b = LoadPng(EncodePng(s));
    EXPECT_EQ(b.Pixel(0, 0), Color32(1, 2, 3, 0));
    EXPECT_EQ(b.Pixel(1, 0), Color32(9, 9, 9));
    EXPECT_EQ(b.Pixel(2, 0), Color32(4, 5, 6, 0));
    EXPECT_EQ(b.Pixel(3, 0), Color32(1, 2, 3, 0));
}

TEST(PngStream, ReadsFromTheCurrentPositionAndStopsAfterThePicture) {
    const Bytes first = EncodePngRgba(PatternBitmap(3, 2, 1));
    const Bytes second = EncodePngRgba(PatternBitmap(2, 5, 2));
    Bytes all = {'x', 'y', 'z'};
    all.insert(all.end(), first.begin(), first.end());
    all.insert(all.end(), second.begin(), second.end());
    TMemoryStream stream(all);
    stream.SetPosition(3);
    TBitmap32 b;
    LoadPngIntoBitmap(b, stream);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(stream.Position(), 3 + first.size());
    LoadPngIntoBitmap(b, stream);
    EXPECT_TRUE(
        PixelsAre(b, 2, 5, [&](int x, int y) { return PatternBitmap(2, 5, 2).Pixel(x, y); }));
    EXPECT_EQ(stream.Position(), all.size());
}

TEST(PngStream, NonPngDataFailsAndLeavesTheBitmap) {
    TBitmap32 b = PatternBitmap(2, 2);
    b.DrawMode = dmBlend;
    const TBitmap32 before = b;
    TMemoryStream stream(EncodeJpeg(PatternBitmap(8, 8)));
    EXPECT_EQ(ErrorText([&] { LoadPngIntoBitmap(b, stream); }),
              "The PNG data is not a valid PNG picture (Invalid PNG signature)");
    EXPECT_TRUE(b.SharesPixelsWith(before));
    EXPECT_EQ(b.DrawMode, dmBlend);

    TempDir dir;
    EXPECT_THROW(LoadPngIntoBitmap(b, dir.File("missing.png")), EFileError);
}

TEST(PngStream, LoadingKeepsTheBitmapsProperties) {
    TBitmap32 b;
    b.DrawMode = dmBlend;
    b.OuterColor = 0x12345678;
    TMemoryStream stream(EncodePngRgba(PatternBitmap(3, 3)));
    LoadPngIntoBitmap(b, stream);
    EXPECT_EQ(b.DrawMode, dmBlend);
    EXPECT_EQ(b.OuterColor, 0x12345678u);
    EXPECT_EQ(b.Width(), 3);
}

// Rewrites the IHDR size of a valid PNG (and its CRC) to claim another size.
Bytes WithClaimedSize(Bytes png, std::uint32_t w, std::uint32_t h) {
    Bytes size;
    PutBe32(size, w);
    PutBe32(size, h);
    std::copy(size.begin(), size.end(), png.begin() + 16);
    const std::uint32_t crc = std::uint32_t(crc32(0, png.data() + 12, 17));
    Bytes c;
    PutBe32(c, crc);
    std::copy(c.begin(), c.end(), png.begin() + 29);
    return png;
}

TEST(PngLimits, OversizedPicturesAreRefusedWithTheirSize) {
    const Bytes png = EncodePngRgba(PatternBitmap(2, 2));
    EXPECT_EQ(ErrorText([&] { Decode(WithClaimedSize(png, 70000, 20), "png"); }),
              "test.png is too large to open (70000 x 20 pixels)");
    EXPECT_EQ(ErrorText([&] { LoadPng(WithClaimedSize(png, 20000, 20000)); }),
              "The PNG data is too large to open (20000 x 20000 pixels)");
    // A claimed size the data does not fill is damage, not a crash.
    EXPECT_THROW(Decode(WithClaimedSize(png, 3000, 3000), "png"), EImageError);
}

} // namespace
} // namespace lumetta::test
