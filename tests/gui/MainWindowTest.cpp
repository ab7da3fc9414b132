// The main window under the offscreen platform: start-up and exit, commands and their enabled
// states, Open / Close / Undo / Redo, page modes, status texts and the preview's wheel zoom.
#include "ui/MainWindow.h"
#include "LumettaBuild.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/PrintPreview.h"
#include "ui/ThumbnailList.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;

    std::string ExeDir() const { return dir.Path().string() + "/"; }

    TfrmMain& Start() {
        MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->show();
        QApplication::processEvents();
        return *window;
    }

    // A photo of w x h pixels whose pixel (x, y) has a colour made from x and y.
    std::string WritePhoto(const std::string& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, qRgb(x * 7 % 256, y * 11 % 256, 90));
        const std::string path = dir.File(name);
        EXPECT_TRUE(image.save(QString::fromStdString(path)));
        return path;
    }

    void Open(const std::string& path) {
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
    }

    // An edit command on the edit page: Flip Horizontal.
    void FlipOnEditPage() { window->EditPanels()->spEditFiph->click(); }
};

TEST_F(MainWindowTest, StartsWithCaptionPagesAndPhotoCommandsDisabled) {
    TfrmMain& w = Start();
    EXPECT_EQ(w.windowTitle().toStdString(), std::string("Lumetta V") + kLumettaVersion);
    EXPECT_EQ(QApplication::applicationName().toStdString(), "Lumetta");
    EXPECT_EQ(w.ExeDir(), ExeDir());
    EXPECT_EQ(w.DataDir(), ExeDir() + "Data/");
    EXPECT_EQ(w.CentrePageIndex(), int(plWelcome));
    EXPECT_EQ(w.LeftPageIndex(), int(pgEdit));
    EXPECT_EQ(w.findChild<QStackedWidget*>("plLeft")->width(), 161);
    EXPECT_EQ(w.TextFont().Name, "Arial");
    EXPECT_EQ(w.TextFont().Size, 28);
    EXPECT_EQ(w.TextFont().Color, 255u);

    for (QAction* a : {w.Actions().actSaveFile, w.Actions().actPrintPreview, w.Actions().actPrint,
                       w.Actions().actEditPhoto, w.Actions().catAddMask, w.Actions().actAddFrame,
                       w.Actions().actAddShadow, w.Actions().actAddClipArt, w.Actions().actAddText,
                       w.Actions().actShowPreview, w.Actions().actUndo, w.Actions().actRedo})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a :
         {w.Actions().actOpenFile, w.Actions().ActClose, w.Actions().actPrintSetup,
          w.Actions().actStandardOption, w.Actions().actDownloadObject, w.Actions().actAddObject,
          w.Actions().actShowLogs, w.Actions().actClearLogs, w.Actions().actHelpManual,
          w.Actions().actHomePage, w.Actions().actAboutSoft, w.Actions().actExit})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(w.LeftPanelBitmap().Width(), 80);
    EXPECT_EQ(w.LeftPanelBitmap().Height(), 210);
}

TEST_F(MainWindowTest, HiddenPagesAreBuiltWhenFirstNeededAndWorkAsIfBuiltAtStart) {
    TfrmMain& w = Start();
    // Start-up builds what shows: no thumbnail list, no print preview, no print options yet.
    EXPECT_EQ(w.findChild<TThumbnailList*>(), nullptr);
    EXPECT_EQ(w.findChild<TJvPreviewControl*>(), nullptr);
    EXPECT_EQ(w.findChild<QSpinBox*>("edShadow"), nullptr);

    Open(WritePhoto("p.png", 8, 4));
    w.Actions().actAddFrame->trigger();
    auto* list = w.findChild<TThumbnailList*>("ivLeft");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list, w.ObjectList());
    EXPECT_EQ(list->FileMask().toStdString(), "Frame*.jpg");
    EXPECT_EQ(list->ObjectKind, 2);
    ASSERT_FALSE(list->Folders().isEmpty());
    EXPECT_EQ(list->Folders().back().toStdString(), w.DataDir());
    EXPECT_EQ(w.LeftPageIndex(), int(pgObject));

    w.Actions().actPrintPreview->trigger();
    auto* preview = w.findChild<TJvPreviewControl*>("PreCtlMain");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview, w.PrintPreviewControl());
    EXPECT_EQ(preview->PageCount(), 1);
    EXPECT_EQ(w.CentrePageIndex(), int(plPrintPreview));
    EXPECT_EQ(w.LeftPageIndex(), int(pgPrintSet));
    EXPECT_TRUE(preview->isVisible());
    QSpinBox* shadow = w.findChild<QSpinBox*>("edShadow");
    ASSERT_NE(shadow, nullptr);
    EXPECT_TRUE(shadow->isVisible());
    // The option controls drive the pages built with them.
    shadow->setValue(9);
    EXPECT_EQ(preview->Options().Shadow.Offset, 9);
}

TEST_F(MainWindowTest, FirstRunWritesDefaultsInOrder) {
    TfrmMain& w = Start();
    // The stored size is the window's outer size.
    EXPECT_EQ(w.frameGeometry().width(), 750);
    EXPECT_EQ(w.frameGeometry().height(), 550);
    window.reset();
    const std::string ini = test::ReadText(ExeDir() + "Setup.ini");
    const char* keys[] = {"JpgCompressVar=90",     "JpgCompress=1",         "ScrIniPath=",
                          "DesktopColor=16777215", "DesktopBg=MainBg1.bmp", "PspVer=0",
                          "WinWidth=750",          "WinHeight=550",         "WinState=0"};
    std::size_t at = ini.find("[Setup]");
    ASSERT_NE(at, std::string::npos) << ini;
    for (const char* key : keys) {
        const std::size_t next = ini.find(key, at);
        EXPECT_NE(next, std::string::npos) << key << " in\n" << ini;
        if (next != std::string::npos) at = next;
    }
}

TEST_F(MainWindowTest, StoredSizeStateAndForeignKeysSurviveARun) {
    test::WriteText(ExeDir() + "Setup.ini",
                    "[Other]\nKeep=yes\n[Setup]\nWinWidth=400\nWinHeight=300\nMine=1\n");
    TfrmMain& w = Start();
    EXPECT_EQ(w.frameGeometry().width(), 400);
    EXPECT_EQ(w.frameGeometry().height(), 300);
    window.reset();
    const std::string ini = test::ReadText(ExeDir() + "Setup.ini");
    EXPECT_NE(ini.find("[Other]"), std::string::npos);
    EXPECT_NE(ini.find("Keep=yes"), std::string::npos);
    EXPECT_NE(ini.find("Mine=1"), std::string::npos);
    EXPECT_NE(ini.find("WinWidth=400"), std::string::npos);
}

TEST_F(MainWindowTest, AStoredSizeLargerThanTheScreenIsBoundToItsWorkArea) {
    test::WriteText(ExeDir() + "Setup.ini", "[Setup]\nWinWidth=100000\nWinHeight=100000\n");
    TfrmMain& w = Start();
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(w.frameGeometry().width(), area.width());
    EXPECT_LE(w.frameGeometry().height(), area.height());
    window.reset();
    const std::string ini = test::ReadText(ExeDir() + "Setup.ini");
    EXPECT_EQ(ini.find("WinWidth=100000"), std::string::npos) << ini;
    EXPECT_NE(ini.find("WinWidth=" + std::to_string(area.width())), std::string::npos) << ini;
}

TEST_F(MainWindowTest, MaximizedStateIsKept) {
    test::WriteText(ExeDir() + "Setup.ini", "[Setup]\nWinState=2\nWinWidth=400\nWinHeight=300\n");
    TfrmMain& w = Start();
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    window.reset();
    const std::string ini = test::ReadText(ExeDir() + "Setup.ini");
    EXPECT_NE(ini.find("WinState=2"), std::string::npos) << ini;
}

TEST_F(MainWindowTest, OpenFileLoadsThePhotoOntoTheEditPage) {
    TfrmMain& w = Start();
    const std::string photo = WritePhoto("beach.png", 64, 48);
    Open(photo);
    ASSERT_EQ(services.openRequests.size(), 1u);
    EXPECT_TRUE(services.openRequests[0].filters.first().startsWith("All ("));
    EXPECT_TRUE(bool(services.openRequests[0].preview));
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 64);
    EXPECT_EQ(w.Document().EditedPhoto().Height(), 48);
    EXPECT_EQ(w.Document().CurrentPhotoFile(), photo);
    EXPECT_EQ(w.Document().History().Count(), 1);
    EXPECT_EQ(w.Document().HistoryIndex(), 1);
    EXPECT_EQ(w.CentrePageIndex(), int(plEditPhoto));
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), w.Document().EditedPhoto()));
    EXPECT_TRUE(SamePixels(w.PreviewView()->Picture(), w.Document().EditedPhoto()));
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:64 x 48");
    EXPECT_EQ(Settings().ScrIniPath, dir.Path().string());
    EXPECT_TRUE(w.Actions().actSaveFile->isEnabled());
    EXPECT_TRUE(w.Actions().actAddText->isEnabled());
    // Open File does not set the history buttons.
    EXPECT_FALSE(w.Actions().actUndo->isEnabled());
}

TEST_F(MainWindowTest, OpenFileFailuresAreReportedAndChangeNothing) {
    TfrmMain& w = Start();
    const std::string bad = dir.File("broken.jpg");
    test::WriteText(bad, "this is not a picture");
    Open(bad);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.left(21).toStdString(), "Cannot open broken.jp");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(w.Document().CurrentPhotoFile().empty());
    EXPECT_TRUE(w.Document().EditedPhoto().Empty());
    Open(dir.File("missing.png"));
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text.toStdString(),
              "Cannot open missing.png: there is no such file.");
    EXPECT_TRUE(w.Document().CurrentPhotoFile().empty());
    EXPECT_EQ(w.CentrePageIndex(), int(plWelcome));

    // With a photo open, a failed open leaves it as it was, name included.
    const std::string good = WritePhoto("good.png", 8, 4);
    Open(good);
    Open(bad);
    EXPECT_EQ(w.Document().CurrentPhotoFile(), good);
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 8);
}

// Open asks about unsaved work before it reads the new file, and sets aside only what can be
// read again: a photo that is its file, or one whose changes were just discarded.
TEST_F(MainWindowTest, AFailedOpenKeepsEveryPhotoThatWasNotDiscarded) {
    TfrmMain& w = Start();
    const std::string bad = dir.File("broken.jpg");
    test::WriteText(bad, "this is not a picture");
    const std::string good = WritePhoto("good.png", 8, 4);
    Open(good);
    const TBitmap32 original = w.Document().EditedPhoto();

    // Edited: the question comes first; Cancel reads nothing and says nothing more.
    FlipOnEditPage();
    const TBitmap32 flipped = w.EditView()->Picture();
    services.messageAnswers.push_back(MessageResult::Cancel);
    Open(bad);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "Save changes to good.png?");
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), flipped));

    // Saved under another name: the history stays whole through a failed Open.
    const std::string saved = dir.File("saved.png");
    services.saveAnswers.push_back(FileDialogResult{QString::fromStdString(saved), 1});
    services.messageAnswers.push_back(MessageResult::Save);
    Open(bad);
    ASSERT_EQ(services.messages.size(), 3u);
    EXPECT_EQ(services.messages[2].text.left(22).toStdString(), "Cannot open broken.jpg");
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), flipped));
    EXPECT_FALSE(w.Document().HasUnsavedWork());
    ASSERT_TRUE(w.Actions().actUndo->isEnabled());
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), original));

    // Discarded: what is left is the photo as its file holds it.
    FlipOnEditPage();
    FlipOnEditPage();
    services.messageAnswers.push_back(MessageResult::Discard);
    Open(bad);
    EXPECT_EQ(services.messages.back().text.left(22).toStdString(), "Cannot open broken.jpg");
    EXPECT_EQ(w.Document().CurrentPhotoFile(), good);
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), original));
    EXPECT_FALSE(w.Document().HasUnsavedWork());

    // Unchanged, but its file was replaced meanwhile: the photo in view is kept, not re-read.
    Open(good);
    ASSERT_TRUE(w.Document().MatchesItsFile());
    TBitmap32 other(8, 4);
    other.Clear(0xFF123456u);
    std::filesystem::remove(good);
    test::WriteBytes(good, test::EncodePng(other));
    EXPECT_FALSE(w.Document().MatchesItsFile());
    Open(bad);
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), original));
}

TEST_F(MainWindowTest, CloseAsksAndEmptiesTheDocumentOnYes) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 20, 10));
    services.messageAnswers.push_back(MessageResult::No);
    w.Actions().ActClose->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Confirm");
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Are you sure you want to close the current photo?");
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 20);

    services.messageAnswers.push_back(MessageResult::Yes);
    w.Actions().ActClose->trigger();
    EXPECT_TRUE(w.Document().EditedPhoto().Empty());
    EXPECT_TRUE(w.EditView()->Picture().Empty());
    EXPECT_TRUE(w.PreviewView()->Picture().Empty());
    EXPECT_EQ(w.Document().History().Count(), 0);
    for (QAction* a : {w.Actions().actSaveFile, w.Actions().actPrint, w.Actions().actPrintPreview,
                       w.Actions().catAddMask, w.Actions().actAddText, w.Actions().actShowPreview})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:20 x 10"); // keeps its last text
}

TEST_F(MainWindowTest, UndoRedoWalkThroughOnTheEditPage) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    const TBitmap32 P = w.Document().EditedPhoto();
    EXPECT_FALSE(w.Actions().actUndo->isEnabled()); // nothing to undo yet
    FlipOnEditPage();                               // [P] (P is stored once), index 1, P1 in view
    const TBitmap32 P1 = w.EditView()->Picture();
    FlipOnEditPage(); // [P, P1], index 2, P2 in view
    const TBitmap32 P2 = w.EditView()->Picture();
    EXPECT_EQ(w.Document().History().Count(), 2);
    EXPECT_EQ(w.Document().HistoryIndex(), 2);

    // Every Undo shows the state before, and the newest state is stored so Redo reaches it.
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), P1));
    EXPECT_EQ(w.Document().History().Count(), 3);
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), P));
    EXPECT_EQ(w.Document().HistoryIndex(), 0);
    EXPECT_FALSE(w.Actions().actUndo->isEnabled());
    w.Actions().actRedo->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), P1));
    w.Actions().actRedo->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), P2));
    EXPECT_EQ(w.Document().HistoryIndex(), 2);
    EXPECT_FALSE(w.Actions().actRedo->isEnabled());
}

TEST_F(MainWindowTest, SwitchModePushesEditsAndShowsTheObjectPages) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    FlipOnEditPage();
    const TBitmap32 flipped = w.EditView()->Picture();
    w.Actions().actAddFrame->trigger();
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_EQ(w.Document().History().Count(), 2); // the photo as opened, then the flipped one
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), flipped));
    EXPECT_EQ(w.CentrePageIndex(), int(plPreview));
    EXPECT_EQ(w.LeftPageIndex(), int(pgObject));
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add Frame");
    EXPECT_EQ(w.ObjectList()->ObjectKind, 2);
    EXPECT_TRUE(SamePixels(w.PreviewView()->Picture(), flipped));

    w.Document().Decorate([](TBitmap32& picture) { picture.FlipVert(); });
    w.Actions().actAddShadow->trigger();
    EXPECT_EQ(w.Document().History().Count(), 3);
    EXPECT_FALSE(w.Document().PreviewDirty());
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add Shadow");

    w.Actions().actAddClipArt->trigger();
    EXPECT_EQ(w.ObjectList()->ObjectKind, 3);
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add ClipArt");
    w.Actions().catAddMask->trigger();
    EXPECT_EQ(w.ObjectList()->ObjectKind, 1);
    w.Actions().actEditPhoto->trigger();
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Edit photo");
    EXPECT_EQ(w.CentrePageIndex(), int(plEditPhoto));
    // The edit page shows the committed photo, without the preview's decoration.
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), flipped));

    const int count = w.Document().History().Count();
    w.SwitchMode(5);
    w.SwitchMode(-1);
    EXPECT_EQ(w.Document().History().Count(), count);
}

TEST_F(MainWindowTest, UndoRestoresIntoThePreviewWhenTheEditPageIsNotShown) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    const TBitmap32 P = w.Document().EditedPhoto();
    w.Actions().actAddFrame->trigger();
    w.Document().Decorate([](TBitmap32& picture) { picture.Clear(0xFF000000); });
    w.Actions().actWelcome->trigger();
    EXPECT_EQ(w.CentrePageIndex(), int(plWelcome));
    ASSERT_TRUE(w.Actions().actUndo->isEnabled());
    w.Actions().actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.PreviewView()->Picture(), P));
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), P));
    w.Actions().actRedo->trigger();
    EXPECT_EQ(w.PreviewView()->Picture().Pixel(0, 0), 0xFF000000u);
}

TEST_F(MainWindowTest, UnsavedWorkIsAskedAboutBeforeItCouldBeLost) {
    TfrmMain& w = Start();
    Open(WritePhoto("holiday.png", 8, 4));
    // Nothing made yet: Exit asks nothing... (checked last). Now some work:
    FlipOnEditPage();
    ASSERT_TRUE(w.Document().HasUnsavedWork());

    // Exit (Ctrl+X, the toolbar, the close box) asks; Cancel keeps the window and the work.
    services.messageAnswers.push_back(MessageResult::Cancel);
    w.Actions().actExit->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Lumetta");
    EXPECT_EQ(services.messages[0].text.toStdString(), "Save changes to holiday.png?");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::SaveDiscardCancel);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.ExitSequenceDone());
    EXPECT_TRUE(w.Document().HasUnsavedWork());

    // Close asks the same question instead of its plain confirmation.
    services.messageAnswers.push_back(MessageResult::Cancel);
    w.Actions().ActClose->trigger();
    EXPECT_EQ(services.messages.back().text.toStdString(), "Save changes to holiday.png?");
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 8);

    // Save whose dialog is cancelled saves nothing and closes nothing.
    services.messageAnswers.push_back(MessageResult::Save);
    w.close();
    EXPECT_TRUE(w.isVisible());

    // Save with a file: the work is written, then the window closes.
    const std::string saved = dir.File("saved.png");
    services.saveAnswers.push_back(FileDialogResult{QString::fromStdString(saved), 1});
    services.messageAnswers.push_back(MessageResult::Save);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.ExitSequenceDone());
    EXPECT_TRUE(std::filesystem::exists(saved));
}

TEST_F(MainWindowTest, DiscardEndsWithoutSavingAndNoWorkMeansNoQuestion) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    w.close(); // nothing made: no question
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(w.ExitSequenceDone());

    window.reset();
    TfrmMain& second = Start();
    Open(WritePhoto("p.png", 8, 4));
    second.EditPanels()->spEditFlipv->click();
    services.messageAnswers.push_back(MessageResult::Discard);
    second.close();
    EXPECT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(second.ExitSequenceDone());
}

TEST_F(MainWindowTest, TheStatusBarSaysOnceWhenUndoStepsAreDroppedToSaveMemory) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 20, 10)); // 800 bytes a snapshot
    w.Document().History().SetByteBudget(2000);
    for (int i = 0; i < 4; ++i) {
        w.EditPanels()->spEditFlipv->click();
        w.EditPanels()->spEditFiph->click();
    }
    EXPECT_LE(w.Document().History().Count(), 2);
    EXPECT_EQ(w.StatusText(2).toStdString(), "Oldest Undo steps dropped to save memory");
}

TEST_F(MainWindowTest, CtrlAltSRunsSaveFileOnlyWhenEnabled) {
    TfrmMain& w = Start();
    QSignalSpy save(w.Actions().actSaveFile, &QAction::triggered);
    QSignalSpy option(w.Actions().actStandardOption, &QAction::triggered);
    QSignalSpy preview(w.Actions().actShowPreview, &QAction::triggered);
    QSignalSpy shadow(w.Actions().actAddShadow, &QAction::triggered);
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(save.count(), 0);
    EXPECT_EQ(option.count(), 0);
    Open(WritePhoto("p.png", 8, 4));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(save.count(), 1);
    EXPECT_EQ(option.count(), 0);
    EXPECT_EQ(preview.count(), 0);
    EXPECT_EQ(shadow.count(), 0);
}

TEST_F(MainWindowTest, WheelZoomsThePreviewWithinLimits) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    w.Actions().actShowPreview->trigger();
    auto wheel = [&](int delta) {
        QWidget* vp = w.PreviewView()->viewport();
        QWheelEvent event(QPointF(5, 5), vp->mapToGlobal(QPointF(5, 5)), QPoint(0, 0),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &event);
    };
    for (int i = 0; i < 10; ++i)
        wheel(-120);
    float expected = 1.0f;
    for (int i = 0; i < 10; ++i)
        expected = expected * 1.1f;
    EXPECT_EQ(w.PreviewView()->Scale(), expected);
    EXPECT_NEAR(w.PreviewView()->Scale(), 2.594f, 0.001f);
    w.PreviewView()->SetScale(19.0f);
    wheel(-120);
    EXPECT_EQ(w.PreviewView()->Scale(), 20.0f);
    w.PreviewView()->SetScale(0.21f);
    wheel(120);
    EXPECT_EQ(w.PreviewView()->Scale(), 0.2f);
}

TEST_F(MainWindowTest, ErrorTextFollowsTheFullStopRule) {
    EXPECT_EQ(TfrmMain::ErrorText("Source rectangle is invalid").toStdString(),
              "Source rectangle is invalid.");
    EXPECT_EQ(TfrmMain::ErrorText("List index out of bounds (-1)").toStdString(),
              "List index out of bounds (-1)");
    EXPECT_EQ(TfrmMain::ErrorText("Done.").toStdString(), "Done.");
    TfrmMain& w = Start();
    w.RunCommand([] { throw ETransformError("Source rectangle is invalid"); });
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Lumetta");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(), "Source rectangle is invalid.");
}

TEST_F(MainWindowTest, DamagedContainerIsReportedOnce) {
    test::WriteText(ExeDir() + "library.phd", std::string(40, 'x'));
    Start();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "File format error or file have damaged!");
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Lumetta");
}

} // namespace

namespace {

TEST_F(MainWindowTest, TheEventLogIsReadAtStartAndWrittenBackAtExit) {
    test::WriteText(ExeDir() + "Log.dat", "junk[12:00]A>>B>C>D\nno bracket\r\n[t]x>>y>desc");
    TfrmMain& w = Start();
    ASSERT_EQ(w.EventLog().Records().size(), 2u);
    EXPECT_EQ(w.EventLog().Records()[0].Title, "A>B");
    window.reset();
    EXPECT_EQ(test::ReadText(ExeDir() + "Log.dat"), "[12:00]A>>B>C>D\r\n[t]x>>y>desc\r\n");
}

TEST_F(MainWindowTest, ClearLogsAsksFirst) {
    test::WriteText(ExeDir() + "Log.dat", "[t]a>b\r\n");
    TfrmMain& w = Start();
    services.messageAnswers.push_back(MessageResult::No);
    w.Actions().actClearLogs->trigger();
    EXPECT_EQ(services.messages.back().text.toStdString(), "Are you sure you want to clean logs?");
    EXPECT_EQ(w.EventLog().Records().size(), 1u);
    services.messageAnswers.push_back(MessageResult::Yes);
    w.Actions().actClearLogs->trigger();
    EXPECT_TRUE(w.EventLog().Records().empty());
    EXPECT_EQ(test::ReadText(ExeDir() + "Log.dat"), "");
}

} // namespace
