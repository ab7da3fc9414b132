// The main window under the offscreen platform: start-up and exit, commands and their enabled
// states, Open / Close / Undo / Redo, page modes, status texts and the preview's wheel zoom.
#include "ui/MainWindow.h"
#include "LumettaBuild.h"
#include "support/TestSupport.h"
#include "ui/ImageViewWidget.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

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
        window->actOpenFile->trigger();
    }

    // Simulates an edit command on the edit page: push the picture before it, then flip.
    void FlipOnEditPage() {
        TfrmMain& w = *window;
        w.PushSnapshot(w.ImgViewEdit->Picture());
        w.EditDirty = true;
        w.UpdateUndoRedo();
        w.ImgViewEdit->Picture().FlipHorz();
    }
};

bool SamePixels(const TBitmap32& a, const TBitmap32& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

TEST_F(MainWindowTest, StartsWithCaptionPagesAndPhotoCommandsDisabled) {
    TfrmMain& w = Start();
    EXPECT_EQ(w.windowTitle().toStdString(), std::string("Lumetta V") + kLumettaVersion);
    EXPECT_EQ(QApplication::applicationName().toStdString(), "Lumetta");
    EXPECT_EQ(w.ExeDir, ExeDir());
    EXPECT_EQ(w.DataDir, ExeDir() + "Data/");
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plWelcome));
    EXPECT_EQ(w.plLeft->currentIndex(), int(pgEdit));
    EXPECT_EQ(w.plLeft->width(), 161);
    EXPECT_EQ(w.TextFont.Name, "Arial");
    EXPECT_EQ(w.TextFont.Size, 28);
    EXPECT_EQ(w.TextFont.Color, 255u);

    for (QAction* a :
         {w.actSaveFile, w.actPrintPreview, w.actPrint, w.actEditPhoto, w.catAddMask, w.actAddFrame,
          w.actAddShadow, w.actAddClipArt, w.actAddText, w.actShowPreview, w.actUndo, w.actRedo})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    for (QAction* a : {w.actOpenFile, w.ActClose, w.actPrintSetup, w.actStandardOption,
                       w.actDownloadObject, w.actAddObject, w.actShowLogs, w.actClearLogs,
                       w.actHelpManual, w.actHomePage, w.actAboutSoft, w.actExit})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(w.LeftPanelBitmap.Width(), 80);
    EXPECT_EQ(w.LeftPanelBitmap.Height(), 210);
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
    EXPECT_EQ(w.EditedPhoto.Width(), 64);
    EXPECT_EQ(w.EditedPhoto.Height(), 48);
    EXPECT_EQ(w.CurrentPhotoFile, photo);
    EXPECT_EQ(w.iPhotos.Count(), 1);
    EXPECT_EQ(w.HistoryIndex(), 1);
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plEditPhoto));
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), w.EditedPhoto));
    EXPECT_TRUE(SamePixels(w.imgView->Picture(), w.EditedPhoto));
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:64 x 48");
    EXPECT_EQ(Settings().ScrIniPath, dir.Path().string());
    EXPECT_TRUE(w.actSaveFile->isEnabled());
    EXPECT_TRUE(w.actAddText->isEnabled());
    // Open File does not set the history buttons.
    EXPECT_FALSE(w.actUndo->isEnabled());
}

TEST_F(MainWindowTest, OpenFileFailuresChangeOnlyTheFileName) {
    TfrmMain& w = Start();
    const std::string bad = dir.File("broken.jpg");
    test::WriteText(bad, "this is not a picture");
    Open(bad);
    EXPECT_EQ(w.CurrentPhotoFile, bad);
    EXPECT_TRUE(w.EditedPhoto.Empty());
    EXPECT_TRUE(services.messages.empty());
    Open(dir.File("missing.png"));
    EXPECT_EQ(w.CurrentPhotoFile, dir.File("missing.png"));
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plWelcome));
}

TEST_F(MainWindowTest, CloseAsksAndEmptiesTheDocumentOnYes) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 20, 10));
    services.messageAnswers.push_back(MessageResult::No);
    w.ActClose->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Confirm");
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Are you sure you want to close the current photo?");
    EXPECT_EQ(w.EditedPhoto.Width(), 20);

    services.messageAnswers.push_back(MessageResult::Yes);
    w.ActClose->trigger();
    EXPECT_TRUE(w.EditedPhoto.Empty());
    EXPECT_TRUE(w.ImgViewEdit->Picture().Empty());
    EXPECT_TRUE(w.imgView->Picture().Empty());
    EXPECT_EQ(w.iPhotos.Count(), 0);
    for (QAction* a : {w.actSaveFile, w.actPrint, w.actPrintPreview, w.catAddMask, w.actAddText,
                       w.actShowPreview})
        EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:20 x 10"); // keeps its last text
}

TEST_F(MainWindowTest, UndoRedoWalkThroughOnTheEditPage) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    const TBitmap32 P = w.EditedPhoto;
    FlipOnEditPage(); // [P, P], index 2
    const TBitmap32 P1 = w.ImgViewEdit->Picture();
    FlipOnEditPage(); // [P, P, P1], index 3
    EXPECT_EQ(w.iPhotos.Count(), 3);
    EXPECT_EQ(w.HistoryIndex(), 3);

    w.actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), P1));
    w.actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), P));
    w.actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), P));
    EXPECT_EQ(w.HistoryIndex(), 0);
    EXPECT_FALSE(w.actUndo->isEnabled());
    w.actRedo->trigger();
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), P));
    w.actRedo->trigger();
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), P1));
    EXPECT_EQ(w.HistoryIndex(), 2);
    EXPECT_FALSE(w.actRedo->isEnabled());
}

TEST_F(MainWindowTest, SwitchModePushesEditsAndShowsTheObjectPages) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    FlipOnEditPage();
    const TBitmap32 flipped = w.ImgViewEdit->Picture();
    w.actAddFrame->trigger();
    EXPECT_FALSE(w.EditDirty);
    EXPECT_EQ(w.iPhotos.Count(), 3);
    EXPECT_TRUE(SamePixels(w.EditedPhoto, flipped));
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plPreview));
    EXPECT_EQ(w.plLeft->currentIndex(), int(pgObject));
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add Frame");
    EXPECT_EQ(w.ivLeft->ObjectKind, 2);
    EXPECT_TRUE(SamePixels(w.imgView->Picture(), flipped));

    w.PreviewDirty = true;
    w.imgView->Picture().FlipVert();
    w.actAddShadow->trigger();
    EXPECT_EQ(w.iPhotos.Count(), 4);
    EXPECT_FALSE(w.PreviewDirty);
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add Shadow");

    w.actAddClipArt->trigger();
    EXPECT_EQ(w.ivLeft->ObjectKind, 3);
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add ClipArt");
    w.catAddMask->trigger();
    EXPECT_EQ(w.ivLeft->ObjectKind, 1);
    w.actEditPhoto->trigger();
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Edit photo");
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plEditPhoto));
    // The edit page shows the committed photo, without the preview's decoration.
    EXPECT_TRUE(SamePixels(w.ImgViewEdit->Picture(), flipped));

    const int count = w.iPhotos.Count();
    w.SwitchMode(5);
    w.SwitchMode(-1);
    EXPECT_EQ(w.iPhotos.Count(), count);
}

TEST_F(MainWindowTest, UndoRestoresIntoThePreviewWhenTheEditPageIsNotShown) {
    TfrmMain& w = Start();
    Open(WritePhoto("p.png", 8, 4));
    const TBitmap32 P = w.EditedPhoto;
    FlipOnEditPage();
    w.actWelcome->trigger();
    EXPECT_EQ(w.PageListMain->currentIndex(), int(plWelcome));
    w.imgView->Picture().Clear(0xFF000000);
    w.actUndo->trigger();
    EXPECT_TRUE(SamePixels(w.imgView->Picture(), P));
}

TEST_F(MainWindowTest, CtrlAltSRunsSaveFileOnlyWhenEnabled) {
    TfrmMain& w = Start();
    QSignalSpy save(w.actSaveFile, &QAction::triggered);
    QSignalSpy option(w.actStandardOption, &QAction::triggered);
    QSignalSpy preview(w.actShowPreview, &QAction::triggered);
    QSignalSpy shadow(w.actAddShadow, &QAction::triggered);
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
    w.actShowPreview->trigger();
    auto wheel = [&](int delta) {
        QWidget* vp = w.imgView->viewport();
        QWheelEvent event(QPointF(5, 5), vp->mapToGlobal(QPointF(5, 5)), QPoint(0, 0),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &event);
    };
    for (int i = 0; i < 10; ++i)
        wheel(-120);
    float expected = 1.0f;
    for (int i = 0; i < 10; ++i)
        expected = expected * 1.1f;
    EXPECT_EQ(w.imgView->Scale(), expected);
    EXPECT_NEAR(w.imgView->Scale(), 2.594f, 0.001f);
    w.imgView->SetScale(19.0f);
    wheel(-120);
    EXPECT_EQ(w.imgView->Scale(), 20.0f);
    w.imgView->SetScale(0.21f);
    wheel(120);
    EXPECT_EQ(w.imgView->Scale(), 0.2f);
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
    ASSERT_EQ(w.LogFileMain.Records().size(), 2u);
    EXPECT_EQ(w.LogFileMain.Records()[0].Title, "A>B");
    window.reset();
    EXPECT_EQ(test::ReadText(ExeDir() + "Log.dat"), "[12:00]A>>B>C>D\r\n[t]x>>y>desc\r\n");
}

TEST_F(MainWindowTest, ClearLogsAsksFirst) {
    test::WriteText(ExeDir() + "Log.dat", "[t]a>b\r\n");
    TfrmMain& w = Start();
    services.messageAnswers.push_back(MessageResult::No);
    w.actClearLogs->trigger();
    EXPECT_EQ(services.messages.back().text.toStdString(), "Are you sure you want to clean logs?");
    EXPECT_EQ(w.LogFileMain.Records().size(), 1u);
    services.messageAnswers.push_back(MessageResult::Yes);
    w.actClearLogs->trigger();
    EXPECT_TRUE(w.LogFileMain.Records().empty());
    EXPECT_EQ(test::ReadText(ExeDir() + "Log.dat"), "");
}

} // namespace
