// JPEG, GIF and TIFF, written with their own libraries.
#include "Helpers.h"

#include <tiffio.h>

#include <cmath>

#include "support/TestSupport.h"

#include <cstdlib>

namespace lumetta::test {
namespace {

// Blocks of flat colour survive JPEG compression within a few levels.
TBitmap32 Blocks(int w, int h) {
    TBitmap32 b(w, h);
    const TColor32 colours[4] = {Color32(200, 30, 40), Color32(20, 180, 60), Color32(40, 50, 220),
                                 Color32(240, 240, 240)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, colours[(x / 16 + 2 * (y / 16)) % 4]);
    return b;
}

::testing::AssertionResult Near(const TBitmap32& got, const TBitmap32& want, int tolerance,
                                bool grey = false) {
    if (got.Width() != want.Width() || got.Height() != want.Height())
        return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < want.Height(); ++y)
        for (int x = 0; x < want.Width(); ++x) {
            const TColor32 g = got.Pixel(x, y), w = want.Pixel(x, y);
            const int wr = RedComponent(w);
            const int diffs[3] = {RedComponent(g) - wr,
                                  GreenComponent(g) - (grey ? wr : GreenComponent(w)),
                                  BlueComponent(g) - (grey ? wr : BlueComponent(w))};
            if (AlphaComponent(g) != 255) return ::testing::AssertionFailure() << "not opaque";
            for (int d : diffs)
                if (std::abs(d) > tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << "," << y << ") off by " << d;
        }
    return ::testing::AssertionSuccess();
}

TEST(Jpeg, DecodesColourGreyCmykAndProgressive) {
    const TBitmap32 src = Blocks(64, 48);
    // Sample well inside the blocks, away from the ringing at their edges.
    auto inner = [](const TBitmap32& b) {
        TBitmap32 out(4, 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                out.SetPixel(x, y, b.Pixel(x * 16 + 8, y * 16 + 8));
        return out;
    };
    EXPECT_TRUE(Near(inner(Decode(EncodeJpeg(src, 95, 3), "jpg")), inner(src), 6));
    EXPECT_TRUE(Near(inner(Decode(EncodeJpeg(src, 95, 1), "jpeg")), inner(src), 3, true));
    EXPECT_TRUE(Near(inner(Decode(EncodeJpeg(src, 95, 4), "jpe")), inner(src), 6));
    EXPECT_TRUE(Near(inner(Decode(EncodeJpeg(src, 95, 3, true), "jfif")), inner(src), 6));
}

TEST(Jpeg, OddSizesFillEveryRowAndColumn) {
    TBitmap32 src(37, 23);
    src.Clear(Color32(90, 140, 200));
    EXPECT_TRUE(Near(Decode(EncodeJpeg(src, 90), "jpg"), src, 3));
}

TEST(Jpeg, DamagedDataFails) {
    Bytes jpeg = EncodeJpeg(Blocks(64, 64), 80);
    // Garbage in the entropy-coded data is a corrupt-data warning: treated as an error.
    Bytes noisy = jpeg;
    for (std::size_t i = noisy.size() / 2; i < noisy.size() - 2; i += 7)
        noisy[i] = std::uint8_t(noisy[i] ^ 0x5A);
    EXPECT_THROW(Decode(noisy, "jpg"), EImageError);
    EXPECT_EQ(ErrorText([] {
                  Decode(Bytes{'a', 'b', 'c', 'd'}, "jpg");
              }),
              "test.jpg is not a valid JPEG picture (Not a JPEG file: starts with 0x61 0x62)");
}

// Many cameras and editors leave stray bytes between the header's markers; the picture itself
// is whole and decodes as if they were not there.
TEST(Jpeg, StrayBytesBetweenMarkersAreAccepted) {
    const Bytes clean = EncodeJpeg(Blocks(64, 48), 90);
    std::size_t frame = 2;
    while (frame + 1 < clean.size() && !(clean[frame] == 0xFF && clean[frame + 1] == 0xC0))
        ++frame;
    ASSERT_LT(frame + 1, clean.size());
    Bytes stray = clean;
    stray.insert(stray.begin() + std::ptrdiff_t(frame), {0x00, 0x13, 0x37});
    const TBitmap32 want = Decode(clean, "jpg");
    EXPECT_TRUE(
        PixelsAre(Decode(stray, "jpg"), 64, 48, [&](int x, int y) { return want.Pixel(x, y); }));
}

// A file cut short shows what it holds; the rest is grey, and the caller is told.
TEST(Jpeg, AFileCutShortShowsWhatItHoldsWithTheRestGrey) {
    TempDir dir;
    // Busy enough that the compressed data, not the header, makes up most of the file.
    TBitmap32 src = PatternBitmap(64, 64);
    src.ResetAlpha();
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        const Bytes jpeg = EncodeJpeg(src, 90, 3, progressive);
        const TBitmap32 whole = Decode(jpeg, "jpg");
        const Bytes cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 7 / 10));
        WriteBytes(dir.File("cut.jpg"), cut);
        TBitmap32 b;
        std::string notice;
        LoadPictureFile(b, dir.File("cut.jpg"), &notice);
        EXPECT_EQ(notice, "cut.jpg ends early: what it lacks is shown grey or blurred");
        ASSERT_EQ(b.Width(), 64);
        ASSERT_EQ(b.Height(), 64);
        // A sequential file holds the top rows whole and nothing of the last ones: mid-grey. A
        // progressive one has its first scans for every row and lacks only detail.
        if (!progressive) {
            for (int x = 0; x < 64; ++x) {
                const TColor32 c = b.Pixel(x, 63);
                EXPECT_NEAR(RedComponent(c), 128, 2);
                EXPECT_NEAR(GreenComponent(c), 128, 2);
                EXPECT_NEAR(BlueComponent(c), 128, 2);
                EXPECT_EQ(b.Pixel(x, 3), whole.Pixel(x, 3)) << x;
            }
        }
        EXPECT_NEAR(RedComponent(b.Pixel(8, 8)), RedComponent(whole.Pixel(8, 8)), 40);
        TBitmap32 tested, loaded;
        notice.clear();
        EXPECT_TRUE(LoadImageFile(dir.File("cut.jpg"), tested, &loaded, &notice));
        EXPECT_FALSE(notice.empty());
        // A whole file says nothing.
        WriteBytes(dir.File("whole.jpg"), jpeg);
        notice.clear();
        LoadPictureFile(b, dir.File("whole.jpg"), &notice);
        EXPECT_TRUE(notice.empty());
    }
}

TEST(Gif, FirstFrameOnItsScreenWithInterlacedRows) {
    const std::vector<TColor32> palette = {Color32(0, 0, 0), Color32(255, 0, 0), Color32(0, 255, 0),
                                           Color32(0, 0, 255), Color32(9, 8, 7)};
    GifFrame first;
    first.left = 2;
    first.top = 1;
    first.width = 5;
    first.height = 19; // every interlace pass is partial
    first.interlace = true;
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x)
            first.indices.push_back(std::uint8_t((x + y) % 4));
    GifFrame second = first;
    second.interlace = false;
    std::fill(second.indices.begin(), second.indices.end(), 1);
    const Bytes gif = EncodeGif(8, 21, palette, 4, {first, second});

    const TBitmap32 b = Decode(gif, "gif");
    EXPECT_TRUE(PixelsAre(b, 8, 21, [&](int x, int y) {
        const int ix = x - 2, iy = y - 1;
        if (ix < 0 || iy < 0 || ix >= 5 || iy >= 19) return Color32(9, 8, 7); // background
        return palette[std::size_t((ix + iy) % 4)];
    }));
}

// An image reaching past the logical screen is cut at its edges: the picture is the screen.
TEST(Gif, AnImageOutsideTheScreenIsCutToIt) {
    GifFrame f;
    f.left = 3;
    f.top = 2;
    f.width = 6;
    f.height = 4;
    for (int i = 0; i < 24; ++i)
        f.indices.push_back(std::uint8_t(1 + i % 2));
    const std::vector<TColor32> palette = {Color32(9, 9, 9), Color32(255, 0, 0), Color32(0, 0, 255),
                                           Color32(1, 2, 3)};
    EXPECT_TRUE(PixelsAre(Decode(EncodeGif(5, 4, palette, 0, {f}), "gif"), 5, 4, [&](int x, int y) {
        if (x < 3 || y < 2) return palette[0];
        return palette[std::size_t(1 + ((y - 2) * 6 + (x - 3)) % 2)];
    }));
    // A screen of no size is the image itself, wherever the image says it is.
    f.left = 3;
    f.top = 60000;
    EXPECT_TRUE(PixelsAre(Decode(EncodeGif(0, 0, palette, 0, {f}), "gif"), 6, 4, [&](int x, int y) {
        return palette[std::size_t(1 + (y * 6 + x) % 2)];
    }));
    // Entirely outside: the screen's background only.
    f.left = 40;
    EXPECT_TRUE(PixelsAre(Decode(EncodeGif(5, 4, palette, 3, {f}), "gif"), 5, 4,
                          [&](int, int) { return palette[3]; }));
}

TEST(Gif, LocalPaletteAndIndexesBeyondThePalette) {
    GifFrame f;
    f.width = 4;
    f.height = 1;
    f.indices = {0, 1, 2, 3};
    f.localPalette = {Color32(1, 1, 1), Color32(2, 2, 2), Color32(3, 3, 3)}; // padded to 4
    const TBitmap32 b = Decode(EncodeGif(4, 1, {}, 0, {f}), "gif");
    EXPECT_EQ(b.Pixel(0, 0), Color32(1, 1, 1));
    EXPECT_EQ(b.Pixel(2, 0), Color32(3, 3, 3));
    EXPECT_EQ(b.Pixel(3, 0), Color32(0, 0, 0));
}

TEST(Gif, DamagedFilesFail) {
    GifFrame f;
    f.width = 30;
    f.height = 30;
    for (int i = 0; i < 900; ++i)
        f.indices.push_back(std::uint8_t(i * 7 % 5));
    const Bytes gif = EncodeGif(30, 30, {0, 1, 2, 3, 4, 5, 6, 7}, 0, {f});
    EXPECT_THROW(Decode(Bytes(gif.begin(), gif.end() - 40), "gif"), EImageError);
    EXPECT_THROW(Decode(EncodeGif(30, 30, {0, 1}, 0, {}), "gif"), EImageError); // no image
    EXPECT_THROW(Decode(EncodePngRgba(PatternBitmap(2, 2)), "gif"), EImageError);
}

TEST(Tiff, DecodesGreyRgbAndAlpha) {
    TempDir dir;
    TBitmap32 src = PatternBitmap(7, 5);
    src.ResetAlpha();
    WriteTiff(dir.File("rgb.tif"), src, 3);
    TBitmap32 b;
    LoadPictureFile(b, dir.File("rgb.tif"));
    EXPECT_TRUE(PixelsAre(b, 7, 5, [&](int x, int y) { return src.Pixel(x, y); }));

    WriteTiff(dir.File("grey.tiff"), src, 1, true);
    LoadPictureFile(b, dir.File("grey.tiff"));
    EXPECT_TRUE(PixelsAre(b, 7, 5, [&](int x, int y) {
        const int r = RedComponent(src.Pixel(x, y));
        return Color32(r, r, r);
    }));

    // Unassociated alpha comes back unpremultiplied, within rounding.
    TBitmap32 alpha(3, 1);
    alpha.SetPixel(0, 0, Color32(200, 100, 50, 255));
    alpha.SetPixel(1, 0, Color32(200, 100, 50, 128));
    alpha.SetPixel(2, 0, Color32(200, 100, 50, 0));
    WriteTiff(dir.File("alpha.fax"), alpha, 4, true);
    LoadPictureFile(b, dir.File("alpha.fax"));
    EXPECT_EQ(b.Pixel(0, 0), Color32(200, 100, 50, 255));
    EXPECT_EQ(AlphaComponent(b.Pixel(1, 0)), 128);
    EXPECT_NEAR(RedComponent(b.Pixel(1, 0)), 200, 2);
    EXPECT_NEAR(BlueComponent(b.Pixel(1, 0)), 50, 2);
    EXPECT_EQ(AlphaComponent(b.Pixel(2, 0)), 0);
}

TBitmap32 LoadTiff(const TempDir& dir, const TiffDesc& desc, const std::string& name = "t.tif") {
    WriteTiff(dir.File(name), desc);
    TBitmap32 b;
    LoadPictureFile(b, dir.File(name));
    return b;
}

// A 40 x 24 RGB picture in 16 x 16 tiles (768 bytes each, not a multiple of 1 KB), stored
// uncompressed, in every arrangement of its samples.
TEST(Tiff, UncompressedTilesOfAnySizeAndSeparatePlanes) {
    TempDir dir;
    TiffDesc d;
    d.width = 40;
    d.height = 24;
    d.samples = 3;
    d.photometric = PHOTOMETRIC_RGB;
    d.tileWidth = d.tileHeight = 16;
    d.sample = [](int x, int y, int s) { return double((x * 5 + y * 3 + s * 70) & 0xFF); };
    auto expected = [&](int x, int y) {
        return Color32(int(d.sample(x, y, 0)), int(d.sample(x, y, 1)), int(d.sample(x, y, 2)));
    };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, d), 40, 24, expected));
    d.separate = true;
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, d), 40, 24, expected));
    d.tileWidth = d.tileHeight = 0;
    d.compression = COMPRESSION_LZW;
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, d), 40, 24, expected));
}

// Grey with alpha is not premultiplied by libtiff: its colour must not be divided by alpha.
// Palette pictures keep their alpha sample; premultiplied (associated) alpha is undone.
TEST(Tiff, GreyAndPaletteKeepTheirAlpha) {
    TempDir dir;
    TiffDesc grey;
    grey.width = 3;
    grey.height = 1;
    grey.samples = 2;
    grey.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    const int levels[3][2] = {{200, 128}, {90, 255}, {10, 0}};
    grey.sample = [&](int x, int, int s) { return double(levels[x][s]); };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, grey), 3, 1, [&](int x, int) {
        return Color32(levels[x][0], levels[x][0], levels[x][0], levels[x][1]);
    }));
    grey.extraSamples = {EXTRASAMPLE_ASSOCALPHA};
    const TBitmap32 premultiplied = LoadTiff(dir, grey);
    EXPECT_EQ(premultiplied.Pixel(0, 0), Color32(255, 255, 255, 128)); // 200 * 255 / 128, held
    EXPECT_EQ(premultiplied.Pixel(1, 0), Color32(90, 90, 90));

    TiffDesc palette;
    palette.width = 4;
    palette.height = 2;
    palette.bits = 4;
    palette.samples = 2;
    palette.photometric = PHOTOMETRIC_PALETTE;
    palette.extraSamples = {EXTRASAMPLE_UNASSALPHA};
    palette.mapRed.assign(16, 0);
    palette.mapGreen.assign(16, 0);
    palette.mapBlue.assign(16, 0);
    for (int i = 0; i < 16; ++i) {
        palette.mapRed[std::size_t(i)] = std::uint16_t(i * 17 * 257);
        palette.mapBlue[std::size_t(i)] = std::uint16_t(65535 - i * 4096);
    }
    // Four bits of alpha: 0, 5, 10, 15 are 0, 85, 170 and 255.
    palette.sample = [](int x, int y, int s) { return double(s == 0 ? x + 4 * y : (x * 5) % 16); };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, palette), 4, 2, [](int x, int y) {
        const int i = x + 4 * y;
        return Color32(i * 17, 0, (65535 - i * 4096) >> 8, (x * 5 % 16) * 17);
    }));
}

// Stored 3 x 2 with six different pixels; each orientation shows it turned and flipped as the
// tag says: the pixel stored at (sx, sy) appears at the place the tag gives.
TEST(Tiff, AllEightOrientations) {
    TempDir dir;
    TiffDesc d;
    d.width = 3;
    d.height = 2;
    d.sample = [](int x, int y, int) { return double(10 + x + 3 * y); };
    auto stored = [](int x, int y) { return 10 + x + 3 * y; };
    const int W = 3, H = 2;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        d.orientation = orientation;
        const TBitmap32 b = LoadTiff(dir, d);
        const bool turned = orientation >= 5;
        EXPECT_TRUE(PixelsAre(b, turned ? H : W, turned ? W : H, [&](int x, int y) {
            int v = 0;
            switch (orientation) {
            case 1:
                v = stored(x, y);
                break;
            case 2:
                v = stored(W - 1 - x, y);
                break;
            case 3:
                v = stored(W - 1 - x, H - 1 - y);
                break;
            case 4:
                v = stored(x, H - 1 - y);
                break;
            case 5:
                v = stored(y, x);
                break;
            case 6:
                v = stored(y, H - 1 - x);
                break;
            case 7:
                v = stored(W - 1 - y, H - 1 - x);
                break;
            case 8:
                v = stored(W - 1 - y, x);
                break;
            }
            return Color32(v, v, v);
        }));
    }
    // The RGBA route (here YCbCr-free CMYK) turns the same way.
    TiffDesc cmyk;
    cmyk.width = 3;
    cmyk.height = 2;
    cmyk.samples = 4;
    cmyk.photometric = PHOTOMETRIC_SEPARATED;
    cmyk.orientation = 6;
    cmyk.sample = [](int x, int y, int s) { return s == 3 ? double(255 - (10 + x + 3 * y)) : 0.0; };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, cmyk), 2, 3, [&](int x, int y) {
        const int v = stored(y, H - 1 - x);
        return Color32(v, v, v);
    }));
}

// Deep and floating-point samples are scaled to 8 bits, rounded.
TEST(Tiff, DeepAndFloatingPointSamples) {
    TempDir dir;
    for (int bits : {10, 12, 14, 16, 32}) {
        SCOPED_TRACE(bits);
        TiffDesc d;
        d.width = 5;
        d.height = 3;
        d.bits = bits;
        d.samples = 3;
        d.photometric = PHOTOMETRIC_RGB;
        const double max = std::ldexp(1.0, bits) - 1;
        d.sample = [&](int x, int y, int s) {
            return std::floor(max * ((x + 5 * y + 4 * s) % 16) / 15.0);
        };
        EXPECT_TRUE(PixelsAre(LoadTiff(dir, d), 5, 3, [&](int x, int y) {
            auto level = [&](int s) { return int(std::lround(d.sample(x, y, s) * 255 / max)); };
            return Color32(level(0), level(1), level(2));
        }));
    }
    TiffDesc f;
    f.width = 4;
    f.height = 1;
    f.bits = 32;
    f.sampleFormat = SAMPLEFORMAT_IEEEFP;
    const double values[4] = {0.0, 0.5, 1.0, 7.5};
    f.sample = [&](int x, int, int) { return values[x]; };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, f), 4, 1, [](int x, int) {
        const int v = x == 0 ? 0 : x == 1 ? 128 : 255;
        return Color32(v, v, v);
    }));
    // One bit, 0 is white.
    TiffDesc mono;
    mono.width = 9;
    mono.height = 2;
    mono.bits = 1;
    mono.photometric = PHOTOMETRIC_MINISWHITE;
    mono.sample = [](int x, int y, int) { return double((x + y) % 2); };
    EXPECT_TRUE(PixelsAre(LoadTiff(dir, mono), 9, 2, [](int x, int y) {
        return (x + y) % 2 ? Color32(0, 0, 0) : Color32(255, 255, 255);
    }));
}

TEST(Tiff, DamagedAndOversizedFilesFail) {
    TempDir dir;
    WriteTiff(dir.File("a.tif"), PatternBitmap(40, 40), 3, true);
    Bytes tif = ReadBytes(dir.File("a.tif"));
    EXPECT_THROW(Decode(Bytes(tif.begin(), tif.begin() + 300), "tif"), EImageError);
    EXPECT_THROW(Decode(Bytes{'I', 'I', 42, 0}, "tif"), EImageError);

    // A minimal little-endian header whose one directory claims 70000 x 20 pixels.
    Bytes big = {'I', 'I', 42, 0};
    PutLe32(big, 8);
    PutLe16(big, 4);
    for (auto [tag, value] : {std::pair{256u, 70000u}, std::pair{257u, 20u}, std::pair{273u, 8u},
                              std::pair{279u, 1u}}) {
        PutLe16(big, tag);
        PutLe16(big, 4); // LONG
        PutLe32(big, 1);
        PutLe32(big, value);
    }
    PutLe32(big, 0);
    EXPECT_EQ(ErrorText([&] { Decode(big, "tiff"); }),
              "test.tiff is too large to open (70000 x 20 pixels)");
}

} // namespace
} // namespace lumetta::test
