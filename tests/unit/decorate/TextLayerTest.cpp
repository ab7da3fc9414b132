// The picture of a text layer: margins around the text box and around every pixel drawn.
#include "decorate/TextLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace lumetta {
namespace {

// Each character is a cell of 10 x 20 with an ink box that may reach `overhang` pixels beyond
// the cell on the left and right (as italic and wide letters do) and `below` pixels under the
// line.
class OverhangRasterizer : public ITextRasterizer {
public:
    int overhang = 0;
    int below = 0;
    int TextWidth(const TFontDesc&, const std::string& text, bool) override {
        return 10 * int(text.size());
    }
    int TextHeight(const TFontDesc&, const std::string&, bool) override { return 20; }
    void DrawText(TBitmap32& target, int x, int y, const TFontDesc&, const std::string& text,
                  TColor32 color, bool aa) override {
        EXPECT_FALSE(aa);
        for (std::size_t i = 0; i < text.size(); ++i) {
            const int left = x + 10 * int(i) - overhang;
            for (int py = y + 4; py < y + 20 + below; ++py)
                for (int px = left; px < left + 10 + 2 * overhang; ++px)
                    target.SetPixelS(px, py, color);
        }
    }
};

class TextLayerTest : public ::testing::Test {
protected:
    OverhangRasterizer raster;
    void SetUp() override { SetTextRasterizer(&raster); }
    void TearDown() override { SetTextRasterizer(nullptr); }

    // Distance of the ink from each edge: left, top, right, bottom.
    static std::array<int, 4> Margins(const TBitmap32& b) {
        int l = b.Width(), t = b.Height(), r = -1, bt = -1;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y) != 0) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                    t = std::min(t, y);
                    bt = std::max(bt, y);
                }
        return {l, t, b.Width() - 1 - r, b.Height() - 1 - bt};
    }
};

TEST_F(TextLayerTest, PlainTextKeepsTheTenPixelBoxAndItsColour) {
    TFontDesc font;
    font.Color = 0x0000FF; // red in the window-system encoding
    const TBitmap32 layer = RenderTextLayer(font, "abc");
    EXPECT_EQ(layer.Width(), 30 + 20);
    EXPECT_EQ(layer.Height(), 20 + 20);
    EXPECT_EQ(layer.DrawMode, dmBlend);
    EXPECT_EQ(layer.Pixel(10, 14), 0xFFFF0000u); // the first glyph, 4 below the line top
    EXPECT_EQ(layer.Pixel(9, 14), 0u);
    EXPECT_EQ(Margins(layer), (std::array<int, 4>{10, 14, 10, 10}));
}

TEST_F(TextLayerTest, OverhangingGlyphsAreNeverCut) {
    raster.overhang = 7;
    raster.below = 5;
    const TBitmap32 layer = RenderTextLayer(TFontDesc{}, "WWWW");
    // Every pixel drawn is there, at least ten pixels from every edge.
    int ink = 0;
    for (int y = 0; y < layer.Height(); ++y)
        for (int x = 0; x < layer.Width(); ++x)
            ink += layer.Pixel(x, y) != 0;
    EXPECT_EQ(ink, (40 + 14) * (16 + 5));
    const auto m = Margins(layer);
    for (int side : m)
        EXPECT_GE(side, 10);
    EXPECT_EQ(m[0], 10);
    EXPECT_EQ(m[2], 10);
    EXPECT_EQ(m[3], 10);
}

TEST_F(TextLayerTest, NothingWithoutARasteriser) {
    SetTextRasterizer(nullptr);
    EXPECT_TRUE(RenderTextLayer(TFontDesc{}, "abc").Empty());
}

TEST(TextRendering, OverhangDrawnByRenderTextIsWhole) {
    OverhangRasterizer raster;
    raster.overhang = 6;
    SetTextRasterizer(&raster);
    TBitmap32 b(60, 40);
    b.RenderText(20, 5, "ab", 0, 0xFF00FF00u);
    SetTextRasterizer(nullptr);
    // The ink runs from 20 - 6 to 20 + 20 + 6 although the advance ends at 40.
    EXPECT_EQ(b.Pixel(14, 12), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(45, 12), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(46, 12), 0u);
    EXPECT_EQ(b.Pixel(13, 12), 0u);
}

} // namespace
} // namespace lumetta
