// Save File: the dialog request and its questions, the name's extension deciding the format,
// which picture is saved (the edit page's unsaved edits or the flattened preview), transparent
// areas, and what saving does to the preview.
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
#include "view/ImgView32.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
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

TEST_F(SaveTest, TheDialogProposesThePhotoNameAndTheTypedExtensionDecidesTheFormat) {
    TfrmMain& w = *window;
    OpenPhoto("beach.jpeg", 40, 30);
    const std::string path = AnswerSave("x.jpg", 2); // typed .jpg with the PNG type selected
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
    EXPECT_TRUE(request.confirmCreate);
    EXPECT_EQ(request.startFolder.toStdString(), dir.Path().string());
    // The dialog asks its questions about the name the file will get.
    ASSERT_TRUE(request.finalName);
    EXPECT_EQ(request.finalName("/p/card", 3).toStdString(), "/p/card.gif");
    EXPECT_EQ(request.finalName("/p/card.txt", 0).toStdString(), "/p/card.txt.jpg");
    EXPECT_EQ(request.finalName("/p/card.PNG", 0).toStdString(), "/p/card.PNG");
    EXPECT_EQ(w.SaveFilterIndex(), 1); // the typed type is remembered

    // JPEG data at the quality of the settings.
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

// A file's bytes always match its name: every writable extension typed with every selected
// type, and names without one or with another.
TEST_F(SaveTest, TheFilesBytesMatchItsNameForEveryTypeAndExtension) {
    TfrmMain& w = *window;
    OpenPhoto("photo.png", 12, 8);
    const auto kindOf = [](const std::vector<unsigned char>& b) -> std::string {
        if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return "jpg";
        if (b.size() >= 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G')
            return "png";
        if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return "bmp";
        if (b.size() >= 4 && std::string(b.begin(), b.begin() + 4) == "GIF8") return "gif";
        return "?";
    };
    const char* typeExt[] = {"jpg", "png", "bmp", "gif"};
    int n = 0;
    for (int selected = 1; selected <= 4; ++selected) {
        const struct {
            std::string typed;   // extension typed by the user, with its dot
            std::string written; // the name's extension afterwards
            std::string kind;    // what the bytes are
        } cases[] = {
            {".jpg", ".jpg", "jpg"},
            {".JPEG", ".JPEG", "jpg"},
            {".png", ".png", "png"},
            {".bmp", ".bmp", "bmp"},
            {".Gif", ".Gif", "gif"},
            {"", std::string(".") + typeExt[selected - 1], typeExt[selected - 1]},
            {".txt", std::string(".txt.") + typeExt[selected - 1], typeExt[selected - 1]},
        };
        for (const auto& c : cases) {
            // Built in steps: GCC 12 warns falsely about "f" + std::to_string(...).
            std::string base = std::to_string(n++);
            base.insert(0, 1, 'f');
            AnswerSave(base + c.typed, selected);
            w.Actions().actSaveFile->trigger();
            ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
            const std::string path = dir.File(base + c.written);
            ASSERT_TRUE(FileExists(path)) << path;
            EXPECT_EQ(kindOf(test::ReadBytes(path)), c.kind) << path;
            EXPECT_EQ(typeExt[w.SaveFilterIndex() - 1], c.kind) << path;
            if (c.written != c.typed) {
                EXPECT_FALSE(FileExists(dir.File(base + c.typed)));
            }
        }
    }
    // After a PNG save, x.jpg is JPEG.
    AnswerSave("after.png", 1);
    w.Actions().actSaveFile->trigger();
    AnswerSave("x.jpg", 2); // the PNG type left selected
    w.Actions().actSaveFile->trigger();
    EXPECT_EQ(services.saveRequests.back().selectedFilter, 1); // PNG preselected
    EXPECT_EQ(kindOf(test::ReadBytes(dir.File("x.jpg"))), "jpg");
}

TEST_F(SaveTest, TransparentAreasAreSavedWhiteAndThePictureKeepsItsAlpha) {
    TfrmMain& w = *window;
    QImage image(20, 10, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 0, 0)); // transparent black corners
    for (int y = 2; y < 8; ++y)
        for (int x = 2; x < 18; ++x)
            image.setPixel(x, y, qRgb(10, 20, 30));
    const std::string source = dir.File("cut.png");
    ASSERT_TRUE(image.save(QString::fromStdString(source), "PNG"));
    services.openAnswers.push_back(FileDialogResult{QString::fromStdString(source), 0});
    w.Actions().actOpenFile->trigger();
    ASSERT_EQ(w.Document().EditedPhoto().Pixel(0, 0), 0x00000000u);

    for (int type = 1; type <= 4; ++type) {
        std::string name = std::to_string(type);
        name.insert(0, "saved");
        const std::string path = AnswerSave(name, type);
        w.Actions().actSaveFile->trigger();
        const char* ext[] = {"jpg", "png", "bmp", "gif"};
        const TBitmap32 back = ReadBack(path + "." + ext[type - 1], ext[type - 1]);
        ASSERT_EQ(back.Width(), 20);
        const TColor32 corner = back.Pixel(0, 0);
        EXPECT_EQ(AlphaComponent(corner), 255) << type;
        EXPECT_GE(RedComponent(corner), 240) << type; // white, not the hidden black
        EXPECT_GE(BlueComponent(corner), 240) << type;
        if (type == 2 || type == 3) {
            EXPECT_EQ(back.Pixel(5, 5), kPhoto) << type;
        }
    }
    // The picture in memory keeps its alpha; the edit page shows it over the checkerboard.
    EXPECT_EQ(w.Document().EditedPhoto().Pixel(0, 0), 0x00000000u);
    EXPECT_EQ(w.EditView()->Picture().Pixel(0, 0), 0x00000000u);
    w.EditView()->Model().SetScale(4.0f);
    QApplication::processEvents();
    const TRect r = w.EditView()->Model().BitmapRect();
    const QImage shown = w.EditView()->viewport()->grab().toImage();
    ASSERT_GE(r.Left, 0);
    ASSERT_GE(r.Top, 0);
    EXPECT_EQ(shown.pixel(r.Left, r.Top), QColor::fromRgba(kCheckerLight).rgb());
    EXPECT_EQ(shown.pixel(r.Left + 9, r.Top + 1), QColor::fromRgba(kCheckerDark).rgb());
    EXPECT_EQ(shown.pixel(r.Left + 20, r.Top + 20), qRgb(10, 20, 30));
}

// The real save dialog: the questions about creating and replacing, asked about the final name;
// No stays in the dialog.
TEST(SaveDialog, AsksBeforeCreatingOrReplacingTheFileItWillWrite) {
    TempDir dir;
    test::WriteText(dir.File("old.png"), "old");
    FileDialogRequest request;
    request.title = QStringLiteral("Save Picture");
    request.startFolder = QString::fromStdString(dir.Path().string());
    request.filters = QStringList{QStringLiteral("JPG (*.jpg)"), QStringLiteral("PNG (*.png)")};
    request.selectedFilter = 1;
    request.defaultSuffix = QStringLiteral("png");
    request.finalName = [](const QString& path, int filter) {
        return QFileInfo(path).suffix().isEmpty() || QFileInfo(path).suffix() == "txt"
                   ? path + (filter == 1 ? ".png" : ".jpg")
                   : path;
    };
    request.confirmCreate = true;

    std::deque<QString> names = {QStringLiteral("new.txt"), QStringLiteral("old")};
    std::deque<QMessageBox::StandardButton> answers = {QMessageBox::No, QMessageBox::Yes};
    QStringList questions;
    bool done = false;
    // The steps' timers die with the test: one still pending must not run on its ended locals.
    QObject timers;
    std::function<void()> step = [&] {
        if (done) return;
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            questions << box->windowTitle() + ": " + box->text();
            const auto answer = answers.empty() ? QMessageBox::No : answers.front();
            if (!answers.empty()) answers.pop_front();
            QTimer::singleShot(10, &timers, step);
            box->button(answer)->click();
            return;
        }
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            QTimer::singleShot(10, &timers, step);
            if (names.empty()) {
                dialog->reject();
                return;
            }
            dialog->selectNameFilter(request.filters[1]);
            dialog->selectFile(names.front());
            names.pop_front();
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
            return;
        }
        QTimer::singleShot(10, &timers, step);
    };
    QTimer::singleShot(10, &timers, step);
    QtPlatformServices qt;
    const auto result = qt.SaveFile(nullptr, request);
    done = true;
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->path.toStdString(), dir.File("old.png"));
    EXPECT_EQ(result->selectedFilter, 1);
    EXPECT_EQ(
        questions,
        QStringList({"Confirm Save As: new.txt.png does not exist.\nDo you want to create it?",
                     "Confirm Save As: old.png already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(test::ReadText(dir.File("old.png")), "old"); // the dialog itself writes nothing
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
