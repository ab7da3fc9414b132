// Text layers stay editable: drawn again with a new text or font where they are, with the
// user's resizing, flips and turns kept.
#include "decorate/TextLayer.h"
#include "document/PhotoDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace lumetta {
namespace {

// Each character is a cell of 6 x 10 holding an "L" whose stroke width is the font size, so
// that a mirror or a turn of the picture shows, and another font shows as other pixels.
class CellRasterizer : public ITextRasterizer {
public:
    int TextWidth(const TFontDesc&, const std::string& text, bool) override {
        return 6 * int(text.size());
    }
    int TextHeight(const TFontDesc&, const std::string&, bool) override { return 10; }
    void DrawText(TBitmap32& target, int x, int y, const TFontDesc& font, const std::string& text,
                  TColor32 color, bool) override {
        const int stroke = std::max(1, std::min(3, font.Size));
        for (std::size_t i = 0; i < text.size(); ++i) {
            const int left = x + 6 * int(i);
            for (int py = y; py < y + 10; ++py)
                for (int px = left; px < left + 5; ++px)
                    if (px < left + stroke || py >= y + 10 - stroke)
                        target.SetPixelS(px, py, color);
        }
    }
};

class TextLayerEditTest : public ::testing::Test {
protected:
    CellRasterizer raster;
    TImgView32 edit;
    TImgView32 preview;
    TPhotoDocument doc{edit, preview};
    TFontDesc font;

    void SetUp() override {
        SetTextRasterizer(&raster);
        for (TImgView32* v : {&edit, &preview})
            v->SetControlSize(400, 300);
        TBitmap32 photo(200, 150);
        photo.Clear(0xFF808080u);
        doc.Open(photo, "/photos/p.png");
        doc.CommitForModeSwitch();
        doc.ShowPreviewPage();
        font.Size = 1;
        font.Color = 0x0000FF;
    }
    void TearDown() override { SetTextRasterizer(nullptr); }

    static float Width(const TFloatRect& r) { return r.Right - r.Left; }
    static float Height(const TFloatRect& r) { return r.Bottom - r.Top; }
};

TEST_F(TextLayerEditTest, DrawnAgainUnchangedAfterAnyFlipsAndTurns) {
    // Whatever the user did to the layer, drawing the same text again gives exactly the
    // picture the layer shows now.
    std::srand(11);
    for (int round = 0; round < 40; ++round) {
        TTextLayer* layer = doc.AddTextLayer("Lumetta", font, TPoint{100, 75});
        ASSERT_NE(layer, nullptr);
        const int steps = std::rand() % 7;
        for (int i = 0; i < steps; ++i) {
            switch (std::rand() % 4) {
            case 0:
                doc.FlipSelectedLayer(true);
                break;
            case 1:
                doc.FlipSelectedLayer(false);
                break;
            case 2:
                doc.TurnSelectedLayer(true);
                break;
            default:
                doc.TurnSelectedLayer(false);
                break;
            }
        }
        const TBitmap32 before = layer->Bitmap();
        const TFloatRect at = layer->Location();
        ASSERT_TRUE(doc.EditTextLayer(layer, "Lumetta", font));
        EXPECT_TRUE(SamePixels(layer->Bitmap(), before)) << "round " << round;
        EXPECT_EQ(layer->Bitmap().DrawMode, dmBlend);
        EXPECT_FLOAT_EQ(layer->Location().Left, at.Left);
        EXPECT_FLOAT_EQ(layer->Location().Bottom, at.Bottom);
        doc.DeleteSelectedLayer();
    }
}

TEST_F(TextLayerEditTest, ANewTextKeepsTheCentreTheScaleAndTheTurn) {
    TTextLayer* layer = doc.AddTextLayer("ab", font, TPoint{100, 75});
    ASSERT_NE(layer, nullptr);
    // Turned a quarter and stretched by the user to twice its width and 1.5 times its height.
    doc.TurnSelectedLayer(true);
    const TFloatRect turned = layer->Location();
    const float cx = (turned.Left + turned.Right) / 2, cy = (turned.Top + turned.Bottom) / 2;
    const float w = Width(turned) * 2, h = Height(turned) * 1.5f;
    doc.RubberBand()->SetLocation(TFloatRect{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2});
    const int oldBitmapH = layer->Bitmap().Height();

    TFontDesc bold = font;
    bold.Size = 3;
    bold.Color = 0xFF0000; // blue
    ASSERT_TRUE(doc.EditTextLayer(layer, "abcd", bold));
    EXPECT_EQ(layer->Text, "abcd");
    EXPECT_EQ(layer->Font.Size, 3);
    // Still a quarter turned: the text runs down the bitmap, which is now taller.
    EXPECT_GT(layer->Bitmap().Height(), oldBitmapH);
    // Drawn in the new colour (blue): every pixel is either that or transparent.
    int ink = 0;
    for (int y = 0; y < layer->Bitmap().Height(); ++y)
        for (int x = 0; x < layer->Bitmap().Width(); ++x) {
            const TColor32 c = layer->Bitmap().Pixel(x, y);
            EXPECT_TRUE(c == 0 || c == 0xFF0000FFu) << x << "," << y;
            ink += c != 0;
        }
    EXPECT_GT(ink, 0);
    const TFloatRect now = layer->Location();
    EXPECT_FLOAT_EQ((now.Left + now.Right) / 2, cx);
    EXPECT_FLOAT_EQ((now.Top + now.Bottom) / 2, cy);
    EXPECT_FLOAT_EQ(Width(now), layer->Bitmap().Width() * 2.0f);
    EXPECT_FLOAT_EQ(Height(now), layer->Bitmap().Height() * 1.5f);
    // The selection frame carries the layer still.
    EXPECT_EQ(doc.SelectedLayer(), layer);
    EXPECT_FLOAT_EQ(doc.RubberBand()->Location().Left, now.Left);
    EXPECT_TRUE(doc.HasUnsavedWork());
}

TEST_F(TextLayerEditTest, NothingChangesForEmptyTextOrALayerThatIsGone) {
    TTextLayer* layer = doc.AddTextLayer("ab", font, TPoint{100, 75});
    ASSERT_NE(layer, nullptr);
    const TBitmap32 before = layer->Bitmap();
    EXPECT_FALSE(doc.EditTextLayer(layer, "", font));
    EXPECT_TRUE(SamePixels(layer->Bitmap(), before));
    EXPECT_EQ(layer->Text, "ab");
    EXPECT_EQ(doc.AddTextLayer("", font, TPoint{100, 75}), nullptr);
    EXPECT_EQ(doc.LayerCount(), 1);

    EXPECT_TRUE(doc.HoldsLayer(layer));
    doc.Apply(TDocPage::Preview); // merged: final, the pointer is stale now
    EXPECT_FALSE(doc.HoldsLayer(layer));
    EXPECT_FALSE(doc.EditTextLayer(layer, "cd", font));
    EXPECT_FALSE(doc.HoldsLayer(nullptr));
}

TEST_F(TextLayerEditTest, LayerAtFindsTheTopmostLayerUnderThePoint) {
    TBitmap32 square(60, 60);
    square.Clear(0xFF00FF00u);
    TBitmapLayer* art = doc.AddLayer(square, TPoint{100, 75});
    TTextLayer* text = doc.AddTextLayer("abc", font, TPoint{100, 75});
    ASSERT_NE(text, nullptr);
    // The picture is 200 x 150 centred in a 400 x 300 control at scale 1: offset (100, 75).
    EXPECT_EQ(doc.LayerAt(200, 150), text);
    doc.SelectLayer(nullptr);
    EXPECT_EQ(doc.LayerAt(200, 150), text);         // the hidden selection frame is no layer
    EXPECT_EQ(doc.LayerAt(100 + 72, 75 + 47), art); // inside the square, outside the text
    EXPECT_EQ(doc.LayerAt(5, 5), nullptr);
    EXPECT_FALSE(doc.HoldsLayer(doc.RubberBand()));
}

} // namespace
} // namespace lumetta
