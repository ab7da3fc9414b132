// Save File: the dialog request, the file type deciding the format, which picture is saved
// (the edit page's unsaved edits or the flattened preview) and what saving does to the preview.
#include "base/SafeFile.h"
#include "codecs/Encoders.h"
#include "codecs/ImageIO.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"
#include "tools/Settings.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

constexpr TColor32 kPhoto = 0xFF0A141E;
constexpr TColor32 kFrame = 0xFFAA0000;
constexpr TColor32 kArt = 0xFF0000FF;

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

class SaveTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;
    int savedQuality = Settings().JpgCompressVar;

    std::string ExeDir() const { return dir.Path().string() + "/"; }

    void SetUp() override {
        // A frame of ten pixels on every side and one clip-art object.
        TPackWriter pack;
        pack.Add("framea.png", test::EncodePng(Solid(30, 30, kFrame)));
        TBitmap32 art = Solid(21, 11, kArt);
        art.SetPixel(0, 0, 0x000000FF); // a transparent corner
        pack.Add("clipartsun.png", test::EncodePng(art));
        pack.Save(ExeDir() + "libraryfull.phd");
        test::WriteText(ExeDir() + "library.phi",
                        "[Frames]\nframea=0,10,10,20,20,10,10,10,10,10,10,10,10,10,10,10,10,0,0,"
                        "10,10\n");
        std::filesystem::create_directories(ExeDir() + "Data");
        for (const char* name : {"FrameA.jpg", "ClipArtSun.jpg"}) {
            QImage thumb(40, 30, QImage::Format_RGB32);
            thumb.fill(Qt::darkCyan);
            ASSERT_TRUE(thumb.save(QString::fromStdString(ExeDir() + "Data/" + name), "JPG"));
        }
        MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->show();
        QApplication::processEvents();
    }

    void TearDown() override {
        window.reset();
        Settings().JpgCompressVar = savedQuality;
    }

    // Opens a uniform photo of w x h pixels (JPEG for a .jpeg name, PNG otherwise).
    void OpenPhoto(const std::string& name, int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        const std::string path = dir.File(name);
        const bool jpeg = name.ends_with(".jpeg");
        ASSERT_TRUE(image.save(QString::fromStdString(path), jpeg ? "JPG" : "PNG", 100));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        ASSERT_FALSE(window->Document().EditedPhoto().Empty());
    }

    void DoubleClick(const std::string& file) {
        TThumbnailList* list = window->ObjectList();
        int index = -1;
        for (int i = 0; i < list->Count(); ++i)
            if (list->ItemPath(i).endsWith(QString::fromStdString("/" + file))) index = i;
        ASSERT_GE(index, 0) << file;
        QApplication::processEvents();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->CellRect(index).center());
    }

    // Answers the next save dialog with a file of the folder and a type (1 JPG ... 4 GIF).
    std::string AnswerSave(const std::string& name, int type) {
        const std::string path = dir.File(name);
        services.saveAnswers.push_back(FileDialogResult{QString::fromStdString(path), type - 1});
        return path;
    }

    std::size_t FileCount() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            ++n;
        return n;
    }

    TBitmap32 ReadBack(const std::string& path, const std::string& asExtension) {
        const auto bytes = test::ReadBytes(path);
        TBitmap32 picture;
        LoadPictureData(picture, bytes.data(), bytes.size(), asExtension, path);
        return picture;
    }
};

TEST_F(SaveTest, TheDialogProposesThePhotoNameAndTheChosenTypeDecidesTheFormat) {
    TfrmMain& w = *window;
    OpenPhoto("beach.jpeg", 40, 30);
    const std::string path = AnswerSave("x.png", 1);
    w.Actions().actSaveFile->trigger();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();

    ASSERT_EQ(services.saveRequests.size(), 1u);
    const FileDialogRequest& request = services.saveRequests[0];
    EXPECT_EQ(request.title.toStdString(), "Save Picture");
    EXPECT_EQ(request.fileName.toStdString(), "beach");
    EXPECT_EQ(request.filters,
              QStringList({"JPG (*.jpg)", "PNG (*.png)", "BMP (*.bmp)", "GIF (*.gif)"}));
    EXPECT_EQ(request.selectedFilter, 0);
    EXPECT_EQ(request.defaultSuffix.toStdString(), "jpg");
    EXPECT_TRUE(request.suffixFollowsFilter);
    EXPECT_EQ(request.startFolder.toStdString(), dir.Path().string());

    // JPEG data in a file named x.png, at the quality of the settings.
    const auto bytes = test::ReadBytes(path);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes, EncodeJpeg(w.EditView()->Picture(), 90));
    const TBitmap32 back = ReadBack(path, "jpg");
    EXPECT_EQ(back.Width(), 40);
    EXPECT_EQ(back.Height(), 30);

    // Saving is not an edit: no snapshot, no flag changes.
    EXPECT_EQ(w.Document().History().Count(), 1);
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_FALSE(w.Document().PreviewDirty());
    EXPECT_FALSE(w.Document().HasUnsavedWork());
}

TEST_F(SaveTest, TheNextSavePreselectsTheTypeUsedBeforeAndCancelWritesNothing) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 12, 8);
    const std::string gif = AnswerSave("picture.gif", 4);
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(ReadBack(gif, "gif").Pixel(3, 3) & 0xFF000000u, 0xFF000000u);
    EXPECT_EQ(w.SaveFilterIndex(), 4);

    const auto filesBefore = FileCount();
    w.Actions().actSaveFile->trigger(); // cancelled: no answer queued
    EXPECT_EQ(FileCount(), filesBefore);
    ASSERT_EQ(services.saveRequests.size(), 2u);
    EXPECT_EQ(services.saveRequests[1].selectedFilter, 3);
    EXPECT_EQ(services.saveRequests[1].defaultSuffix.toStdString(), "gif");
    EXPECT_EQ(w.SaveFilterIndex(), 4);
    EXPECT_TRUE(services.messages.empty());

    const std::string bmp = AnswerSave("picture.bmp", 3);
    w.Actions().actSaveFile->trigger();
    EXPECT_TRUE(SamePixels(ReadBack(bmp, "bmp"), Solid(12, 8, kPhoto)));
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(services.saveRequests[3].selectedFilter, 2);
    EXPECT_EQ(services.saveRequests[3].defaultSuffix.toStdString(), "bmp");
}

TEST_F(SaveTest, TheEditPageSavesThePictureItShows) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 40, 30);
    w.Actions().actAddFrame->trigger();
    DoubleClick("FrameA.jpg");
    ASSERT_EQ(w.PreviewView()->Picture().Width(), 60);
    // The frame is saved from the page that shows it.
    const std::string framed = AnswerSave("framed.bmp", 3);
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(ReadBack(framed, "bmp").Pixel(0, 0), kFrame);

    // The edit page shows the photo without the frame, and that is what is saved from it.
    w.Actions().actEditPhoto->trigger();
    ASSERT_EQ(w.LeftPageIndex(), int(pgEdit));
    const std::string plain = AnswerSave("plain.bmp", 3);
    w.Actions().actSaveFile->trigger();
    const TBitmap32 plainBack = ReadBack(plain, "bmp");
    EXPECT_EQ(plainBack.Width(), 40);
    EXPECT_TRUE(SamePixels(plainBack, w.EditView()->Picture()));

    // A pending edit is saved as the edit page shows it, and committed like a mode change.
    w.EditPanels()->spEditFlipv->click();
    ASSERT_TRUE(w.Document().EditDirty());
    const std::string edited = AnswerSave("edited.bmp", 3);
    w.Actions().actSaveFile->trigger();
    const TBitmap32 back = ReadBack(edited, "bmp");
    EXPECT_TRUE(SamePixels(back, w.EditView()->Picture()));
    EXPECT_FALSE(w.Document().EditDirty());
    EXPECT_TRUE(SamePixels(w.Document().EditedPhoto(), back));
    EXPECT_TRUE(SamePixels(w.Document().History().Newest(), back));

    // After Standard Option the welcome page shows, but the edit tools are still the page in
    // use: Save keeps taking the edit picture.
    w.EditPanels()->spEditFiph->click();
    w.findChild<QStackedWidget*>("PageListMain")->setCurrentIndex(plWelcome);
    const std::string later = AnswerSave("later.bmp", 3);
    w.Actions().actSaveFile->trigger();
    EXPECT_TRUE(SamePixels(ReadBack(later, "bmp"), w.EditView()->Picture()));
}

TEST_F(SaveTest, ThePreviewIsSavedWithItsLayersMergedAndKeepsThem) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 80, 60);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    ASSERT_EQ(w.PreviewView()->LayerCount(), 2); // the clip art and the selection frame
    auto* layer = dynamic_cast<TBitmapLayer*>(w.PreviewView()->Model().Layers().Items(0));
    ASSERT_NE(layer, nullptr);
    const TFloatRect at = layer->Location();
    const int left = int(std::lrint(at.Left)), top = int(std::lrint(at.Top));
    const int snapshots = w.Document().History().Count();

    // Cancelling leaves the layers alone.
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);

    const std::string path = AnswerSave("decorated.png", 2);
    w.Actions().actSaveFile->trigger();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const TBitmap32 back = ReadBack(path, "png");
    EXPECT_EQ(back.Width(), 80);
    EXPECT_EQ(back.Pixel(left, top), kPhoto); // the transparent corner
    EXPECT_EQ(back.Pixel(left + 1, top), kArt);
    EXPECT_EQ(back.Pixel(int(std::lrint(at.Right)) - 1, int(std::lrint(at.Bottom)) - 1), kArt);
    EXPECT_EQ(back.Pixel(0, 0), kPhoto);

    // The merged picture went only into the file: the layers stay on the preview, selected,
    // with the tools beside them; the picture and the history are unchanged.
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);
    EXPECT_NE(w.Document().RubberBand(), nullptr);
    EXPECT_EQ(w.Document().SelectedLayer(), layer);
    EXPECT_TRUE(w.ClipArtToolWindow()->isVisible());
    EXPECT_EQ(w.PreviewView()->Picture().Pixel(left + 1, top), kPhoto);
    EXPECT_EQ(w.Document().History().Count(), snapshots);
    EXPECT_FALSE(w.Document().HasUnsavedWork());

    // A second save still has them, and so has the picture after the next mode change.
    const std::string again = AnswerSave("again.bmp", 3);
    w.Actions().actSaveFile->trigger();
    EXPECT_TRUE(SamePixels(ReadBack(again, "bmp"), back));
    w.Actions().actAddFrame->trigger();
    EXPECT_EQ(w.PreviewView()->Picture().Pixel(left + 1, top), kArt);
}

TEST_F(SaveTest, QualityComesFromTheSettingsClampedToOne) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 24, 16);
    Settings().JpgCompressVar = 0;
    Settings().JpgCompress = false; // plays no part
    const std::string path = AnswerSave("low.jpg", 1);
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(test::ReadBytes(path), EncodeJpeg(w.EditView()->Picture(), 1));
    Settings().JpgCompress = true;
}

TEST_F(SaveTest, AFileThatCannotBeWrittenShowsTheErrorBox) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 8, 8);
    const std::string path = AnswerSave("missing/photo.jpg", 1);
    w.Actions().actSaveFile->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].caption.toStdString(), "Lumetta");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Cannot create file \"" + path + "\". No such file or directory.");
}

TEST_F(SaveTest, CtrlAltSSaves) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 8, 8);
    const std::string path = AnswerSave("keys.jpg", 1);
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(services.saveRequests.size(), 1u);
    EXPECT_TRUE(FileExists(path));
}

} // namespace
