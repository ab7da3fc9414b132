#include "imaging/Transparency.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

TEST(Transparency, FindsAnyPixelBelowFullAlpha) {
    EXPECT_FALSE(HasTransparency(TBitmap32()));
    TBitmap32 picture(300, 40); // more pixels than one chunk of the scan
    picture.Clear(0xFF102030u);
    EXPECT_FALSE(HasTransparency(picture));
    picture.SetPixel(299, 39, 0xFE102030u);
    EXPECT_TRUE(HasTransparency(picture));
    picture.SetPixel(299, 39, 0xFF102030u);
    picture.SetPixel(0, 0, 0x00FFFFFFu);
    EXPECT_TRUE(HasTransparency(picture));
}

TEST(Transparency, FlattensOntoWhiteByTheBlendRule) {
    TBitmap32 picture(4, 1);
    picture.SetPixel(0, 0, 0xFF123456u); // opaque: unchanged
    picture.SetPixel(1, 0, 0x00123456u); // transparent: the hidden colour never shows
    picture.SetPixel(2, 0, 0x80000000u); // half black
    picture.SetPixel(3, 0, 0x01FF0000u);
    picture.DrawMode = dmBlend;
    const TBitmap32 flat = FlattenedOnto(picture);
    ASSERT_EQ(flat.Width(), 4);
    EXPECT_EQ(flat.DrawMode, dmBlend);
    EXPECT_EQ(flat.Pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(flat.Pixel(1, 0), kPaperWhite);
    // (0 * 128 + 255 * 128 + 128) >> 8 = 128 in each channel; the result is opaque.
    EXPECT_EQ(flat.Pixel(2, 0), 0xFF808080u);
    // Red: (255 * 1 + 255 * 255 + 128) >> 8 = 255; the others (255 * 255 + 128) >> 8 = 254.
    EXPECT_EQ(flat.Pixel(3, 0), 0xFFFFFEFEu);
    // The picture itself keeps its alpha.
    EXPECT_EQ(picture.Pixel(1, 0), 0x00123456u);

    TColor32 row[2] = {0x00000000u, 0x80FFFFFFu};
    FlattenRowOnto(row, row, 2, 0xFF000000u); // in place, onto black
    EXPECT_EQ(row[0], 0xFF000000u);
    EXPECT_EQ(row[1], 0xFF808080u);
}

TEST(Transparency, AnOpaquePictureIsNotCopied) {
    TBitmap32 picture = test::PatternBitmap(16, 9);
    picture.ResetAlpha();
    const TBitmap32 flat = FlattenedOnto(picture);
    EXPECT_TRUE(flat.SharesPixelsWith(picture));
    EXPECT_TRUE(SamePixels(flat, picture));
}

} // namespace
} // namespace lumetta
