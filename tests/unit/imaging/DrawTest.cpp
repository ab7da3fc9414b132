#include "imaging/Bitmap32.h"
#include "imaging/Blend.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

TColor32 ReferenceBlend(TColor32 f, TColor32 b) {
    const int a = int(f >> 24);
    if (a == 0) return b;
    if (a == 255) return f;
    TColor32 out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int fc = int((f >> shift) & 0xFF), bc = int((b >> shift) & 0xFF);
        out |= TColor32((fc * a + bc * (256 - a) + 128) >> 8) << shift;
    }
    return out;
}

TEST(Blend, ReferenceValues) {
    // White at alpha 128 over opaque black: alpha 192, grey 128.
    EXPECT_EQ(BlendPixel(0x80FFFFFFu, 0xFF000000u), 0xC0808080u);
    EXPECT_EQ(BlendPixel(0x00123456u, 0x89ABCDEFu), 0x89ABCDEFu); // alpha 0: untouched
    EXPECT_EQ(BlendPixel(0xFF123456u, 0x89ABCDEFu), 0xFF123456u); // alpha 255: replaced
    EXPECT_EQ(BlendPixel(0xFF000000u, 0xFFFFFFFFu), 0xFF000000u);
    EXPECT_EQ(BlendPixel(0x01FFFFFFu, 0x00000000u), 0x00010101u);
}

TEST(Blend, RowMatchesFormulaForEveryAlpha) {
    // Every alpha against several backgrounds, through the vector path and the tail.
    std::vector<TColor32> src, bg;
    const TColor32 backgrounds[] = {0x00000000u, 0xFFFFFFFFu, 0x7F10E080u, 0xFF00FF00u};
    for (int a = 0; a < 256; ++a)
        for (TColor32 b : backgrounds) {
            src.push_back(Color32(255 - a, a, (a * 7) & 0xFF, a));
            bg.push_back(b ^ TColor32(a * 0x010203));
        }
    src.push_back(0x80FFFFFFu); // odd length: one pixel for the scalar tail
    bg.push_back(0xFF000000u);
    for (bool baseline : {false, true}) {
        UseBaselineBlend(baseline);
        std::vector<TColor32> dst = bg;
        BlendRow(dst.data(), src.data(), dst.size());
        UseBaselineBlend(false);
        for (std::size_t i = 0; i < dst.size(); ++i)
            ASSERT_EQ(dst[i], ReferenceBlend(src[i], bg[i])) << "pixel " << i << " " << baseline;
    }
}

TBitmap32 Uniform(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

TEST(Draw, OpaqueCopiesAlphaAndBlendUsesIt) {
    TBitmap32 dst = Uniform(4, 1, 0xFF000000u);
    TBitmap32 src(4, 1);
    src.SetPixel(0, 0, 0x00FFFFFFu);
    src.SetPixel(1, 0, 0x80FFFFFFu);
    src.SetPixel(2, 0, 0xFF112233u);
    src.SetPixel(3, 0, 0x40204060u);
    TBitmap32 copied = dst;
    copied.Draw(0, 0, src);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(copied.Pixel(x, 0), src.Pixel(x, 0));

    src.DrawMode = dmBlend;
    dst.Draw(0, 0, src);
    EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(dst.Pixel(1, 0), 0xC0808080u);
    EXPECT_EQ(dst.Pixel(2, 0), 0xFF112233u);
    EXPECT_EQ(dst.Pixel(3, 0), ReferenceBlend(0x40204060u, 0xFF000000u));
}

TEST(Draw, ClipsAtNegativeAndFarPositions) {
    const TBitmap32 src = test::PatternBitmap(8, 7, 3);
    TBitmap32 dst = Uniform(10, 10, 0xFF0000FFu);
    dst.Draw(-5, -5, src);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const TColor32 want = (x < 3 && y < 2) ? src.Pixel(x + 5, y + 5) : 0xFF0000FFu;
            ASSERT_EQ(dst.Pixel(x, y), want) << x << "," << y;
        }
    TBitmap32 far = Uniform(10, 10, 0xFF0000FFu);
    far.Draw(7, 8, src);
    EXPECT_EQ(far.Pixel(9, 9), src.Pixel(2, 1));
    EXPECT_EQ(far.Pixel(6, 9), 0xFF0000FFu);
    far.Draw(-2147483647, 2147483600, src); // nothing inside, no overflow
    far.Draw(2147483647, -2147483647, src);
    EXPECT_EQ(far.Pixel(0, 0), 0xFF0000FFu);
}

TEST(Draw, NothingHappensForEmptyBitmapsOrEmptySourceRect) {
    TBitmap32 dst = Uniform(3, 3, 0xFF445566u);
    int changes = 0;
    dst.OnChange = [&] { ++changes; };
    TBitmap32 empty;
    dst.Draw(0, 0, empty);
    dst.Draw({0, 0, 3, 3}, {0, 0, 0, 0}, empty);
    const TBitmap32 src = Uniform(2, 2, 0xFF000000u);
    dst.Draw({0, 0, 3, 3}, {1, 1, 1, 2}, src); // empty source rectangle
    dst.Draw({0, 0, 3, 3}, {2, 0, 1, 2}, src); // inverted: empty, not invalid
    TBitmap32 none;
    none.Draw(0, 0, src);
    none.Draw({0, 0, 1, 1}, {-1, 0, 5, 5}, src);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(dst.Pixel(1, 1), 0xFF445566u);
    EXPECT_TRUE(none.Empty());
}

TEST(Draw, InvalidSourceRectFailsWithoutWriting) {
    TBitmap32 dst = Uniform(4, 4, 0xFF445566u);
    const TBitmap32 src = Uniform(2, 2, 0xFF000000u);
    const TRect bad[] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {0, 0, 3, 2}, {0, 0, 2, 3}};
    for (const TRect& r : bad) {
        try {
            dst.Draw({0, 0, 4, 4}, r, src);
            ADD_FAILURE() << "no error";
        } catch (const ETransformError& e) {
            EXPECT_STREQ(e.what(), "Source rectangle is invalid");
        }
    }
    EXPECT_EQ(dst.Pixel(0, 0), 0xFF445566u);
}

TEST(Draw, RectToRectSameSizeIsPixelForPixel) {
    const TBitmap32 src = test::PatternBitmap(6, 5, 7);
    TBitmap32 dst(5, 5);
    dst.Draw({-1, 2, 3, 5}, {2, 1, 6, 4}, src); // clipped on the left
    for (int y = 2; y < 5; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(dst.Pixel(x, y), src.Pixel(x + 3, y - 1));
    EXPECT_EQ(dst.Pixel(3, 2), 0u);
    EXPECT_EQ(dst.Pixel(0, 1), 0u);
}

TEST(Draw, StretchNearestColumnsAndRows) {
    TBitmap32 src(2, 1);
    src.SetPixel(0, 0, 0xFF0000AAu);
    src.SetPixel(1, 0, 0xFF0000BBu);
    TBitmap32 dst(4, 1);
    dst.Draw({0, 0, 4, 1}, {0, 0, 2, 1}, src);
    EXPECT_EQ(dst.Pixel(0, 0), 0xFF0000AAu);
    EXPECT_EQ(dst.Pixel(1, 0), 0xFF0000AAu);
    EXPECT_EQ(dst.Pixel(2, 0), 0xFF0000BBu);
    EXPECT_EQ(dst.Pixel(3, 0), 0xFF0000BBu);

    // Clipping keeps the mapping of the unclipped rectangle: columns 2 and 3 of the stretch
    // land at 0 and 1.
    TBitmap32 clipped(2, 1);
    clipped.Draw({-2, 0, 2, 1}, {0, 0, 2, 1}, src);
    EXPECT_EQ(clipped.Pixel(0, 0), 0xFF0000BBu);
    EXPECT_EQ(clipped.Pixel(1, 0), 0xFF0000BBu);

    // Shrinking 6 rows to 3 reads rows 0, 2, 4 (scale 2); one row reads the middle row.
    TBitmap32 tall(1, 6);
    for (int y = 0; y < 6; ++y)
        tall.SetPixel(0, y, TColor32(0xFF000000u | y));
    TBitmap32 three(1, 3);
    three.Draw({0, 0, 1, 3}, {0, 0, 1, 6}, tall);
    EXPECT_EQ(three.Pixel(0, 0) & 0xFF, 0u);
    EXPECT_EQ(three.Pixel(0, 1) & 0xFF, 2u);
    EXPECT_EQ(three.Pixel(0, 2) & 0xFF, 4u);
    TBitmap32 one(1, 1);
    one.Draw({0, 0, 1, 1}, {0, 1, 1, 6}, tall); // rows 1..5: (1 + 6 - 1) div 2 = 3
    EXPECT_EQ(one.Pixel(0, 0) & 0xFF, 3u);
}

TEST(Draw, StretchMapUsesSinglePrecisionScale) {
    // 7 -> 3 columns: scale 7/3 as a float; columns trunc(0), trunc(2.333), trunc(4.667).
    TBitmap32 src(7, 1);
    for (int x = 0; x < 7; ++x)
        src.SetPixel(x, 0, TColor32(0xFF000000u | x));
    TBitmap32 dst(3, 1);
    dst.Draw({0, 0, 3, 1}, {0, 0, 7, 1}, src);
    EXPECT_EQ(dst.Pixel(0, 0) & 0xFF, 0u);
    EXPECT_EQ(dst.Pixel(1, 0) & 0xFF, 2u);
    EXPECT_EQ(dst.Pixel(2, 0) & 0xFF, 4u);
    // Against a direct evaluation over many sizes, with an offset source rectangle.
    const TBitmap32 wide = test::PatternBitmap(50, 1, 9);
    for (int dw = 2; dw < 120; ++dw) {
        TBitmap32 out(dw, 1);
        out.Draw({0, 0, dw, 1}, {3, 0, 47, 1}, wide);
        const float scale = float(44) / float(dw);
        for (int x = 0; x < dw; ++x)
            ASSERT_EQ(out.Pixel(x, 0), wide.Pixel(int(3.0f + float(x) * scale), 0)) << dw;
    }
}

TEST(Draw, StretchBlendsWithSourceAlpha) {
    TBitmap32 src(1, 1);
    src.SetPixel(0, 0, 0x80FFFFFFu);
    src.DrawMode = dmBlend;
    TBitmap32 dst = Uniform(3, 2, 0xFF000000u);
    dst.Draw({0, 0, 3, 2}, {0, 0, 1, 1}, src);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dst.Pixel(x, y), 0xC0808080u);
}

TEST(Draw, OntoItselfReadsTheOriginalPicture) {
    const TBitmap32 start = test::PatternBitmap(6, 6, 11);
    TBitmap32 b = start;
    b.Draw(1, 1, b);
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 6; ++x)
            ASSERT_EQ(b.Pixel(x, y), start.Pixel(x - 1, y - 1));
    EXPECT_EQ(b.Pixel(0, 0), start.Pixel(0, 0));

    TBitmap32 s = start;
    s.Draw({0, 0, 6, 6}, {0, 0, 3, 3}, s); // enlarge the top-left quarter over everything
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(s.Pixel(x, y), start.Pixel(x / 2, y / 2));
}

TEST(Draw, SharedCopyIsNotDisturbed) {
    const TBitmap32 src = test::PatternBitmap(5, 5, 2);
    TBitmap32 dst = test::PatternBitmap(5, 5, 4);
    const TBitmap32 snapshot = dst;
    ASSERT_TRUE(snapshot.SharesPixelsWith(dst));
    dst.Draw(0, 0, src);
    EXPECT_FALSE(snapshot.SharesPixelsWith(dst));
    EXPECT_EQ(snapshot.Pixel(2, 2), test::PatternBitmap(5, 5, 4).Pixel(2, 2));
    EXPECT_EQ(dst.Pixel(2, 2), src.Pixel(2, 2));
}

TEST(Draw, NotifiesOnce) {
    TBitmap32 dst(8, 8);
    int changes = 0;
    dst.OnChange = [&] { ++changes; };
    TBitmap32 src = test::PatternBitmap(4, 4);
    dst.Draw(2, 2, src);
    EXPECT_EQ(changes, 1);
    dst.Draw({0, 0, 8, 8}, {0, 0, 4, 4}, src);
    EXPECT_EQ(changes, 2);
}

} // namespace
} // namespace lumetta
