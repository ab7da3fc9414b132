// Copy and Paste on the edit page through the scripted clipboard: the opaque picture with its
// alpha block, pictures from other programs, selections and blocks that do not fit.
#include "gui/EditPageFixture.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

// Pixel (x, y) of the test pictures: colours from x and y, alpha from both.
TColor32 PixelAt(int x, int y) {
    return Color32(x * 7, y * 11, x + y, (x * 13 + y * 29) % 256);
}

class ClipboardTest : public test::EditPageFixture {
protected:
    // Opens a w x h photo with the pixels of PixelAt, alpha included.
    void Open(int w, int h) {
        TBitmap32 photo(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                photo.SetPixel(x, y, PixelAt(x, y));
        const std::string path = dir.File("photo.png");
        test::WriteBytes(path, test::EncodePng(photo));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        ASSERT_EQ(Picture().Width(), w);
        ASSERT_EQ(Picture().Pixel(w - 1, h - 1), PixelAt(w - 1, h - 1));
    }

    TBitmap32& Picture() { return window->EditView()->Picture(); }

    // Selects the picture rectangle (x0, y0)-(x1, y1) with the select tool.
    void Select(int x0, int y0, int x1, int y1) {
        QTest::mouseClick(panel->spEditSelect, Qt::LeftButton);
        TImgView32& view = window->EditView()->Model();
        const TRect r = view.BitmapRect();
        view.MouseDown(mbLeft, ssNone, r.Left + x0, r.Top + y0);
        view.MouseMove(mbsLeft, ssNone, r.Left + x1, r.Top + y1);
        view.MouseUp(mbLeft, mbsNone, ssNone, r.Left + x1, r.Top + y1);
        ASSERT_EQ(window->EditSelectionRect(), (TRect{x0, y0, x1, y1}));
    }

    void Copy() { QTest::mouseClick(panel->spEditCopy, Qt::LeftButton); }
    void Paste() { QTest::mouseClick(panel->spEditPaste, Qt::LeftButton); }
};

TEST_F(ClipboardTest, CopyGivesAnOpaquePictureAndTheAlphaBlockAndPasteBringsTheAlphaBack) {
    TfrmMain& w = *window;
    Open(40, 30);
    Select(2, 3, 5, 5); // 3 x 2
    const int snapshots = w.Document().History().Count();
    Copy();
    ASSERT_EQ(services.clipboardWrites, 1);
    const QImage& image = *services.clipboardPicture;
    ASSERT_EQ(image.size(), QSize(3, 2));
    const QByteArray& block = *services.clipboardAlphaBlock;
    ASSERT_EQ(block.size(), 10);
    EXPECT_EQ(block.left(4), QByteArray("\x06\x00\x00\x00", 4));
    for (int i = 0; i < 6; ++i) {
        const int x = 2 + i % 3, y = 3 + i / 3;
        EXPECT_EQ(image.pixel(i % 3, i / 3), PixelAt(x, y) | 0xFF000000u) << i;
        EXPECT_EQ(std::uint8_t(block[4 + i]), AlphaComponent(PixelAt(x, y))) << i;
    }
    // Copy changes nothing on the page.
    EXPECT_EQ(w.Document().History().Count(), snapshots);
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_TRUE(w.HasSelection());

    // Without a selection the whole picture is replaced by the pasted one, alpha included.
    QTest::mouseClick(panel->spEditArrow, Qt::LeftButton);
    Paste();
    ASSERT_EQ(Picture().Width(), 3);
    ASSERT_EQ(Picture().Height(), 2);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Picture().Pixel(i % 3, i / 3), PixelAt(2 + i % 3, 3 + i / 3)) << i;
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ClipboardTest, PictureOfAnotherProgramKeepsItsAlpha) {
    Open(640, 480);
    // A PNG with transparent corners, as other programs offer it: no alpha block beside it.
    QImage foreign(100, 50, QImage::Format_ARGB32);
    foreign.fill(qRgba(10, 200, 30, 77));
    foreign.setPixel(0, 0, qRgba(0, 0, 0, 0));
    services.clipboardPicture = foreign;
    Paste();
    ASSERT_EQ(Picture().Width(), 100);
    ASSERT_EQ(Picture().Height(), 50);
    EXPECT_EQ(Picture().Pixel(0, 0), Color32(0, 0, 0, 0));
    EXPECT_EQ(Picture().Pixel(99, 49), Color32(10, 200, 30, 77));
    // A picture without alpha arrives opaque.
    QImage plain(4, 4, QImage::Format_RGB32);
    plain.fill(qRgb(1, 2, 3));
    services.clipboardPicture = plain;
    Paste();
    EXPECT_EQ(Picture().Pixel(3, 3), Color32(1, 2, 3, 255));
    window->Actions().actUndo->trigger();
    ASSERT_EQ(Picture().Width(), 100);
    // The size shown follows the picture on the page, so Resize works on what it says.
    EXPECT_EQ(window->StatusText(1).toStdString(), "Size:100 x 50");
    EXPECT_EQ(window->ResizeWidth(), 100);
    // Undo brings the photo back, and Redo the pasted picture.
    window->Actions().actUndo->trigger();
    EXPECT_EQ(Picture().Width(), 640);
    EXPECT_EQ(window->StatusText(1).toStdString(), "Size:640 x 480");
    window->Actions().actRedo->trigger();
    EXPECT_EQ(Picture().Width(), 100);
}

TEST_F(ClipboardTest, PasteWithoutAPictureChangesNothing) {
    TfrmMain& w = *window;
    Open(20, 10);
    const int snapshots = w.Document().History().Count();
    Select(1, 1, 6, 6);
    Paste();
    // Nothing to paste is no edit: no snapshot that Undo would have to step over.
    EXPECT_EQ(w.Document().History().Count(), snapshots);
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_FALSE(w.Actions().actUndo->isEnabled());
    EXPECT_FALSE(w.Document().HasUnsavedWork());
    ASSERT_EQ(Picture().Width(), 20);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(Picture().Pixel(x, y), PixelAt(x, y));
    // Nor does a copy of a selection without width put anything on the clipboard.
    QTest::mouseClick(panel->spEditArrow, Qt::LeftButton);
    Select(4, 4, 4, 8);
    Copy();
    EXPECT_EQ(services.clipboardWrites, 0);
}

TEST_F(ClipboardTest, PasteIntoASelectionKeepsItsSizeAndIsCutOffByThePicture) {
    TfrmMain& w = *window;
    Open(64, 48);
    QImage big(100, 50, QImage::Format_RGB32);
    big.fill(qRgb(1, 2, 3));
    services.clipboardPicture = big;
    QByteArray block("\x88\x13\x00\x00", 4); // 5000
    block.append(5000, char(0x40));
    services.clipboardAlphaBlock = block;
    Select(5, 5, 15, 15);
    Paste();
    ASSERT_EQ(Picture().Width(), 64);
    ASSERT_EQ(Picture().Height(), 48);
    EXPECT_EQ(Picture().Pixel(4, 4), PixelAt(4, 4));
    EXPECT_EQ(Picture().Pixel(4, 20), PixelAt(4, 20));
    EXPECT_EQ(Picture().Pixel(20, 4), PixelAt(20, 4));
    EXPECT_EQ(Picture().Pixel(5, 5), Color32(1, 2, 3, 0x40));
    EXPECT_EQ(Picture().Pixel(63, 47), Color32(1, 2, 3, 0x40));
    ASSERT_TRUE(w.HasSelection());
    EXPECT_EQ(w.EditSelectionRect(), (TRect{5, 5, 15, 15}));
}

TEST_F(ClipboardTest, AlphaBlockOfAnotherSizeFailsAndPastesNothing) {
    TfrmMain& w = *window;
    Open(20, 10);
    const int snapshots = w.Document().History().Count();
    QImage small(2, 2, QImage::Format_RGB32);
    small.fill(qRgb(255, 0, 0));
    services.clipboardPicture = small;
    services.clipboardAlphaBlock = QByteArray("\x06\x00\x00\x00\x01\x02\x03\x04\x05\x06", 10);
    Paste();
    ASSERT_EQ(services.messages.size(), 1u);
    const std::string text = services.messages[0].text.toStdString();
    const std::string message = "Alpha count does not match Bitmap pixel count, "
                                "PasteBitmap32FromClipboard(const Dest: TBitmap32); (";
    EXPECT_EQ(text.substr(0, message.size()), message);
    EXPECT_EQ(text.back(), ')'); // no full stop after the file and line
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    ASSERT_EQ(Picture().Width(), 20);
    EXPECT_EQ(Picture().Pixel(0, 0), PixelAt(0, 0));
    // A paste that failed is no edit.
    EXPECT_EQ(w.Document().History().Count(), snapshots);
    EXPECT_FALSE(w.Document().EditDirty());
}

TEST_F(ClipboardTest, WithoutAPhotoCopyAndPasteDoNothing) {
    services.clipboardPicture = QImage(4, 4, QImage::Format_RGB32);
    Copy();
    Paste();
    EXPECT_EQ(services.clipboardWrites, 0);
    EXPECT_EQ(window->Document().History().Count(), 0);
    EXPECT_FALSE(window->Document().EditDirty());
    EXPECT_TRUE(Picture().Empty());
}

// The real clipboard within this process: the picture and the private entry come back exact.
TEST(QtClipboard, PictureAndAlphaBlockComeBackExactly) {
    QtPlatformServices qt;
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(qRgb(9, 8, 7));
    const QByteArray block("\x06\x00\x00\x00\x00\x01\x80\xfe\xff\x00", 10);
    qt.SetClipboardPicture(picture, block);
    ASSERT_TRUE(qt.ClipboardHasPicture());
    const QImage back = qt.ClipboardPicture();
    ASSERT_EQ(back.size(), QSize(3, 2));
    EXPECT_EQ(back.pixel(2, 1), qRgb(9, 8, 7));
    ASSERT_TRUE(qt.ClipboardAlphaBlock().has_value());
    EXPECT_EQ(*qt.ClipboardAlphaBlock(), block);
    // Programs that read PNG get the alpha too.
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat("image/png"));
    const QImage png = QImage::fromData(data->data("image/png"), "PNG");
    ASSERT_EQ(png.size(), QSize(3, 2));
    const int alphas[6] = {0x00, 0x01, 0x80, 0xfe, 0xff, 0x00};
    for (int i = 0; i < 6; ++i) {
        const QRgb p = png.convertToFormat(QImage::Format_ARGB32).pixel(i % 3, i / 3);
        EXPECT_EQ(qAlpha(p), alphas[i]) << i;
        if (alphas[i] == 0xff) {
            EXPECT_EQ(p & 0xFFFFFF, qRgb(9, 8, 7) & 0xFFFFFF);
        }
    }
    // A block that does not belong to the picture gives no PNG.
    EXPECT_TRUE(PngWithAlpha(picture, block.left(9)).isEmpty());
    QApplication::clipboard()->clear();
    EXPECT_FALSE(qt.ClipboardHasPicture());
    EXPECT_FALSE(qt.ClipboardAlphaBlock().has_value());
}

} // namespace
