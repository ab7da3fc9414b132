#include "imaging/Bitmap32.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

void ExpectSame(const TBitmap32& a, const TBitmap32& b) {
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
}

TBitmap32 Numbered(int w, int h) {
    TBitmap32 b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, TColor32(y * 100 + x));
    return b;
}

TEST(Geometry, Rotate90OfThreeByTwo) {
    // 0   1   2          100   0
    // 100 101 102   ->   101   1
    //                    102   2
    TBitmap32 b = Numbered(3, 2);
    b.DrawMode = dmBlend;
    b.OuterColor = 7;
    b.Rotate90();
    ASSERT_EQ(b.Width(), 2);
    ASSERT_EQ(b.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(b.Pixel(1, y), TColor32(y)); // the old top row is the right column
        EXPECT_EQ(b.Pixel(0, y), TColor32(100 + y));
    }
    EXPECT_EQ(b.DrawMode, dmBlend);
    EXPECT_EQ(b.OuterColor, 7u);
}

TEST(Geometry, Rotate270OfThreeByTwo) {
    TBitmap32 b = Numbered(3, 2);
    b.Rotate270();
    ASSERT_EQ(b.Width(), 2);
    ASSERT_EQ(b.Height(), 3);
    // (x, y) -> (y, 2 - x): the old top row is the left column, read bottom to top.
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(b.Pixel(0, 2 - x), TColor32(x));
        EXPECT_EQ(b.Pixel(1, 2 - x), TColor32(100 + x));
    }
}

TEST(Geometry, TurnsAndFlipsUndoThemselves) {
    // Sizes around the tile edge of the turns.
    for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {65, 3}, {130, 67}}) {
        const TBitmap32 start = test::PatternBitmap(w, h, unsigned(w * h));
        TBitmap32 b = start;
        b.Rotate270();
        b.Rotate90();
        ExpectSame(b, start);
        b.Rotate90();
        b.Rotate90();
        b.FlipHorz();
        b.FlipVert(); // two quarter turns are both flips
        ExpectSame(b, start);
        b.FlipHorz();
        EXPECT_EQ(b.Pixel(0, 0), start.Pixel(w - 1, 0));
        b.FlipHorz();
        b.FlipVert();
        EXPECT_EQ(b.Pixel(0, 0), start.Pixel(0, h - 1));
    }
}

TEST(Geometry, SharedPixelsAreLeftIntact) {
    const TBitmap32 start = Numbered(4, 3);
    const auto check = [&](const char* what, auto&& op) {
        TBitmap32 b = start;
        const TBitmap32 snapshot = b;
        op(b);
        EXPECT_FALSE(b.SharesPixelsWith(snapshot)) << what;
        ExpectSame(snapshot, Numbered(4, 3));
    };
    check("FlipHorz", [](TBitmap32& b) { b.FlipHorz(); });
    check("FlipVert", [](TBitmap32& b) { b.FlipVert(); });
    check("Rotate90", [](TBitmap32& b) { b.Rotate90(); });
    check("Rotate270", [](TBitmap32& b) { b.Rotate270(); });
    check("ResetAlpha", [](TBitmap32& b) { b.ResetAlpha(); });

    TBitmap32 flipped = start;
    flipped.FlipVert();
    EXPECT_EQ(flipped.Pixel(1, 0), start.Pixel(1, 2));
}

TEST(Geometry, ResetAlphaKeepsColours) {
    TBitmap32 b(2, 1);
    b.SetPixel(0, 0, 0x00123456u);
    b.SetPixel(1, 0, 0x80FFFFFFu);
    b.ResetAlpha();
    EXPECT_EQ(b.Pixel(0, 0), 0xFF123456u);
    EXPECT_EQ(b.Pixel(1, 0), 0xFFFFFFFFu);
    TBitmap32 empty;
    empty.ResetAlpha();
    empty.Rotate90();
    EXPECT_TRUE(empty.Empty());
}

} // namespace
} // namespace lumetta
