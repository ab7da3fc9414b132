// Decorating a photo in the main window and with lumetta-batch gives the same file, byte for
// byte, for every kind of operation a recipe can name. The window is driven as a person drives
// it: its actions, tool buttons, sliders, size fields, thumbnails, text window and mouse drags
// on the preview, with the dialogs answered by the scripted platform services. Both use the
// shipped object library beside the test program.
#include "codecs/Encoders.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

constexpr int kPhotoWidth = 480, kPhotoHeight = 360;

// A photo with smooth shading and hard edges whose channels do not span 0..255 (so that Auto
// Contrast has work to do), written as a JPEG.
std::vector<std::uint8_t> PhotoJpeg() {
    TBitmap32 b(kPhotoWidth, kPhotoHeight);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            int r = 30 + x * 160 / kPhotoWidth, g = 40 + y * 150 / kPhotoHeight, bl = 90;
            const int dx = x - 300, dy = y - 140;
            if (dx * dx + dy * dy < 60 * 60) r = 220, g = 200, bl = 40;
            if ((x / 24 + y / 24) % 7 == 0) bl = 200;
            b.SetPixel(x, y, Color32(r, g, bl));
        }
    return EncodeJpeg(b, 95);
}

class BatchEquality : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;
    std::string bin; // the test program's folder: lumetta-batch and the shipped library

    std::string Photo() const { return dir.File("photo.jpg"); }

    void SetUp() override {
        bin = QCoreApplication::applicationDirPath().toStdString() + "/";
        for (const char* f : {"lumetta-batch", "libraryfull.phd", "library.phi", "Data"})
            ASSERT_TRUE(std::filesystem::exists(bin + f)) << bin << f << " is missing";
        // The window's own folder holds the shipped library (and gets its settings).
        const std::filesystem::path app = dir.Path() / "app";
        std::filesystem::create_directories(app);
        for (const char* f : {"libraryfull.phd", "library.phi", "Data"})
            std::filesystem::create_symlink(bin + f, app / f);
        test::WriteBytes(Photo(), PhotoJpeg());

        MainWindowOptions options;
        options.exeDir = app.string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->resize(1000, 760);
        window->show();
        QApplication::processEvents();
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(Photo()), 0});
        Action("actOpenFile")->trigger();
    }

    // ---- the window's parts, found as a person finds them: by name ----

    QAction* Action(const char* name) {
        auto* action = window->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }
    template <class T> T* Part(const char* name) {
        T* part = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(part, nullptr) << name;
        return part;
    }
    void Click(const char* button) {
        QTest::mouseClick(Part<QAbstractButton>(button), Qt::LeftButton);
    }

    void Type(const char* field, const QString& text) {
        QLineEdit* edit = Part<QLineEdit>(field);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Double-clicks a thumbnail, scrolling the list to it first.
    void Pick(const char* file) {
        auto* list = Part<TThumbnailList>("ivLeft");
        int index = -1;
        for (int i = 0; i < list->Count(); ++i)
            if (list->ItemPath(i).endsWith(QStringLiteral("/") + file)) index = i;
        ASSERT_GE(index, 0) << file;
        QApplication::processEvents();
        QScrollBar* bar = list->verticalScrollBar();
        while (!list->viewport()->rect().contains(list->CellRect(index)) &&
               bar->value() < bar->maximum())
            bar->setValue(bar->value() + TThumbnailList::kScrollStep);
        ASSERT_TRUE(list->viewport()->rect().contains(list->CellRect(index).center())) << file;
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                           list->CellRect(index).center());
    }

    void Save(const std::string& path, int fileType) {
        services.saveAnswers.push_back(
            FileDialogResult{QString::fromStdString(path), fileType - 1});
        Action("actSaveFile")->trigger();
        ASSERT_TRUE(std::filesystem::exists(path)) << "the window saved nothing";
    }

    // ---- the preview and its layers ----

    ImageViewWidget* Preview() { return Part<ImageViewWidget>("plPreview"); }

    // Picture point -> the preview's viewport point (the picture is shown at scale 1).
    QPoint At(double x, double y) {
        const TRect r = Preview()->Model().BitmapRect();
        EXPECT_EQ(r.Width(), Preview()->Picture().Width()) << "the picture does not fit";
        return QPoint(r.Left + int(std::lround(x)), r.Top + int(std::lround(y)));
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QWidget* viewport = Preview()->viewport();
        QMouseEvent event(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }

    void Drag(QPoint from, QPoint to) {
        Mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    // The newest clip-art or text layer.
    TBitmapLayer* TopLayer() {
        TLayerCollection& layers = Preview()->Model().Layers();
        for (int i = layers.Count() - 1; i >= 0; --i)
            if (auto* layer = dynamic_cast<TBitmapLayer*>(layers.Items(i))) return layer;
        ADD_FAILURE() << "no layer";
        return nullptr;
    }

    // Drags the selection frame's top-left handle, then its bottom-right one, onto the target.
    void Reshape(const TFloatRect& target) {
        TBitmapLayer* layer = TopLayer();
        ASSERT_NE(layer, nullptr);
        TRect r = RoundRect(layer->Location());
        Drag(At(r.Left, r.Top), At(target.Left, target.Top));
        r = RoundRect(layer->Location());
        Drag(At(r.Right - 1, r.Bottom - 1), At(target.Right, target.Bottom));
        EXPECT_EQ(layer->Location(), target);
    }

    // Drags the layer (inside it, away from the handles) so that its centre lands on (x, y).
    void MoveCentre(int x, int y) {
        TBitmapLayer* layer = TopLayer();
        ASSERT_NE(layer, nullptr);
        const TFloatRect l = layer->Location();
        const float cx = (l.Left + l.Right) / 2, cy = (l.Top + l.Bottom) / 2;
        Drag(At(cx + 3, cy + 3), At(x + 3, y + 3));
        const TFloatRect moved = layer->Location();
        EXPECT_EQ((moved.Left + moved.Right) / 2, float(x));
        EXPECT_EQ((moved.Top + moved.Bottom) / 2, float(y));
        EXPECT_EQ(moved.Width(), l.Width());
    }

    // ---- lumetta-batch ----

    // Decorates the photo by the recipe and returns the output file.
    std::string Batch(const std::string& recipe, const std::string& extension) {
        const std::string path = dir.File("recipe.ini");
        test::WriteText(path, recipe);
        QProcess process;
        process.start(QString::fromStdString(bin + "lumetta-batch"),
                      {QString::fromStdString(path), QString::fromStdString(Photo()),
                       QStringLiteral("-o"), QString::fromStdString(dir.File("out")),
                       QStringLiteral("-q")});
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return dir.File("out/photo" + extension);
    }

    void ExpectSameFile(const std::string& windowFile, const std::string& batchFile) {
        ASSERT_TRUE(std::filesystem::exists(batchFile)) << "lumetta-batch wrote nothing";
        const auto a = test::ReadBytes(windowFile), b = test::ReadBytes(batchFile);
        EXPECT_GT(a.size(), 100u);
        EXPECT_TRUE(a == b) << windowFile << " (" << a.size() << " bytes) and " << batchFile << " ("
                            << b.size() << " bytes) differ";
    }
};

TEST_F(BatchEquality, AutoContrast) {
    Click("spEditAuto");
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(dir.File("window.jpg"), Batch("[AutoContrast]\n", ".jpg"));
}

TEST_F(BatchEquality, ToneAfterAutoContrast) {
    Click("spEditAuto");
    Action("actEditPhoto")->trigger(); // the mode command commits the edit
    Click("spEditAdjust");
    Part<QSlider>("tbEditContrast")->setValue(35);
    Part<QSlider>("tbEditBright")->setValue(-12);
    Part<QSlider>("tbEditGamma")->setValue(140);
    Click("btnContrastOK");
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(
        dir.File("window.jpg"),
        Batch("[AutoContrast]\n[Tone]\ncontrast = 35\nbrightness = -12\ngamma = 140\n", ".jpg"));
}

TEST_F(BatchEquality, ResizeToFitAndToAnExactSize) {
    Type("ActHPercEdit", "300"); // the height follows: 225
    Click("btnSizeOK");
    Click("SynchronCheck");
    Type("ActHPercEdit", "251");
    Type("ActVPercEdit", "190");
    Click("btnSizeOK");
    Save(dir.File("window.png"), sftPng);
    ExpectSameFile(dir.File("window.png"),
                   Batch("[Resize]\nfit = 300 x 300\n[Resize exact]\nsize = 251 x 190\n"
                         "[Output]\nformat = png\n",
                         ".png"));
}

TEST_F(BatchEquality, Mask) {
    Action("catAddMask")->trigger();
    Pick("MaskOval.jpg");
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(dir.File("window.jpg"), Batch("[Mask]\nname = maskoval\n", ".jpg"));
}

TEST_F(BatchEquality, NinePieceFrame) {
    Action("actAddFrame")->trigger();
    Pick("FrameOak.jpg");
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(dir.File("window.jpg"), Batch("[Frame]\nname = FrameOak\n", ".jpg"));
}

TEST_F(BatchEquality, StretchedFrame) {
    Action("actAddFrame")->trigger();
    Pick("FrameRounded.jpg");
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(dir.File("window.jpg"), Batch("[Frame]\nname = framerounded\n", ".jpg"));
}

TEST_F(BatchEquality, Shadow) {
    Action("actAddShadow")->trigger();
    Pick("ShadowDeep.jpg");
    Save(dir.File("window.png"), sftPng);
    ExpectSameFile(dir.File("window.png"),
                   Batch("[Shadow]\nname = shadowdeep\n[Output]\nformat = png\n", ".png"));
}

// The object picture keeps the mask's blend mode for the frame after it, in both.
TEST_F(BatchEquality, MaskThenFrameThenShadow) {
    Action("catAddMask")->trigger();
    Pick("MaskStar.jpg");
    Action("actAddFrame")->trigger();
    Pick("FrameGilded.jpg");
    Action("actAddShadow")->trigger();
    Pick("ShadowGlow.jpg");
    Save(dir.File("window.bmp"), sftBmp); // BMP keeps the alpha the mask left
    ExpectSameFile(dir.File("window.bmp"),
                   Batch("[Mask]\nname = maskstar\n[Frame]\nname = framegilded\n"
                         "[Shadow]\nname = shadowglow\n[Output]\nformat = bmp\n",
                         ".bmp"));
}

TEST_F(BatchEquality, ClipArtPlacedAndSizedRelativeToThePicture) {
    Action("actAddClipArt")->trigger();
    Pick("ClipArtBalloon.jpg");
    // 25%, 50% of 480 x 360 is (120, 180); 30% x 20% is 144 x 72.
    Reshape({120, 180, 264, 252});
    Pick("ClipArtBubble.jpg");
    MoveCentre(360, 90); // 75%, 25%, at its own size
    Save(dir.File("window.png"), sftPng);
    ExpectSameFile(dir.File("window.png"),
                   Batch("[ClipArt balloon]\nname = clipartballoon\nposition = 25%, 50%\n"
                         "anchor = top-left\nwidth = 30%\nheight = 20%\n"
                         "[ClipArt bubble]\nname = clipartbubble\nposition = 75%, 25%\n"
                         "[Output]\nformat = png\n",
                         ".png"));
}

TEST_F(BatchEquality, TextInAChosenFont) {
    Action("actAddText")->trigger();
    auto* input = window->findChild<TfrmTextInput*>();
    ASSERT_NE(input, nullptr);
    TFontDesc font{"Arial", 20, 0x00FFFF}; // yellow
    font.Bold = true;
    services.fontAnswers.push_back(font);
    input->btnSetFont->click();
    input->edtText->setText(QStringLiteral("Hello, batch!"));
    input->btnAdd->click();
    MoveCentre(240, 300);
    Save(dir.File("window.png"), sftPng);
    ExpectSameFile(dir.File("window.png"),
                   Batch("[Text]\ntext = Hello, batch!\nfont = Arial\nsize = 20\n"
                         "color = #FFFF00\nbold = yes\nposition = 240, 300\n"
                         "[Output]\nformat = png\n",
                         ".png"));
}

TEST_F(BatchEquality, GifOutput) {
    Action("catAddMask")->trigger();
    Pick("MaskFeather.jpg");
    Save(dir.File("window.gif"), sftGif);
    ExpectSameFile(dir.File("window.gif"),
                   Batch("[Mask]\nname = maskfeather\n[Output]\nformat = gif\n", ".gif"));
}

// The benchmark's kind of recipe: resize, frame, then a caption in the default font.
TEST_F(BatchEquality, ResizeFrameAndCaption) {
    Type("ActHPercEdit", "400"); // 400 x 300
    Click("btnSizeOK");
    Action("actAddFrame")->trigger();
    Pick("FrameSilver.jpg"); // 38 pixels on every side: 476 x 376
    Action("actAddText")->trigger();
    auto* input = window->findChild<TfrmTextInput*>();
    ASSERT_NE(input, nullptr);
    input->edtText->setText(QStringLiteral("Class of 2024"));
    input->btnAdd->click();
    MoveCentre(238, 282); // 50%, 75%
    Save(dir.File("window.jpg"), sftJpeg);
    ExpectSameFile(dir.File("window.jpg"),
                   Batch("[Resize]\nfit = 400 x 400\n[Frame]\nname = framesilver\n"
                         "[Text]\ntext = Class of 2024\nposition = 50%, 75%\n",
                         ".jpg"));
}

} // namespace
