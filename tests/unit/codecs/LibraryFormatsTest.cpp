// JPEG, GIF and TIFF, written with their own libraries.
#include "Helpers.h"

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
    Bytes cut(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() / 2));
    EXPECT_THROW(Decode(cut, "jpg"), EImageError);
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
