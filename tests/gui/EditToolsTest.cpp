// The edit page: its panels, the tool buttons, selecting with the mouse, Cut, the flips, the
// zoom buttons and the resize panel.
#include "gui/EditPageFixture.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

class EditToolsTest : public test::EditPageFixture {
protected:
    // Opens a w x h photo whose pixel (x, y) has a colour made from x and y.
    void Open(int w, int h, const std::string& name = "photo.png") {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, (x + y) % 256));
        const std::string path = dir.File(name);
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        ASSERT_EQ(window->Document().EditedPhoto().Width(), w);
        QApplication::processEvents();
    }

    TBitmap32& Picture() { return window->EditView()->Picture(); }
    TImgView32& View() { return window->EditView()->Model(); }

    // The control point that shows picture point (x, y).
    TPoint ControlOf(int x, int y) {
        const TRect r = View().BitmapRect();
        const float s = View().Scale();
        return {r.Left + int(x * s), r.Top + int(y * s)};
    }

    // A left-drag between two picture points, through the view as the widget drives it.
    void Drag(int x0, int y0, int x1, int y1) {
        const TPoint a = ControlOf(x0, y0);
        const TPoint b = ControlOf(x1, y1);
        View().MouseDown(mbLeft, ssNone, a.X, a.Y);
        View().MouseMove(mbsLeft, ssNone, (a.X + b.X) / 2, (a.Y + b.Y) / 2);
        View().MouseMove(mbsLeft, ssNone, b.X, b.Y);
        View().MouseUp(mbLeft, mbsNone, ssNone, b.X, b.Y);
    }

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void SelectDrag(int x0, int y0, int x1, int y1) {
        Click(panel->spEditSelect);
        Drag(x0, y0, x1, y1);
    }

    int EditFrames() {
        int n = 0;
        for (int i = 0; i < View().Layers().Count(); ++i)
            if (dynamic_cast<TRubberbandLayer*>(View().Layers().Items(i))) ++n;
        return n;
    }

    // Replaces a size field's text by typing, as the user would.
    void Type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }
};

TEST_F(EditToolsTest, PanelsStartAsTheEditPageShowsThem) {
    const QToolButton* grid[12] = {panel->spEditArrow,   panel->spEditSelect, panel->pbEditCut,
                                   panel->spEditCopy,    panel->spEditPaste,  panel->spEditFlipv,
                                   panel->spEditAuto,    panel->spEditAdjust, panel->spEditFiph,
                                   panel->spEditZoomOut, panel->spEditZoomIn, panel->spEditZoon};
    const char* hints[12] = {"Arrow",         "Select",          "Cut",
                             "Copy",          "Paste",           "Flip Vertical",
                             "Auto Contrast", "Adjust Contrast", "Flip Horizontal",
                             "Zoom Out",      "Zoom In",         "Show actual size"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(grid[i]->toolTip().toStdString(), hints[i]);
        EXPECT_EQ(grid[i]->size(), QSize(25, 25)) << hints[i];
        EXPECT_TRUE(grid[i]->autoRaise()) << hints[i];
        EXPECT_FALSE(grid[i]->icon().isNull()) << hints[i];
        // Three columns, four rows, in this order.
        if (i % 3 != 0) {
            EXPECT_GT(grid[i]->x(), grid[i - 1]->x()) << hints[i];
            EXPECT_EQ(grid[i]->y(), grid[i - 1]->y()) << hints[i];
        }
        if (i >= 3) {
            EXPECT_GT(grid[i]->y(), grid[i - 3]->y()) << hints[i];
            EXPECT_EQ(grid[i]->x(), grid[i - 3]->x()) << hints[i];
        }
        EXPECT_EQ(grid[i]->isCheckable(), i < 2) << hints[i];
    }
    EXPECT_TRUE(panel->spEditArrow->isChecked());
    EXPECT_TRUE(panel->ToolGroup->exclusive());

    EXPECT_TRUE(panel->plEditTools->isVisible());
    EXPECT_FALSE(panel->plContrast->isVisible());
    EXPECT_TRUE(panel->plResize->isVisible());
    EXPECT_LT(panel->plEditTools->y(), panel->plResize->y());
    EXPECT_LE(panel->plEditTools->geometry().right(), 161);
    EXPECT_LE(panel->plResize->geometry().right(), 161);

    EXPECT_EQ(panel->tbEditContrast->minimum(), -100);
    EXPECT_EQ(panel->tbEditContrast->maximum(), 100);
    EXPECT_EQ(panel->tbEditBright->value(), 0);
    EXPECT_EQ(panel->tbEditGamma->maximum(), 500);
    EXPECT_EQ(panel->tbEditGamma->value(), 100);
    EXPECT_EQ(panel->lbGamma->text().toStdString(), "&Gamma:");
    EXPECT_FALSE(panel->btnContrastOK->isEnabled());
    EXPECT_TRUE(panel->btnContrastCancel->isEnabled());
    EXPECT_EQ(panel->btnContrastOK->text().toStdString(), "Update");

    EXPECT_FALSE(panel->ActHPercEdit->isEnabled());
    EXPECT_FALSE(panel->ActVPercEdit->isEnabled());
    EXPECT_TRUE(panel->ActHPercEdit->text().isEmpty());
    EXPECT_EQ(panel->SynchronCheck->text().toStdString(), "SynchronCheck");
    EXPECT_TRUE(panel->SynchronCheck->isChecked());
    EXPECT_EQ(panel->btnSizeOK->text().toStdString(), "Resize");
    EXPECT_FALSE(panel->btnSizeOK->isEnabled());

    Open(64, 48);
    EXPECT_TRUE(panel->ActHPercEdit->isEnabled());
    EXPECT_EQ(panel->ActHPercEdit->text().toStdString(), "64");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "48");
    EXPECT_FALSE(panel->btnSizeOK->isEnabled());
}

TEST_F(EditToolsTest, WithoutAPhotoOnlyTheButtonsThemselvesChange) {
    TfrmMain& w = *window;
    for (QAbstractButton* b : {panel->pbEditCut, panel->spEditFlipv, panel->spEditFiph,
                               panel->spEditZoomOut, panel->spEditZoomIn, panel->spEditZoon})
        Click(b);
    EXPECT_EQ(w.ZoomStep(), 10);
    EXPECT_EQ(w.EditView()->Scale(), 1.0f);
    EXPECT_EQ(w.Document().History().Count(), 0);
    EXPECT_FALSE(w.Document().EditDirty());

    // Select shows down but does not select; the next press does, from the button.
    Click(panel->spEditSelect);
    EXPECT_TRUE(panel->spEditSelect->isChecked());
    EXPECT_FALSE(panel->spEditArrow->isChecked());
    EXPECT_FALSE(w.Selecting());
    Drag(-5, -5, 40, 30);
    EXPECT_TRUE(w.Selecting());
    ASSERT_TRUE(w.HasSelection());
    // Right and Bottom are pulled onto the empty picture's edges.
    EXPECT_EQ(w.EditSelectionFrame()->Location().Right, 0.0f);
    EXPECT_EQ(w.EditSelectionFrame()->Location().Bottom, 0.0f);
    EXPECT_EQ(w.EditSelectionRect().Width(), 0);
    EXPECT_EQ(w.EditSelectionRect().Height(), 0);
    // Cut still needs a picture.
    Click(panel->pbEditCut);
    EXPECT_TRUE(w.HasSelection());
    EXPECT_EQ(w.Document().History().Count(), 0);
}

TEST_F(EditToolsTest, DragInSelectModeDefinesAClampedFrame) {
    TfrmMain& w = *window;
    Open(80, 60);
    SelectDrag(10, 12, 30, 40);
    ASSERT_TRUE(w.HasSelection());
    TRubberbandLayer* frame = w.EditSelectionFrame();
    EXPECT_EQ(frame->Location(), (TFloatRect{10, 12, 30, 40}));
    EXPECT_TRUE(frame->Scaled());
    EXPECT_EQ(frame->LayerOptions(), LayerVisible | LayerMouseEvents);
    EXPECT_EQ(frame->ChildLayer(), nullptr);
    EXPECT_TRUE(bool(frame->OnResizing));
    EXPECT_EQ(frame->Index(), View().Layers().Count() - 1);
    // The edit page's frame is its own: the preview's field stays empty.
    EXPECT_EQ(w.Document().RubberBand(), nullptr);

    // Backwards from past the bottom-right to left of and above the picture.
    Drag(95, 70, -20, -8);
    EXPECT_EQ(w.EditSelectionFrame(), frame);
    EXPECT_EQ(frame->Location(), (TFloatRect{0, 0, 80, 60}));
    EXPECT_EQ(EditFrames(), 1);

    // A press without a move leaves the frame; a drag inside it moves it.
    const TPoint p = ControlOf(40, 30);
    View().MouseDown(mbLeft, ssNone, p.X, p.Y);
    View().MouseUp(mbLeft, mbsNone, ssNone, p.X, p.Y);
    EXPECT_EQ(frame->Location(), (TFloatRect{0, 0, 80, 60}));
    Drag(40, 30, 30, 25);
    EXPECT_EQ(frame->Location(), (TFloatRect{-10, -5, 70, 55}));
    EXPECT_EQ(w.EditSelectionRect(), (TRect{0, 0, 70, 55}));

    // A drag that starts outside the frame defines a new one.
    Drag(75, 58, 60, 40);
    EXPECT_EQ(frame->Location(), (TFloatRect{60, 40, 75, 58}));
    // A drag on a handle resizes the frame instead of starting another.
    Drag(75, 49, 79, 49); // the right edge's handle
    EXPECT_EQ(frame->Location(), (TFloatRect{60, 40, 79, 58}));
    EXPECT_EQ(EditFrames(), 1);

    // Moves with the right button or with no button do not select.
    const TPoint q = ControlOf(5, 5);
    View().MouseMove(mbsRight, ssNone, q.X, q.Y);
    View().MouseMove(mbsNone, ssNone, q.X, q.Y);
    EXPECT_EQ(frame->Location(), (TFloatRect{60, 40, 79, 58}));
}

TEST_F(EditToolsTest, ArrowRemovesTheSelectionByButtonOrByAnyPress) {
    TfrmMain& w = *window;
    Open(80, 60);
    SelectDrag(10, 10, 30, 30);
    ASSERT_TRUE(w.HasSelection());
    Click(panel->spEditArrow);
    EXPECT_FALSE(w.HasSelection());
    EXPECT_FALSE(w.Selecting());
    EXPECT_EQ(w.EditSelectionFrame(), nullptr);
    EXPECT_EQ(EditFrames(), 0);

    SelectDrag(10, 10, 30, 30);
    ASSERT_TRUE(w.HasSelection());
    panel->spEditArrow->setChecked(true); // the tool changes without a click
    // A press on the frame in arrow mode, through the widget's own mouse events.
    const TPoint p = ControlOf(20, 20);
    QTest::mousePress(w.EditView()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(p.X, p.Y));
    QTest::mouseRelease(w.EditView()->viewport(), Qt::RightButton, Qt::NoModifier,
                        QPoint(p.X, p.Y));
    EXPECT_FALSE(w.HasSelection());
    EXPECT_EQ(EditFrames(), 0);
}

TEST_F(EditToolsTest, RealMouseDragSelects) {
    TfrmMain& w = *window;
    Open(80, 60);
    Click(panel->spEditSelect);
    QWidget* vp = w.EditView()->viewport();
    const TPoint a = ControlOf(5, 6);
    const TPoint b = ControlOf(25, 36);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(a.X, a.Y));
    QMouseEvent move(QEvent::MouseMove, QPointF(b.X, b.Y), vp->mapToGlobal(QPointF(b.X, b.Y)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(b.X, b.Y));
    ASSERT_TRUE(w.HasSelection());
    EXPECT_EQ(w.EditSelectionRect(), (TRect{5, 6, 25, 36}));
}

TEST_F(EditToolsTest, CutCropsReturnsToArrowAndUndoRestores) {
    TfrmMain& w = *window;
    Open(80, 60);
    const TBitmap32 before = Picture();
    SelectDrag(10, 20, 40, 35);
    Click(panel->pbEditCut);

    ASSERT_EQ(Picture().Width(), 30);
    ASSERT_EQ(Picture().Height(), 15);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(Picture().Pixel(x, y), before.Pixel(x + 10, y + 20)) << x << "," << y;
    EXPECT_TRUE(w.Document().EditDirty());
    // The photo as opened is the one snapshot already: it is not stored twice.
    EXPECT_EQ(w.Document().History().Count(), 1);
    EXPECT_TRUE(w.Actions().actUndo->isEnabled());
    EXPECT_TRUE(panel->spEditArrow->isChecked());
    EXPECT_FALSE(w.Selecting());
    EXPECT_FALSE(w.HasSelection());
    EXPECT_EQ(EditFrames(), 0);
    // Cut does not commit, but the size shown is that of the picture on the page.
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 80);
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:30 x 15");
    // A second Cut without a selection does nothing.
    EXPECT_FALSE(panel->pbEditCut->isEnabled());
    Click(panel->pbEditCut);
    EXPECT_EQ(w.Document().History().Count(), 1);

    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), before));
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:80 x 60");
    // Redo comes back to the crop: the newest state was stored by the Undo.
    ASSERT_TRUE(w.Actions().actRedo->isEnabled());
    w.Actions().actRedo->trigger();
    EXPECT_EQ(Picture().Width(), 30);
    EXPECT_FALSE(w.Actions().actRedo->isEnabled());
}

TEST_F(EditToolsTest, CutIsDisabledForASelectionWithoutArea) {
    TfrmMain& w = *window;
    Open(80, 60);
    const TBitmap32 before = Picture();
    EXPECT_FALSE(panel->pbEditCut->isEnabled());
    SelectDrag(20, 10, 20, 50); // no width
    EXPECT_TRUE(w.HasSelection());
    // A crop to nothing would leave no photo.
    EXPECT_FALSE(panel->pbEditCut->isEnabled());
    Click(panel->pbEditCut);
    EXPECT_TRUE(SamePixels(Picture(), before));
    EXPECT_FALSE(w.Document().EditDirty());

    // Wholly right of the picture: Left is beyond the width, the rectangle has no width.
    Click(panel->spEditArrow);
    SelectDrag(90, 10, 120, 30);
    EXPECT_EQ(w.EditSelectionRect().Width(), 0);
    EXPECT_FALSE(panel->pbEditCut->isEnabled());

    // A selection with an area enables it.
    Click(panel->spEditArrow);
    SelectDrag(10, 10, 12, 11);
    EXPECT_TRUE(panel->pbEditCut->isEnabled());
}

TEST_F(EditToolsTest, CutAfterTheBackgroundShrankCropsToThePartOnThePicture) {
    TfrmMain& w = *window;
    Open(80, 60);
    SelectDrag(30, 20, 75, 55);
    // Resize keeps the frame, which now reaches past the 40 x 30 picture.
    Type(panel->ActHPercEdit, "40");
    Click(panel->btnSizeOK);
    ASSERT_EQ(Picture().Width(), 40);
    ASSERT_TRUE(w.HasSelection());
    const TBitmap32 resized = Picture();
    Click(panel->pbEditCut);
    EXPECT_TRUE(services.messages.empty());
    ASSERT_EQ(Picture().Width(), 10);
    ASSERT_EQ(Picture().Height(), 10);
    EXPECT_EQ(Picture().Pixel(0, 0), resized.Pixel(30, 20));
    EXPECT_EQ(Picture().Pixel(9, 9), resized.Pixel(39, 29));
}

TEST_F(EditToolsTest, FlipsPushThePictureBeforeThem) {
    TfrmMain& w = *window;
    Open(5, 3);
    const TBitmap32 before = Picture();
    Click(panel->spEditFiph);
    EXPECT_EQ(w.Document().History().Count(), 1); // the photo as opened, stored once
    EXPECT_TRUE(w.Document().EditDirty());
    EXPECT_TRUE(w.Actions().actUndo->isEnabled());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Picture().Pixel(x, y), before.Pixel(4 - x, y));
    const TBitmap32 mirrored = Picture();
    Click(panel->spEditFlipv);
    EXPECT_EQ(w.Document().History().Count(), 2);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Picture().Pixel(x, y), mirrored.Pixel(x, 2 - y));
    // Flips keep the selection.
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), before));
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), mirrored));
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), before));
}

TEST_F(EditToolsTest, ZoomButtonsStepTheScaleByTenths) {
    TfrmMain& w = *window;
    Open(40, 30);
    for (int i = 0; i < 10; ++i)
        Click(panel->spEditZoomOut);
    EXPECT_EQ(w.ZoomStep(), 20);
    EXPECT_EQ(w.EditView()->Scale(), 2.0f);
    Click(panel->spEditZoomOut);
    EXPECT_EQ(w.ZoomStep(), 20);
    EXPECT_EQ(w.EditView()->Scale(), 2.0f);

    Click(panel->spEditZoon);
    EXPECT_EQ(w.ZoomStep(), 10);
    EXPECT_EQ(w.EditView()->Scale(), 1.0f);
    for (int i = 0; i < 8; ++i)
        Click(panel->spEditZoomIn);
    EXPECT_EQ(w.ZoomStep(), 2);
    EXPECT_EQ(w.EditView()->Scale(), 0.2f);
    Click(panel->spEditZoomIn);
    EXPECT_EQ(w.ZoomStep(), 2);
    EXPECT_EQ(w.Document().History().Count(), 1); // zooming is no edit
    EXPECT_FALSE(w.Document().EditDirty());

    // Opening a photo goes back to actual size: from step 15 one press out shows 1.1.
    for (int i = 0; i < 13; ++i)
        Click(panel->spEditZoomOut);
    EXPECT_EQ(w.ZoomStep(), 15);
    Open(40, 30, "second.png");
    Click(panel->spEditZoomOut);
    EXPECT_EQ(w.ZoomStep(), 11);
    EXPECT_EQ(w.EditView()->Scale(), 1.1f);
}

TEST_F(EditToolsTest, SelectionGoesWithOpenCloseAndLeavingThePage) {
    TfrmMain& w = *window;
    Open(80, 60);
    SelectDrag(10, 10, 30, 30);
    Open(50, 40, "other.png");
    EXPECT_FALSE(w.HasSelection());
    EXPECT_EQ(EditFrames(), 0);

    SelectDrag(10, 10, 30, 30);
    w.Actions().actAddFrame->trigger();
    EXPECT_FALSE(w.HasSelection());
    EXPECT_EQ(EditFrames(), 0);
    w.Actions().actEditPhoto->trigger();
    // Back on the edit page the tool is still Select: a new drag makes a new frame.
    Drag(5, 5, 15, 15);
    ASSERT_TRUE(w.HasSelection());
    EXPECT_EQ(w.EditSelectionRect(), (TRect{5, 5, 15, 15}));

    services.messageAnswers.push_back(MessageResult::Yes);
    w.Actions().ActClose->trigger();
    EXPECT_FALSE(w.HasSelection());
    EXPECT_EQ(EditFrames(), 0);
}

// ------------------------------------------------------------------ resize

TEST_F(EditToolsTest, KeptProportionsFollowTheTypedSide) {
    TfrmMain& w = *window;
    Open(1024, 768);
    Type(panel->ActHPercEdit, "800");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "600");
    EXPECT_EQ(w.ResizeWidth(), 800);
    EXPECT_EQ(w.ResizeHeight(), 600);
    EXPECT_TRUE(panel->btnSizeOK->isEnabled());
    Type(panel->ActVPercEdit, "100");
    EXPECT_EQ(panel->ActHPercEdit->text().toStdString(), "133");
    EXPECT_EQ(w.ResizeWidth(), 133);

    // Unchecked, the two sides are taken independently.
    panel->SynchronCheck->setChecked(false);
    Type(panel->ActHPercEdit, "50");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "100");
    EXPECT_EQ(w.ResizeWidth(), 50);
    EXPECT_EQ(w.ResizeHeight(), 100);
}

TEST_F(EditToolsTest, KeptProportionsRoundTiesToEven) {
    Open(2, 1);
    const std::pair<const char*, const char*> cases[] = {{"5", "2"}, {"3", "2"}, {"7", "4"}};
    for (const auto& [width, height] : cases) {
        Type(panel->ActHPercEdit, width);
        EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), height) << width;
    }
}

TEST_F(EditToolsTest, SizeFieldsTakeDigitsOnlyAndBeepAtTheRest) {
    TfrmMain& w = *window;
    Open(64, 48);
    panel->SynchronCheck->setChecked(false);
    QLineEdit* field = panel->ActHPercEdit;
    field->setCursorPosition(field->text().size());
    QTest::keyClicks(field, "1a-");
    EXPECT_EQ(field->text().toStdString(), "641");
    EXPECT_EQ(services.beeps, 2);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text().toStdString(), "64");
    // Keys that type nothing are not filtered.
    QTest::keyClick(field, Qt::Key_Left);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text().toStdString(), "6");
    EXPECT_EQ(services.beeps, 2);
    QTest::keyClicks(panel->ActVPercEdit, "x");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "48");
    EXPECT_EQ(services.beeps, 3);
    EXPECT_EQ(w.ResizeWidth(), 6);
}

TEST_F(EditToolsTest, AnEmptiedFieldKeepsTheLastValueAndDoesNotEnableResize) {
    TfrmMain& w = *window;
    Open(64, 48);
    QLineEdit* field = panel->ActHPercEdit;
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(w.ResizeWidth(), 64);
    EXPECT_FALSE(panel->btnSizeOK->isEnabled());
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "48");
}

TEST_F(EditToolsTest, ResizeCommitsAndUndoRestoresTheView) {
    TfrmMain& w = *window;
    Open(64, 48);
    const TBitmap32 before = Picture();
    Type(panel->ActHPercEdit, "32");
    Click(panel->btnSizeOK);
    EXPECT_EQ(Picture().Width(), 32);
    EXPECT_EQ(Picture().Height(), 24);
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), Picture()));
    EXPECT_EQ(panel->ActHPercEdit->text().toStdString(), "32");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "24");
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:32 x 24");
    EXPECT_DOUBLE_EQ(w.AspectRatio(), 32.0 / 24.0);
    EXPECT_FALSE(panel->btnSizeOK->isEnabled());
    EXPECT_TRUE(w.Document().EditDirty());
    EXPECT_EQ(w.Document().History().Count(), 1);

    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(Picture(), before));
    // The committed photo stays resized; the fields describe the picture on the page.
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 32);
    EXPECT_EQ(panel->ActHPercEdit->text().toStdString(), "64");
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:64 x 48");

    // Unchecked proportions distort, and Resize works on the picture in view.
    panel->SynchronCheck->setChecked(false);
    Type(panel->ActVPercEdit, "10");
    Click(panel->btnSizeOK);
    EXPECT_EQ(Picture().Width(), 64);
    EXPECT_EQ(Picture().Height(), 10);
}

TEST_F(EditToolsTest, ResizeRefusesSizesThePhotoCannotHaveAndSaysWhy) {
    TfrmMain& w = *window;
    Open(64, 48);
    const TBitmap32 before = Picture();
    panel->SynchronCheck->setChecked(false);
    Type(panel->ActHPercEdit, "0");
    Click(panel->btnSizeOK);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "The width and the height must each be at least 1 pixel.");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    // Nothing changed: no empty picture, no snapshot, nothing to undo.
    EXPECT_TRUE(SamePixels(Picture(), before));
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 64);
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_FALSE(w.Actions().actUndo->isEnabled());
    EXPECT_TRUE(panel->btnSizeOK->isEnabled());

    // A typing slip far beyond what a picture can hold is refused before any memory is taken.
    panel->SynchronCheck->setChecked(true);
    Type(panel->ActHPercEdit, "42000000");
    EXPECT_EQ(panel->ActVPercEdit->text().toStdString(), "31500000");
    Click(panel->btnSizeOK);
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text.toStdString(),
              "A picture of 42000000 x 31500000 pixels is too large: Lumetta holds pictures of "
              "at most 65535 pixels a side and 100 megapixels.");
    Type(panel->ActHPercEdit, "40000");
    Click(panel->btnSizeOK);
    EXPECT_EQ(services.messages.size(), 3u);
    EXPECT_TRUE(SamePixels(Picture(), before));
}

TEST_F(EditToolsTest, SizeFieldsTakeTheUsualEditingKeys) {
    Open(64, 48);
    QLineEdit* field = panel->ActHPercEdit;
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field->selectedText().toStdString(), "64");
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text().toStdString(), "6464");
    EXPECT_EQ(services.beeps, 0);
    // Pasted text that is not a number is kept out like typed letters.
    QApplication::clipboard()->setText(QStringLiteral("12px"));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text().toStdString(), "6464");
}

TEST_F(EditToolsTest, FieldsIgnoreKeysWhileTheViewIsEmpty) {
    TfrmMain& w = *window;
    Open(64, 48);
    services.messageAnswers.push_back(MessageResult::Yes);
    w.Actions().ActClose->trigger();
    EXPECT_TRUE(panel->ActHPercEdit->isEnabled());
    Type(panel->ActHPercEdit, "10");
    EXPECT_EQ(w.ResizeWidth(), 64);
    EXPECT_FALSE(panel->btnSizeOK->isEnabled());
    Click(panel->btnSizeOK);
    EXPECT_TRUE(Picture().Empty());
}

} // namespace
