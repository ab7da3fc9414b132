// Lumetta as an installed desktop program: the folders it reads and writes when installed, the
// photo or pack named on the command line, and high-DPI screens. The HighDpi tests hold at any
// device pixel ratio; ctest also runs them under QT_SCALE_FACTOR 2 and 1.5.
#include "LumettaBuild.h"
#include "base/Error.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/ObjectCatalog.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"
#include "tools/ObjectPack.h"
#include "ui/Artwork.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/ImportDialog.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Every file under a folder with its contents.
std::map<std::string, std::string> FilesUnder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[entry.path().string()] = entry.is_regular_file()
                                           ? test::ReadText(entry.path().string())
                                           : std::string("<folder>");
    return files;
}

void WriteJpeg(const std::string& path, QRgb colour) {
    QImage image(12, 9, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "JPG"));
}

std::vector<std::uint8_t> PngOf(int size) {
    const auto bytes = test::EncodePng(test::PatternBitmap(size, size));
    return {bytes.begin(), bytes.end()};
}

// A variable of the environment set for one test and put back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// ---------------------------------------------------------------- the installed layout

class InstalledTest : public ::testing::Test {
protected:
    TempDir root;
    std::string bin = root.File("usr/bin");
    std::string share = root.File("usr/share/lumetta") + "/";
    std::string config = root.File("home/cfg") + "/";
    std::string data = root.File("home/data") + "/";
    ScopedVariable configHome{"XDG_CONFIG_HOME", root.File("home/cfg")};
    ScopedVariable dataHome{"XDG_DATA_HOME", root.File("home/data")};
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;

    void SetUp() override {
        fs::create_directories(bin);
        fs::create_directories(share + "Data");
        TPackWriter shipped;
        shipped.Add("frameoak.png", PngOf(3));
        shipped.Add("frameold.png", PngOf(4));
        shipped.Save(share + "libraryfull.phd");
        test::WriteText(share + "library.phi", "[Frames]\nframeoak=1\n");
        WriteJpeg(share + "Data/FrameOak.jpg", qRgb(200, 0, 0));
        WriteJpeg(share + "Data/FrameOld.jpg", qRgb(0, 200, 0));

        // Objects the user imported earlier.
        const std::string user = data + "lumetta/";
        fs::create_directories(user + "Data");
        TPackWriter imported;
        imported.Add("frameoak.png", PngOf(5));
        imported.Add("framenew.png", PngOf(6));
        imported.Save(user + "library.phd");
        WriteJpeg(user + "Data/FrameOak.jpg", qRgb(0, 0, 200));
        WriteJpeg(user + "Data/FrameNew.jpg", qRgb(0, 200, 200));
    }

    TfrmMain& Start() {
        MainWindowOptions options;
        options.exeDir = bin;
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->show();
        QApplication::processEvents();
        return *window;
    }
};

TEST_F(InstalledTest, ReadsTheSharedLibraryAndWritesOnlyInTheUsersFolders) {
    const auto before = FilesUnder(root.File("usr"));
    TfrmMain& w = Start();
    EXPECT_TRUE(w.Paths().Installed);
    EXPECT_EQ(w.ExeDir(), share);
    EXPECT_EQ(w.DataDir(), share + "Data/");
    EXPECT_EQ(w.Paths().ConfigDir, config + "lumetta/");
    EXPECT_EQ(w.Paths().UserDir, data + "lumetta/");

    // The user's objects are listed with the shipped ones; the user's FrameOak wins.
    w.SwitchMode(pmAddFrame);
    const TThumbnailList& list = *w.ObjectList();
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemPath(0).toStdString(), data + "lumetta/Data/FrameNew.jpg");
    EXPECT_EQ(list.ItemPath(1).toStdString(), data + "lumetta/Data/FrameOak.jpg");
    EXPECT_EQ(list.ItemPath(2).toStdString(), share + "Data/FrameOld.jpg");
    TBitmap32 object;
    ASSERT_TRUE(LoadObjectImage(w.ObjectPack(), "frameoak.png", object));
    EXPECT_EQ(object.Width(), 5);
    ASSERT_TRUE(LoadObjectImage(w.ObjectPack(), "frameold.png", object));
    EXPECT_EQ(object.Width(), 4);
    ASSERT_TRUE(w.PlacementIndex().has_value());
    EXPECT_EQ(w.PlacementIndex()->ReadString("Frames", "frameoak", ""), "1");

    // An import unpacks into the user's folder.
    TObjectPackWriter writer;
    writer.Add("Data", "FrameLeaf.jpg", {1, 2, 3});
    const std::string pack = root.File("leaf_v4.psp");
    writer.Save(pack);
    {
        TfrmAddObject dialog(w.DialogContext());
        dialog.edtSelFile->setText(QString::fromStdString(pack));
        dialog.btnImportClick(); // the restart question is answered No by the empty script
    }
    EXPECT_EQ(test::ReadBytes(data + "lumetta/Data/FrameLeaf.jpg").size(), 3u);

    // Settings and log at exit, in the user's folders; the prefix is as it was.
    window.reset();
    EXPECT_NE(test::ReadText(config + "lumetta/Setup.ini").find("PspVer=4"), std::string::npos);
    EXPECT_TRUE(fs::exists(data + "lumetta/Log.dat"));
    EXPECT_EQ(FilesUnder(root.File("usr")), before);
}

// ---------------------------------------------------------------- the command line

class CommandLineTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;

    TfrmMain& Start() {
        MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->show();
        QApplication::processEvents();
        return *window;
    }

    std::string ErrorOf(const std::string& path) {
        try {
            window->OpenPhotoFile(QString::fromStdString(path));
        } catch (const std::exception& e) {
            return e.what();
        }
        return "<no error>";
    }
};

TEST_F(CommandLineTest, OpensAPhotoTheWayOpenFileDoes) {
    TfrmMain& w = Start();
    fs::create_directories(dir.Path() / "photos");
    const std::string photo = dir.File("photos/holiday.png");
    ASSERT_TRUE(QImage(30, 20, QImage::Format_RGB32).save(QString::fromStdString(photo)));

    w.RunCommand([&] { EXPECT_TRUE(w.OpenPhotoFile(QString::fromStdString(photo))); });
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 30);
    EXPECT_EQ(w.EditView()->Picture().Height(), 20);
    EXPECT_EQ(w.CentrePageIndex(), int(plEditPhoto));
    EXPECT_EQ(w.Document().CurrentPhotoFile(), photo);
    EXPECT_EQ(Settings().ScrIniPath, dir.File("photos"));
    EXPECT_TRUE(w.Actions().actSaveFile->isEnabled());
    EXPECT_EQ(w.StatusText(1).toStdString(), "Size:30 x 20");
}

TEST_F(CommandLineTest, AFileThatCannotBeOpenedIsNamedWithTheReason) {
    TfrmMain& w = Start();
    const std::string photo = dir.File("good.png");
    ASSERT_TRUE(QImage(30, 20, QImage::Format_RGB32).save(QString::fromStdString(photo)));
    w.RunCommand([&] { w.OpenPhotoFile(QString::fromStdString(photo)); });

    EXPECT_EQ(ErrorOf(dir.File("missing.jpg")), "Cannot open missing.jpg: there is no such file");
    // The decoder's own reason, not only that it failed.
    test::WriteText(dir.File("damaged.jpg"), "GARBAGE, NOT A PICTURE");
    const std::string message = ErrorOf(dir.File("damaged.jpg"));
    EXPECT_EQ(message.rfind("Cannot open damaged.jpg: damaged.jpg is not a valid JPEG", 0), 0u)
        << message;
    test::WriteText(dir.File("notes.xyz"), "text");
    EXPECT_EQ(ErrorOf(dir.File("notes.xyz")),
              "Cannot open notes.xyz: Unknown picture file extension (.xyz)");

    // The photo open before is still there.
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 30);
    EXPECT_EQ(w.EditView()->Picture().Width(), 30);

    // Through the command guard, as for a file named on the command line: the error box.
    w.RunCommand([&] { w.OpenPhotoFile(QString::fromStdString(dir.File("missing.jpg"))); });
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Cannot open missing.jpg: there is no such file.");
}

TEST_F(CommandLineTest, APackOpensTheImportWindowWithItsPathFilledIn) {
    TfrmMain& w = Start();
    const QString pack = QString::fromStdString(dir.File("frames_v2.psp"));
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<TfrmAddObject*>(QApplication::activeModalWidget())) {
            shown = dialog->edtSelFile->text();
            dialog->reject();
        }
    });
    EXPECT_FALSE(RunImportDialog(w.DialogContext(), pack)); // no import, no restart
    EXPECT_EQ(shown, pack);
}

// ---------------------------------------------------------------- high-DPI screens

class HighDpi : public CommandLineTest {
protected:
    // Opens a photo whose every pixel differs from its neighbours and shows the edit page.
    TfrmMain& StartWithPhoto() {
        TfrmMain& w = Start();
        w.resize(700, 500);
        QImage image(41, 29, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb(x * 6, y * 8, (x + y) % 2 ? 255 : 0));
        const std::string photo = dir.File("pattern.png");
        EXPECT_TRUE(image.save(QString::fromStdString(photo)));
        w.RunCommand([&] { w.OpenPhotoFile(QString::fromStdString(photo)); });
        QApplication::processEvents();
        return w;
    }
};

TEST_F(HighDpi, TheViewShowsOnePicturePixelPerDevicePixel) {
    TfrmMain& w = StartWithPhoto();
    ImageViewWidget& view = *w.EditView();
    const qreal ratio = view.viewport()->devicePixelRatioF();
    // The model is laid out in device pixels.
    EXPECT_EQ(view.Model().ControlWidth(), int(std::ceil(view.viewport()->width() * ratio - 1e-6)) +
                                               view.Model().ScrollBarSize());

    const QImage shown = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_GE(shown.width(), int(view.viewport()->width() * ratio) - 1);
    const TRect r = view.Model().BitmapRect();
    ASSERT_EQ(r.Width(), 41);
    ASSERT_EQ(r.Height(), 29);
    int wrong = 0;
    for (int y = 0; y < 29; ++y)
        for (int x = 0; x < 41; ++x)
            if ((shown.pixel(r.Left + x, r.Top + y) & 0xFFFFFF) !=
                (w.Document().EditedPhoto().Pixel(x, y) & 0xFFFFFF))
                ++wrong;
    EXPECT_EQ(wrong, 0) << "device pixel ratio " << ratio;
}

TEST_F(HighDpi, APressOnAPicturePixelStartsTheSelectionThere) {
    TfrmMain& w = StartWithPhoto();
    w.EditPanels()->spEditSelect->click();
    ImageViewWidget& view = *w.EditView();
    const qreal ratio = view.viewport()->devicePixelRatioF();
    const TRect r = view.Model().BitmapRect();

    // The logical position of a device pixel, as the window system reports it.
    const auto at = [&](int px, int py) {
        return QPointF((r.Left + px) / ratio, (r.Top + py) / ratio);
    };
    const auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButton button,
                          Qt::MouseButtons buttons) {
        QMouseEvent event(type, p, view.viewport()->mapToGlobal(p), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    };
    send(QEvent::MouseButtonPress, at(7, 5), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at(20, 16), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at(20, 16), Qt::LeftButton, Qt::NoButton);
    const TRect selection = w.EditSelectionRect();
    EXPECT_EQ(selection.Left, 7);
    EXPECT_EQ(selection.Top, 5);
    EXPECT_EQ(selection.Right, 20);
    EXPECT_EQ(selection.Bottom, 16);
}

TEST_F(HighDpi, IconsAreDrawnAtTheDevicePixelRatio) {
    const QIcon icon = ToolbarQIcon(ToolbarIcon::Open);
    const qreal screenRatio = qApp->devicePixelRatio();
    for (qreal ratio : {1.0, 1.25, 1.5, 2.0, 3.0, screenRatio}) {
        const QPixmap normal = icon.pixmap(QSize(24, 24), ratio);
        const int side = int(std::lround(24 * ratio));
        EXPECT_EQ(normal.size(), QSize(side, side)) << ratio;
        EXPECT_DOUBLE_EQ(normal.devicePixelRatio(), ratio);
        // Greyed for disabled buttons, at the same resolution.
        const QImage grey = icon.pixmap(QSize(24, 24), ratio, QIcon::Disabled).toImage();
        EXPECT_EQ(grey.size(), QSize(side, side)) << ratio;
        EXPECT_NE(grey, normal.toImage()) << ratio;
        const QRgb centre = grey.pixel(side / 2, side / 2);
        EXPECT_EQ(qRed(centre), qBlue(centre)) << ratio;
    }
    // At the plain size it is the picture of the normal set.
    EXPECT_EQ(
        icon.pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32),
        ToolbarPixmap(ToolbarIcon::Open, false).toImage().convertToFormat(QImage::Format_ARGB32));
}

} // namespace
