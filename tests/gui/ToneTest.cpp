// The tone tools of the edit page: Auto Contrast, and the contrast panel's live preview, Update
// and Cancel with their history and the rules of when reopening the panel re-renders.
#include "edit/Tone.h"
#include "gui/EditPageFixture.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"

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
        window->Actions().actOpenFile->trigger();
        ASSERT_EQ(window->Document().EditedPhoto().Width(), 16);
        ASSERT_EQ(AlphaComponent(window->Document().EditedPhoto().Pixel(3, 0)), 128);
        QApplication::processEvents();
    }

    TBitmap32& Picture() { return window->EditView()->Picture(); }
    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    int Snapshots() { return window->Document().History().Count(); }
};

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
    EXPECT_FALSE(window->Document().EditDirty());

    Open();
    const TBitmap32 before = Picture();
    Click(panel->spEditAuto);
    EXPECT_TRUE(window->Document().EditDirty());
    EXPECT_EQ(Snapshots(), 1); // the photo as opened is stored once
    EXPECT_TRUE(window->Actions().actUndo->isEnabled());
    // Red 40..190 over 16 columns: the first column goes to 0, the last to 255, alpha to 255.
    EXPECT_EQ(Picture().Pixel(0, 0), Color32(0, 0, 0, 255));
    EXPECT_EQ(Picture().Pixel(15, 7), Color32(255, 255, 255, 255));
    // EditedPhoto is not committed by it.
    EXPECT_TRUE(SamePixels(window->Document().EditedPhoto(), before));

    // Now every channel spans 0..255: a second press changes nothing, not even the history.
    const TBitmap32 stretched = Picture();
    Click(panel->spEditAuto);
    EXPECT_TRUE(SamePixels(Picture(), stretched));
    EXPECT_EQ(Snapshots(), 1);

    window->Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), before));
    EXPECT_FALSE(window->Actions().actUndo->isEnabled());
    window->Actions().actRedo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), stretched));
}

TEST_F(ToneTest, FirstOpeningRendersNothingUntilASliderMoves) {
    Open();
    const TBitmap32 before = Picture();
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->plContrast->isVisibleTo(window.get()));
    QApplication::processEvents();
    EXPECT_LE(panel->plContrast->geometry().right(), 161); // fits the left column
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(window->Document().EditDirty());
    EXPECT_EQ(Snapshots(), 1);
    // Not rendered: the half-transparent row is still there.
    EXPECT_TRUE(Picture().SharesPixelsWith(before));

    // Keyboard moves render like mouse moves, always from the picture the panel opened on.
    panel->tbEditContrast->setFocus();
    QTest::keyClick(panel->tbEditContrast, Qt::Key_PageUp);
    EXPECT_EQ(window->ToneContrast(), 10.0);
    EXPECT_EQ(window->ToneGamma(), 100.0);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), Mapped(before, ToneTable(0.1, 0, 1))));

    // Back to neutral: the colours of EditedPhoto, every pixel opaque, nothing accumulated.
    QTest::keyClick(panel->tbEditContrast, Qt::Key_PageDown);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(before, IdentityTable())));
    EXPECT_EQ(AlphaComponent(Picture().Pixel(3, 0)), 255);

    panel->tbEditBright->setValue(-30);
    panel->tbEditGamma->setValue(250);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(before, ToneTable(0, -0.3, 2.5))));
    EXPECT_EQ(Snapshots(), 1); // moves push nothing
}

TEST_F(ToneTest, AnAdjustmentKeepsUncommittedEditsAndCancelReturnsToThem) {
    Open();
    const TBitmap32 photo = window->Document().EditedPhoto();
    Click(panel->spEditFiph);
    const TBitmap32 flipped = Picture();
    Click(panel->spEditAdjust);

    // The preview starts from the flipped picture, not from the photo as last committed.
    panel->tbEditBright->setValue(20);
    EXPECT_TRUE(SamePixels(Picture(), Mapped(flipped, BrightnessTable(0.2))));

    Click(panel->btnContrastCancel);
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    // Exactly the picture the panel opened on, with its edit still pending.
    EXPECT_TRUE(SamePixels(Picture(), flipped));
    EXPECT_TRUE(window->Document().EditDirty());
    // Cancel keeps the sliders, the stored values and Update.
    EXPECT_EQ(panel->tbEditBright->value(), 20);
    EXPECT_EQ(window->ToneBrightness(), 20.0);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());

    window->Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), photo));
    window->Actions().actRedo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), flipped));
}

TEST_F(ToneTest, LeavingThePageCancelsAnOpenAdjustmentSoItIsNeverAppliedTwice) {
    // A grey photo, contrast 50, then Frame and back: the adjustment was never committed.
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(QColor(160, 160, 160));
    const std::string path = dir.File("grey.png");
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
    window->Actions().actOpenFile->trigger();
    Click(panel->spEditAdjust);
    panel->tbEditContrast->setValue(50);
    EXPECT_EQ(RedComponent(Picture().Pixel(0, 0)), 176);
    window->Actions().actAddFrame->trigger();
    EXPECT_EQ(RedComponent(window->PreviewView()->Picture().Pixel(0, 0)), 160);
    window->Actions().actEditPhoto->trigger();
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    EXPECT_EQ(RedComponent(Picture().Pixel(0, 0)), 160);
    // Opening the panel again and moving brightness by 1 adjusts the photo once.
    Click(panel->spEditAdjust);
    panel->tbEditBright->setValue(1);
    EXPECT_EQ(RedComponent(Picture().Pixel(0, 0)), 163);
    // Another edit while the panel is open keeps the adjustment as it shows.
    Click(panel->spEditFlipv);
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    EXPECT_EQ(RedComponent(Picture().Pixel(0, 0)), 163);
}

TEST_F(ToneTest, UpdateCommitsAndPushesThePhotoBeforeIt) {
    Open();
    const TBitmap32 photo = window->Document().EditedPhoto();
    Click(panel->spEditAdjust);
    panel->tbEditContrast->setValue(50);
    Click(panel->btnContrastOK);

    const TBitmap32 adjusted = Mapped(photo, ContrastTable(0.5));
    EXPECT_TRUE(SamePixels(window->Document().EditedPhoto(), adjusted));
    EXPECT_TRUE(SamePixels(Picture(), adjusted));
    EXPECT_FALSE(panel->plContrast->isVisibleTo(window.get()));
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(window->Document().EditDirty());
    // The photo before the adjustment, stored once (at Open; the panel and Update found it
    // already there).
    ASSERT_EQ(Snapshots(), 1);
    EXPECT_TRUE(SamePixels(window->Document().History().Snapshot(0), photo));

    // The next mode change stores the adjusted picture.
    window->Actions().actAddFrame->trigger();
    EXPECT_EQ(Snapshots(), 2);
    EXPECT_TRUE(SamePixels(window->Document().History().Snapshot(1), adjusted));
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
    // which leaves the neutral settings on the picture the panel opened on, flip included.
    panel->tbEditContrast->setValue(30);
    panel->tbEditBright->setValue(-20);
    Click(panel->btnContrastOK);
    Click(panel->spEditFlipv);
    const TBitmap32 flippedCommitted = Picture();
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), flippedCommitted));
    EXPECT_EQ(window->ToneContrast(), 0.0);
    EXPECT_EQ(window->ToneBrightness(), 0.0);

    // Gamma moved: its reset renders too, and still nothing is lost.
    panel->tbEditGamma->setValue(180);
    Click(panel->btnContrastOK);
    Click(panel->spEditFlipv);
    const TBitmap32 flippedAgain = Picture();
    Click(panel->spEditAdjust);
    EXPECT_TRUE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(SamePixels(Picture(), flippedAgain));
    EXPECT_EQ(window->ToneGamma(), 100.0);

    // Undo and Redo walk back and forth without losing the newest picture.
    ASSERT_TRUE(window->Actions().actUndo->isEnabled());
    window->Actions().actUndo->trigger();
    EXPECT_FALSE(SamePixels(Picture(), flippedAgain));
    window->Actions().actRedo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), flippedAgain));
}

} // namespace
