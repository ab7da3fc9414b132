#include "ui/Artwork.h"
#include "codecs/ImageIO.h"
#include "ui/WelcomeView.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdint>
#include <cstring>

using namespace lumetta::ui;

namespace {

bool HasSaturatedPixel(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) > 0 && (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))) return true;
        }
    return false;
}

int OpaquePixels(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 128;
    return count;
}

// Every glyph must draw something, stay inside its square and not fill it edge to edge.
void ExpectGlyph(const QImage& image, int size, const char* what, int index) {
    SCOPED_TRACE(testing::Message() << what << " " << index);
    EXPECT_EQ(image.width(), size);
    EXPECT_EQ(image.height(), size);
    const int opaque = OpaquePixels(image);
    EXPECT_GT(opaque, size * size / 12);
    EXPECT_LT(opaque, size * size);
}

void ExpectGreyedSet(const QImage& normal, const QImage& greyed, int index) {
    SCOPED_TRACE(testing::Message() << "glyph " << index);
    EXPECT_EQ(greyed.size(), normal.size());
    EXPECT_NE(greyed.convertToFormat(QImage::Format_ARGB32),
              normal.convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(HasSaturatedPixel(greyed));
    EXPECT_TRUE(HasSaturatedPixel(normal));
}

std::uint32_t Le32(const QByteArray& bytes, int offset) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.constData() + offset, 4);
    return v;
}

} // namespace

TEST(Artwork, ToolbarSetsAreTwentyFourSquareAndGreyedIsColourless) {
    for (int i = 0; i < kToolbarIconCount; ++i) {
        const QImage normal = ToolbarPixmap(ToolbarIcon(i), false).toImage();
        const QImage greyed = ToolbarPixmap(ToolbarIcon(i), true).toImage();
        ExpectGlyph(normal, 24, "toolbar", i);
        ExpectGreyedSet(normal, greyed, i);
    }
}

TEST(Artwork, ToolbarPicturesAreDistinct) {
    for (int i = 0; i < kToolbarIconCount; ++i)
        for (int j = i + 1; j < kToolbarIconCount; ++j)
            EXPECT_NE(ToolbarPixmap(ToolbarIcon(i), false).toImage(),
                      ToolbarPixmap(ToolbarIcon(j), false).toImage())
                << i << " and " << j;
}

TEST(Artwork, ToolbarIconCarriesNormalAndDisabledModes) {
    const QIcon icon = ToolbarQIcon(ToolbarIcon::Save);
    const QImage normal = icon.pixmap(QSize(24, 24), 1.0, QIcon::Normal).toImage();
    const QImage disabled = icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage();
    EXPECT_EQ(normal.size(), QSize(24, 24));
    EXPECT_EQ(
        normal.convertToFormat(QImage::Format_ARGB32),
        ToolbarPixmap(ToolbarIcon::Save, false).toImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_FALSE(HasSaturatedPixel(disabled));
}

TEST(Artwork, ButtonGlyphsHaveTheirSizes) {
    for (int i = 0; i < kEditToolGlyphCount; ++i) {
        const QImage normal = EditToolPixmap(EditToolGlyph(i)).toImage();
        ExpectGlyph(normal, kEditToolGlyphSize, "edit tool", i);
        ExpectGreyedSet(normal, EditToolPixmap(EditToolGlyph(i), true).toImage(), i);
    }
    for (int i = 0; i < kClipArtToolGlyphCount; ++i)
        ExpectGlyph(ClipArtToolPixmap(ClipArtToolGlyph(i)).toImage(), 16, "clip-art tool", i);
    for (int i = 0; i < kTextInputGlyphCount; ++i)
        ExpectGlyph(TextInputPixmap(TextInputGlyph(i)).toImage(), 16, "text input", i);
}

TEST(Artwork, ZoomOutCarriesThePlusSign) {
    // "Zoom Out" enlarges the picture, so its magnifier shows the plus: more of the sign's blue.
    auto signPixels = [](EditToolGlyph glyph) {
        const QImage image = EditToolPixmap(glyph).toImage().convertToFormat(QImage::Format_ARGB32);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                count += qAlpha(c) > 200 && qBlue(c) - qRed(c) > 100;
            }
        return count;
    };
    EXPECT_GT(signPixels(EditToolGlyph::ZoomOut), signPixels(EditToolGlyph::ZoomIn) + 4);
}

TEST(Artwork, LeftPanelIsAnOpaqueEightyByTwoHundredTen) {
    const QImage image = LeftPanelImage();
    EXPECT_EQ(image.size(), QSize(80, 210));
    EXPECT_FALSE(image.hasAlphaChannel());
    EXPECT_EQ(image, LeftPanelImage()); // drawn the same every time
}

TEST(Artwork, LeftPanelBmpIsATwentyFourBitFile) {
    const QByteArray bmp = LeftPanelBmpData();
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(Le32(bmp, 2), std::uint32_t(bmp.size()));
    EXPECT_EQ(Le32(bmp, 18), 80u);
    EXPECT_EQ(std::int32_t(Le32(bmp, 22)), 210); // bottom-up rows
    std::uint16_t bits = 0;
    std::memcpy(&bits, bmp.constData() + 28, 2);
    EXPECT_EQ(bits, 24);
    EXPECT_EQ(Le32(bmp, 30), 0u); // uncompressed
    // Rows of 80 * 3 = 240 bytes need no padding.
    EXPECT_EQ(bmp.size() - int(Le32(bmp, 10)), 240 * 210);

    // Start-up decodes it with the program's own BMP decoder.
    lumetta::TBitmap32 decoded;
    lumetta::LoadPictureData(decoded, reinterpret_cast<const std::uint8_t*>(bmp.constData()),
                             std::size_t(bmp.size()), "bmp", "LeftPanel");
    ASSERT_EQ(decoded.Width(), 80);
    ASSERT_EQ(decoded.Height(), 210);
    const QImage image = LeftPanelImage();
    for (int y : {0, 105, 209})
        for (int x : {0, 40, 79})
            EXPECT_EQ(decoded.Pixel(x, y), image.pixel(x, y) | 0xFF000000u) << x << "," << y;
}

TEST(Artwork, AppIconOffersTheUsualSizes) {
    const QIcon icon = AppIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int s : {16, 24, 32, 48, 64, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(s, s))) << s;
    EXPECT_GT(OpaquePixels(AppIconImage(16)), 16 * 16 / 2);
    // A window's icon stops at the largest size asked for.
    EXPECT_EQ(AppIcon(64).availableSizes().size(), 5);
    EXPECT_EQ(AppIcon(8).availableSizes(), QList<QSize>{QSize(16, 16)});
}

// The welcome picture sits in the middle over the background colour; an opaque picture is drawn
// from its own pixels, a translucent one blended.
TEST(Artwork, TheWelcomePageCentresItsPictureOverTheBackground) {
    WelcomeView view;
    view.resize(40, 30);
    view.SetBackground(QColor(0, 0, 255));
    for (const std::uint32_t colour : {0xFFFF0000u, 0x80FF0000u}) {
        lumetta::TBitmap32 picture(10, 6);
        picture.Clear(colour);
        view.SetPicture(picture);
        const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shown.pixel(0, 0), qRgb(0, 0, 255));
        EXPECT_EQ(shown.pixel(14, 11), qRgb(0, 0, 255)); // just outside the picture
        const QRgb inside = shown.pixel(15, 12);
        if (colour >> 24 == 0xFF) {
            EXPECT_EQ(inside, qRgb(255, 0, 0));
            EXPECT_EQ(shown.pixel(24, 17), qRgb(255, 0, 0));
            EXPECT_EQ(shown.pixel(25, 18), qRgb(0, 0, 255));
        } else {
            EXPECT_NEAR(qRed(inside), 128, 2);
            EXPECT_NEAR(qBlue(inside), 127, 2);
        }
    }
}
