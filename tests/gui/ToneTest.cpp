// The tone tools of the edit page: Auto Contrast, and the contrast panel's live preview, Update
// and Cancel with their history and the rules of when reopening the panel re-renders.
#include "edit/Tone.h"
#include "gui/EditPageFixture.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

class ToneTest : public test::EditPageFixture {
protected:
    // Opens a 16 x 8 photo with colours in 40..199 and half-transparent pixels on its top row.
    void Open() {
        QImage image(16, 8, QImage::Format_ARGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                image.setPixel(x, y,
                               qRgba(40 + x * 10, 60 + y * 20, 100 + x + y, y == 0 ? 128 : 255));
        const std::string path = dir.File("photo.png");
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->actOpenFile->trigger();
        ASSERT_EQ(window->EditedPhoto.Width(), 16);
        ASSERT_EQ(AlphaComponent(window->EditedPhoto.Pixel(3, 0)), 128);
        QApplication::processEvents();
    }

    TBitmap32& Picture() { return window->ImgViewEdit->Picture(); }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    int Snapshots() { return window->iPhotos.Count(); }
};

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

// The bitmap through one table, as the preview should show it.
TBitmap32 Mapped(const TBitmap32& source, const TLookupTable& table) {
    TBitmap32 out;
    ApplyLookupTable(&out, &source, table);
    return out;
}

TEST_F(ToneTest, AutoContrastStretchesPushesAndUndoes) {
    // No photo: nothing happens, not even a snapshot.
    Click(panel->spEditAuto);
    EXPECT_EQ(Snapshots(), 0);
    EXPECT_FALSE(window->EditDirty);

    Open();
    const TBitmap32 before = Picture();
    Click(panel->spEditAuto);
    EXPECT_TRUE(window->EditDirty);
    EXPECT_EQ(Snapshots(), 2);
    EXPECT_TRUE(window->actUndo->isEnabled());
    // Red 40..190 over 16 columns: the first column goes to 0, the last to 255, alpha to 255.
    EXPECT_EQ(Picture().Pixel(0, 0), Color32(0, 0, 0, 255));
    EXPECT_EQ(Picture().Pixel(15, 7), Color32(255, 255, 255, 255));
    // EditedPhoto is not committed by it.
    EXPECT_TRUE(SamePixels(window->EditedPhoto, before));

    // Now every channel spans 0..255: a second press changes nothing but the history.
    const TBitmap32 stretched = Picture();
    Click(panel->spEditAuto);
    EXPECT_TRUE(SamePixels(Picture(), stretched));
    EXPECT_EQ(Snapshots(), 3);

    window->actUndo->trigger();
    window->actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), before));
}

TEST_F(ToneTest, FirstOpeningRendersNothingUntilASliderMoves) {
    Open();
    const TBitmap32 before = Picture();
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->plContrast->isVisibleTo(window.get()));
    QApplication::processEvents();
    EXPECT_LE(panel->plContrast->geometry().right(), 161); // fits the left column
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(window->EditDirty);
    EXPECT_EQ(Snapshots(), 2);
    // Not rendered: the half-transparent row is still there.
    EXPECT_TRUE(Picture().SharesPixelsWith(before));

    // Keyboard moves render like mouse moves, always from EditedPhoto.
    panel->tbEditContrast->setFocus();
    QTest::keyClick(panel->tbEditContrast, Qt::Key_PageUp);
    EXPECT_EQ(window->ToneContrast, 10.0);
    EXPECT_EQ(window->ToneGamma, 100.0);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), Mapped(window->EditedPhoto, ToneTable(0.1, 0, 1))));
    EXPECT_TRUE(SamePixels(window->Composite, Picture()));

    // Back to neutral: the colours of EditedPhoto, every pixel opaque, nothing accumulated.
    QTest::keyClick(panel->tbEditContrast, Qt::Key_PageDown);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(window->EditedPhoto, IdentityTable())));
    EXPECT_EQ(AlphaComponent(Picture().Pixel(3, 0)), 255);

    panel->tbEditBright->setValue(-30);
    panel->tbEditGamma->setValue(250);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(window->EditedPhoto, ToneTable(0, -0.3, 2.5))));
    EXPECT_EQ(Snapshots(), 2); // moves push nothing
}

TEST_F(ToneTest, AFlipBeforeTheFirstMoveDisappearsAndCancelThenUndoBringIt) {
    Open();
    const TBitmap32 photo = window->EditedPhoto;
    Click(panel->spEditFiph);
    const TBitmap32 flipped = Picture();
    Click(panel->spEditAdjust);

    panel->tbEditBright->setValue(20);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(photo, BrightnessTable(0.2))));

    Click(panel->btnContrastCancel);
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    EXPECT_FALSE(window->EditDirty);
    EXPECT_TRUE(SamePixels(Picture(), photo));
    // Cancel keeps the sliders, the stored values and Update.
    EXPECT_EQ(panel->tbEditBright->value(), 20);
    EXPECT_EQ(window->ToneBrightness, 20.0);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());

    window->actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), flipped));
}

TEST_F(ToneTest, UpdateCommitsAndPushesThePhotoBeforeIt) {
    Open();
    const TBitmap32 photo = window->EditedPhoto;
    Click(panel->spEditAdjust);
    panel->tbEditContrast->setValue(50);
    Click(panel->btnContrastOK);

    const TBitmap32 adjusted = Mapped(photo, ContrastTable(0.5));
    EXPECT_TRUE(SamePixels(window->EditedPhoto, adjusted));
    EXPECT_TRUE(SamePixels(Picture(), adjusted));
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(window->EditDirty);
    // Open, panel opening, Update.
    ASSERT_EQ(Snapshots(), 3);
    EXPECT_TRUE(SamePixels(window->iPhotos.Snapshot(2), photo));

    // The next mode change stores the adjusted picture once more.
    window->actAddFrame->trigger();
    EXPECT_EQ(Snapshots(), 4);
    EXPECT_TRUE(SamePixels(window->iPhotos.Snapshot(3), adjusted));
}

TEST_F(ToneTest, ReopeningReRendersOnlyWhenTheResetsDisagreeWithTheStoredValues) {
    Open();
    // Only contrast moved: its reset to 0 meets a stored 0, nothing renders.
    Click(panel->spEditAdjust);
    panel->tbEditContrast->setValue(40);
    Click(panel->btnContrastOK);
    Click(panel->spEditFlipv); // an uncommitted edit the view would lose on a render
    const TBitmap32 flipped = Picture();
    Click(panel->spEditAdjust);
    EXPECT_EQ(panel->tbEditContrast->value(), 0);
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), flipped));

    // Contrast and brightness both moved: the first reset renders, and so does the second,
    // which leaves the neutral settings on the committed photo.
    panel->tbEditContrast->setValue(30);
    panel->tbEditBright->setValue(-20);
    Click(panel->btnContrastOK);
    const TBitmap32 committed = window->EditedPhoto;
    Click(panel->spEditFlipv);
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), committed));
    EXPECT_EQ(window->ToneContrast, 0.0);
    EXPECT_EQ(window->ToneBrightness, 0.0);

    // Gamma moved: its reset renders too.
    panel->tbEditGamma->setValue(180);
    Click(panel->btnContrastOK);
    Click(panel->spEditFlipv);
    const TBitmap32 flippedAgain = Picture();
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), window->EditedPhoto));
    EXPECT_EQ(window->ToneGamma, 100.0);

    // The flip the reset discarded from the view is the snapshot of the opening.
    window->actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), flippedAgain));
}

} // namespace
