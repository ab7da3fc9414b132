// GIF writing: the halftone palette, its nearest-entry rule and the serpentine error diffusion.
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

using namespace lumetta;

namespace {

TBitmap32 DecodeGif(const std::vector<std::uint8_t>& bytes) {
    TBitmap32 bitmap;
    LoadPictureData(bitmap, bytes.data(), bytes.size(), "gif", "saved.gif");
    return bitmap;
}

// The plain search the fast rule must agree with: least squared distance, lowest index first.
int SearchNearest(int r, int g, int b) {
    const auto& palette = HalftonePalette();
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const int dr = r - RedComponent(palette[i]);
        const int dg = g - GreenComponent(palette[i]);
        const int db = b - BlueComponent(palette[i]);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Error diffusion written the plain way: errors in memory, spread as the rule says, row by row.
std::vector<std::uint8_t> PlainDither(const TBitmap32& picture) {
    const int w = picture.Width(), h = picture.Height();
    const auto& palette = HalftonePalette();
    std::vector<int> cur(3 * (w + 2)), next(3 * (w + 2));
    std::vector<std::uint8_t> out(picture.PixelCount());
    for (int y = 0; y < h; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const int step = y % 2 == 0 ? 1 : -1;
        for (int i = 0, x = step > 0 ? 0 : w - 1; i < w; ++i, x += step) {
            const TColor32 c = picture.Pixel(x, y);
            int* e = &cur[3 * (x + 1)];
            const int v[3] = {std::clamp(RedComponent(c) + (e[0] + 8) / 16, 0, 255),
                              std::clamp(GreenComponent(c) + (e[1] + 8) / 16, 0, 255),
                              std::clamp(BlueComponent(c) + (e[2] + 8) / 16, 0, 255)};
            const int index = NearestHalftoneIndex(v[0], v[1], v[2]);
            out[std::size_t(y) * w + x] = std::uint8_t(index);
            const int q[3] = {RedComponent(palette[index]), GreenComponent(palette[index]),
                              BlueComponent(palette[index])};
            int* below = &next[3 * (x + 1)];
            for (int k = 0; k < 3; ++k) {
                const int d = v[k] - q[k];
                e[3 * step + k] += 7 * d;
                below[-3 * step + k] += 3 * d;
                below[k] += 5 * d;
                below[3 * step + k] += d;
            }
        }
        std::swap(cur, next);
    }
    return out;
}

void CheckGif(int result, GifFileType* gif) {
    ASSERT_NE(result, GIF_ERROR) << GifErrorString(gif->Error);
}

int AppendToVector(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* file = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    file->insert(file->end(), bytes, bytes + count);
    return count;
}

// The same image written through giflib: GIF87a, the halftone palette as the global table, one
// image of the given indices.
std::vector<std::uint8_t> GiflibFile(const std::vector<std::uint8_t>& indices, int w, int h) {
    std::vector<std::uint8_t> file;
    int error = 0;
    GifFileType* gif = EGifOpen(&file, AppendToVector, &error);
    EXPECT_NE(gif, nullptr);
    if (!gif) return {};
    EGifSetGifVersion(gif, false);
    std::vector<GifColorType> colours;
    for (TColor32 c : HalftonePalette())
        colours.push_back({GifByteType(RedComponent(c)), GifByteType(GreenComponent(c)),
                           GifByteType(BlueComponent(c))});
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    CheckGif(EGifPutScreenDesc(gif, w, h, 8, 0, map), gif);
    GifFreeMapObject(map);
    CheckGif(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), gif);
    std::vector<GifPixelType> row(std::size_t(w), 0);
    for (int y = 0; y < h; ++y) {
        std::copy_n(indices.begin() + std::ptrdiff_t(y) * w, w, row.begin());
        CheckGif(EGifPutLine(gif, row.data(), w), gif);
    }
    EXPECT_NE(EGifCloseFile(gif, &error), GIF_ERROR);
    return file;
}

TEST(HalftonePalette, HoldsTheColourCubeAndFortyMoreGreys) {
    const auto& palette = HalftonePalette();
    std::set<TColor32> distinct(palette.begin(), palette.end());
    EXPECT_EQ(distinct.size(), 256u);
    for (TColor32 c : palette)
        EXPECT_EQ(AlphaComponent(c), 255);
    EXPECT_EQ(palette[0], 0xFF000000u);
    EXPECT_EQ(palette[215], 0xFFFFFFFFu);
    EXPECT_EQ(palette[36 * 2 + 6 * 3 + 4], Color32(102, 153, 204));
    // The extra greys rise in steps of 255 / 45, skipping the cube's own greys.
    EXPECT_EQ(palette[216], Color32(6, 6, 6));
    EXPECT_EQ(palette[223], Color32(45, 45, 45));
    EXPECT_EQ(palette[224], Color32(57, 57, 57));
    EXPECT_EQ(palette[255], Color32(249, 249, 249));
}

TEST(HalftonePalette, NearestEntryAgreesWithAFullSearch) {
    // Every grey (where cube and extra greys compete), and a lattice through the colour space.
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(NearestHalftoneIndex(v, v, v), SearchNearest(v, v, v)) << v;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7)
                ASSERT_EQ(NearestHalftoneIndex(r, g, b), SearchNearest(r, g, b))
                    << r << "," << g << "," << b;
    // Near-greys, where the two candidates are closest to each other.
    for (int v = 0; v < 256; ++v)
        for (int d = -6; d <= 6; ++d) {
            const int g = std::clamp(v + d, 0, 255);
            ASSERT_EQ(NearestHalftoneIndex(v, g, v), SearchNearest(v, g, v));
            ASSERT_EQ(NearestHalftoneIndex(g, v, 255 - v), SearchNearest(g, v, 255 - v));
        }
}

// Worked by hand: six pixels of (30, 0, 0), errors in sixteenths.
//   row 0, left to right
//     (0,0) 30          -> cube (51,0,0) #36, error -21 red
//     (1,0) 30 + (-147+8)/16 = 22 -> grey (6,6,6) #216 (328 < 484), error (16,-6,-6)
//     (2,0) 30 + (112+8)/16 = 37, green 0 + (-42+8)/16 = -2 -> 0 -> #36, error -14
//   row 1 gathers red -57 / 17 / -54 and green, blue -18 / -30 / -6; right to left
//     (2,1) 30 + (-54+8)/16 = 28 -> #36: 529 against the grey (11,11,11) at 531; error -23
//     (1,1) 30 + (17-161+8)/16 = 22 -> #216, error (16,-6,-6) passed on 7/16 to the left
//     (0,1) 30 + (-57+112+8)/16 = 33 -> #36
// Left to right, (0,1) would have been 30 + (-57+8)/16 = 27 -> the grey (11,11,11), #217.
TEST(HalftoneDither, FollowsTheSerpentineOrderWithErrorsInSixteenths) {
    TBitmap32 picture(3, 2);
    picture.Clear(Color32(30, 0, 0));
    const std::vector<std::uint8_t> expected = {36, 216, 36, 36, 216, 36};
    EXPECT_EQ(DitherToHalftone(picture), expected);

    const TBitmap32 back = DecodeGif(EncodeGif(picture));
    EXPECT_EQ(back.Pixel(1, 1), Color32(6, 6, 6));
    EXPECT_EQ(back.Pixel(0, 1), Color32(51, 0, 0));
}

TEST(HalftoneDither, PaletteColoursPassUnchangedAndAlphaIsIgnored) {
    const auto& palette = HalftonePalette();
    TBitmap32 picture(16, 16);
    for (int i = 0; i < 256; ++i)
        picture.SetPixel(i % 16, i / 16, (palette[i] & 0x00FFFFFF) | TColor32(i) << 24);
    const std::vector<std::uint8_t> indices = DitherToHalftone(picture);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(indices[i], i);
}

TEST(HalftoneDither, ErrorAveragesOutOnAUniformColour) {
    // A colour far from every entry becomes a mix whose mean is close to the colour itself (error
    // leaving the picture at its edges is lost).
    TBitmap32 picture(64, 64);
    picture.Clear(Color32(130, 70, 200));
    const auto& palette = HalftonePalette();
    const std::vector<std::uint8_t> indices = DitherToHalftone(picture);
    double r = 0, g = 0, b = 0;
    for (std::uint8_t i : indices) {
        r += RedComponent(palette[i]);
        g += GreenComponent(palette[i]);
        b += BlueComponent(palette[i]);
    }
    const double n = double(indices.size());
    EXPECT_NEAR(r / n, 130, 2.0);
    EXPECT_NEAR(g / n, 70, 2.0);
    EXPECT_NEAR(b / n, 200, 2.0);
}

TEST(GifEncoder, WritesOneOpaqueImageOfPaletteColours) {
    TBitmap32 picture(45, 31);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 45; ++x)
            picture.SetPixel(x, y, Color32(x * 5, y * 8, 255 - x * 3, x == y ? 0 : 255));
    const std::vector<std::uint8_t> gif = EncodeGif(picture);
    ASSERT_GE(gif.size(), 13u + 768u);
    EXPECT_EQ(std::memcmp(gif.data(), "GIF87a", 6), 0);
    EXPECT_EQ(gif[10] & 0x87, 0x87); // a global table of 256 entries
    EXPECT_EQ(gif.back(), 0x3B);     // the trailer

    const TBitmap32 back = DecodeGif(gif);
    ASSERT_EQ(back.Width(), 45);
    ASSERT_EQ(back.Height(), 31);
    const auto& palette = HalftonePalette();
    const std::set<TColor32> colours(palette.begin(), palette.end());
    const std::vector<std::uint8_t> indices = DitherToHalftone(picture);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 45; ++x) {
            ASSERT_TRUE(colours.count(back.Pixel(x, y))) << x << "," << y;
            ASSERT_EQ(back.Pixel(x, y), palette[indices[std::size_t(y) * 45 + x]]);
        }
}

// The file must be the one giflib writes for the same indices, and the indices those of the
// plain diffusion: noise (a clear code every few thousand pixels, every code width), flat
// areas and stripes (long strings), pictures of one row or one column, and one big enough to
// dither on a second thread.
TEST(GifEncoder, SameBytesAsGiflibOnTheSameIndices) {
    std::mt19937 random(3);
    const auto& palette = HalftonePalette();
    auto noise = [&](int w, int h) {
        TBitmap32 b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x, y, TColor32(random()));
        return b;
    };
    auto stripes = [&](int w, int h) {
        TBitmap32 b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x, y, palette[std::size_t((x / 7 + y / 3) % 5 * 40)]);
        return b;
    };
    auto shading = [&](int w, int h) {
        TBitmap32 b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x, y, Color32(x * 255 / w, y * 255 / h, (x + y) % 256));
        return b;
    };
    std::vector<TBitmap32> pictures = {noise(1, 1),     noise(1, 300),      noise(300, 1),
                                       noise(97, 61),   stripes(256, 256),  shading(640, 480),
                                       noise(700, 500), shading(1200, 1000)};
    TBitmap32 flat(500, 300);
    flat.Clear(palette[100]);
    pictures.push_back(flat);
    for (const TBitmap32& picture : pictures) {
        SCOPED_TRACE(testing::Message() << picture.Width() << "x" << picture.Height());
        const std::vector<std::uint8_t> indices = PlainDither(picture);
        ASSERT_EQ(DitherToHalftone(picture), indices);
        ASSERT_EQ(EncodeGif(picture), GiflibFile(indices, picture.Width(), picture.Height()));
    }
}

} // namespace
