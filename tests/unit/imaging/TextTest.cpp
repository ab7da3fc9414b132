#include "imaging/Bitmap32.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

// Draws every non-space character as a 4 x 6 box one pixel below the top of a 6 x 8 cell.
// With anti-aliasing it also paints a half-covered rim, which RenderText must never ask for.
class BoxRasterizer : public ITextRasterizer {
public:
    int measuredAntialiased = 0, measuredPlain = 0;
    std::string lastMeasured;

    int TextWidth(const TFontDesc&, const std::string& text, bool aa) override {
        (aa ? measuredAntialiased : measuredPlain)++;
        lastMeasured = text;
        return 6 * int(text.size());
    }
    int TextHeight(const TFontDesc&, const std::string&, bool) override { return 8; }
    void DrawText(TBitmap32& target, int x, int y, const TFontDesc&, const std::string& text,
                  TColor32 color, bool aa) override {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == ' ') continue;
            const int left = x + 6 * int(i);
            for (int py = y + 1; py < y + 7; ++py)
                for (int px = left; px < left + 4; ++px)
                    target.SetPixelS(px, py, color);
            if (aa) target.SetPixelS(left + 4, y + 1, (color & 0x00FFFFFFu) | 0x80000000u);
        }
    }
};

class Text : public ::testing::Test {
protected:
    BoxRasterizer raster;
    void SetUp() override { SetTextRasterizer(&raster); }
    void TearDown() override { SetTextRasterizer(nullptr); }
};

TEST_F(Text, MeasuresWithTheQualityItDrawsWith) {
    // Hinted advances differ between the two qualities: text measured one way and drawn the
    // other loses its last letters.
    TBitmap32 empty;
    EXPECT_EQ(empty.TextWidth("abc"), 18);
    EXPECT_EQ(empty.TextHeight("abc"), 8);
    EXPECT_EQ(raster.measuredAntialiased, 0);
    EXPECT_EQ(raster.measuredPlain, 1);
}

TEST_F(Text, RendersOnlyTheColourAtFullAlphaOverTransparency) {
    TBitmap32 b(20, 10);
    b.RenderText(1, 1, "ab", 0, 0xFF204060u);
    EXPECT_EQ(raster.lastMeasured, "ab");
    EXPECT_EQ(raster.measuredAntialiased, 0);
    int glyph = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const TColor32 c = b.Pixel(x, y);
            ASSERT_TRUE(c == 0 || c == 0xFF204060u) << std::hex << c;
            glyph += c != 0;
        }
    EXPECT_EQ(glyph, 2 * 4 * 6);
    EXPECT_EQ(b.Pixel(1, 2), 0xFF204060u); // first box starts at (1, 1 + 1)
    EXPECT_EQ(b.Pixel(7, 2), 0xFF204060u); // second box one cell further
    EXPECT_EQ(b.Pixel(5, 2), 0u);          // the gap between the boxes
}

TEST_F(Text, LeavesEverythingButGlyphsUntouchedAndClips) {
    TBitmap32 b(8, 5);
    b.Clear(0x80102030u);
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    b.RenderText(-2, -3, "x", 0, 0xFFFFFFFFu);
    // The box covers x -2..1, y -2..3; inside the bitmap columns 0..1, rows 0..3.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inGlyph = x <= 1 && y <= 3;
            EXPECT_EQ(b.Pixel(x, y), inGlyph ? 0xFFFFFFFFu : 0x80102030u) << x << "," << y;
        }
    EXPECT_EQ(changes, 1);
}

TEST_F(Text, EmptyBitmapDoesNothing) {
    TBitmap32 b;
    b.RenderText(0, 0, "abc", 0, 0xFF000000u);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(raster.measuredPlain, 0);
}

TEST(TextWithoutRasterizer, MeasuresZeroAndDrawsNothing) {
    SetTextRasterizer(nullptr);
    TBitmap32 b(4, 4);
    EXPECT_EQ(b.TextWidth("abc"), 0);
    EXPECT_EQ(b.TextHeight("abc"), 0);
    b.RenderText(0, 0, "abc", 0, 0xFFFFFFFFu);
    EXPECT_EQ(b.Pixel(1, 2), 0u);
}

TEST(WinColor, ConvertsToOpaqueColor32) {
    EXPECT_EQ(WinColorToColor32(0x00332211u), 0xFF112233u);
    EXPECT_EQ(WinColorToColor32(0x000000FFu), 0xFFFF0000u);
}

} // namespace
} // namespace lumetta
