// Picking objects from the thumbnail list and decorating the preview: frames, shadows, masks,
// clip-art and text layers, the clip-art tool window and the text input window.
#include "decorate/TextLayer.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/PackWriter.h"
#include "support/TestSupport.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

constexpr TColor32 kFrameA = 0xFFAA0000;
constexpr TColor32 kFrameB = 0xFF00BB00;

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

// Ten pixels of template on every side of the photo, nine pieces of 10 x 10.
const char* kTenPixelFrame = "0,10,10,20,20,10,10,10,10,10,10,10,10,10,10,10,10,0,0,10,10";

class DecorationTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;

    std::string ExeDir() const { return dir.Path().string() + "/"; }

    void WriteThumb(const std::string& name) {
        std::filesystem::create_directories(ExeDir() + "Data");
        QImage thumb(40, 30, QImage::Format_RGB32);
        thumb.fill(Qt::darkCyan);
        ASSERT_TRUE(thumb.save(QString::fromStdString(ExeDir() + "Data/" + name), "JPG"));
    }

    void SetUp() override {
        TPackWriter pack;
        pack.Add("framea.png", test::EncodePng(Solid(30, 30, kFrameA)));
        pack.Add("frameb.png", test::EncodePng(Solid(30, 30, kFrameB)));
        pack.Add("shadowa.png", test::EncodePng(Solid(30, 30, 0x80000000)));
        TBitmap32 mask = Solid(4, 4, 0);
        mask.SetPixel(0, 0, 0xFFFFFFFF);
        pack.Add("maska.png", test::EncodePng(mask));
        TBitmap32 art = Solid(101, 50, 0xFF0000FF);
        art.SetPixel(0, 0, 0x000000FF); // transparent corner
        pack.Add("clipartsun.png", test::EncodePng(art));
        pack.Save(ExeDir() + "libraryfull.phd");
        test::WriteText(ExeDir() + "library.phi",
                        std::string("[Frames]\nframea=") + kTenPixelFrame + "\nframeb=" +
                            kTenPixelFrame + "\n[Shadows]\nshadowa=" + kTenPixelFrame + "\n");
        for (const char* t : {"FrameA.jpg", "FrameB.jpg", "FrameMissing.jpg", "ShadowA.jpg",
                              "MaskA.jpg", "ClipArtSun.jpg"})
            WriteThumb(t);

        MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->show();
        QApplication::processEvents();
    }

    void OpenPhoto(int w, int h, bool expectOpened = true) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        const std::string path = dir.File("photo.png");
        ASSERT_TRUE(image.save(QString::fromStdString(path)));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        if (expectOpened) {
            ASSERT_EQ(window->Document().EditedPhoto().Width(), w);
        }
    }

    int IndexOf(const std::string& file) {
        TThumbnailList* list = window->ObjectList();
        for (int i = 0; i < list->Count(); ++i)
            if (list->ItemPath(i).endsWith(QString::fromStdString("/" + file))) return i;
        return -1;
    }

    void DoubleClick(const std::string& file) {
        const int index = IndexOf(file);
        ASSERT_GE(index, 0) << file;
        TThumbnailList* list = window->ObjectList();
        QApplication::processEvents();
        const QPoint centre = list->CellRect(index).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    }

    void Press(const std::string& file) {
        const int index = IndexOf(file);
        ASSERT_GE(index, 0) << file;
        QTest::mouseClick(window->ObjectList()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          window->ObjectList()->CellRect(index).center());
    }

    void DropPicture() {
        QWidget* target = window->PreviewView()->viewport();
        QMimeData data;
        data.setImageData(QImage(8, 8, QImage::Format_RGB32));
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    TBitmapLayer* Layer(int index) {
        return dynamic_cast<TBitmapLayer*>(window->PreviewView()->Model().Layers().Items(index));
    }
};

TEST_F(DecorationTest, StartUpListsEveryThumbnailAndModesFilterThem) {
    TfrmMain& w = *window;
    EXPECT_EQ(w.ObjectList()->Count(), 6);
    OpenPhoto(40, 30);
    w.Actions().actAddFrame->trigger();
    EXPECT_EQ(w.ObjectList()->Count(), 3);
    EXPECT_EQ(w.ObjectList()->ObjectKind, 2);
    w.Actions().actAddClipArt->trigger();
    EXPECT_EQ(w.ObjectList()->Count(), 1);
}

TEST_F(DecorationTest, DoubleClickComposesTheFrameAroundTheSnapshot) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddFrame->trigger();
    DoubleClick("FrameA.jpg");
    EXPECT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    EXPECT_TRUE(w.Document().PreviewDirty());
    EXPECT_EQ(w.StatusText(2).toStdString(), "No:framea");
    TBitmap32& preview = w.PreviewView()->Picture();
    EXPECT_EQ(preview.Width(), 60);
    EXPECT_EQ(preview.Height(), 50);
    EXPECT_EQ(preview.Pixel(0, 0), kFrameA);
    EXPECT_EQ(preview.Pixel(10, 10), 0xFF0A141Eu);
    EXPECT_EQ(w.CurrentFrameSpec().PhotoX(), 10);

    // A second frame in the same mode replaces the first.
    DoubleClick("FrameB.jpg");
    EXPECT_EQ(preview.Width(), 60);
    EXPECT_EQ(preview.Pixel(0, 0), kFrameB);
}

TEST_F(DecorationTest, AFramePushedByAModeSwitchIsFramedAgain) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddFrame->trigger();
    DoubleClick("FrameA.jpg");
    DoubleClick("FrameB.jpg");
    w.Actions().actAddShadow->trigger(); // pushes the framed preview
    w.Actions().actAddFrame->trigger();
    EXPECT_EQ(w.PreviewView()->Picture().Width(), 60);
    DoubleClick("FrameB.jpg");
    EXPECT_EQ(w.PreviewView()->Picture().Width(), 80);
    EXPECT_EQ(w.PreviewView()->Picture().Height(), 70);
}

TEST_F(DecorationTest, ShadowsAndMasksDispatchByKind) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddShadow->trigger();
    DoubleClick("ShadowA.jpg");
    EXPECT_EQ(w.PreviewView()->Picture().Width(), 60);
    EXPECT_EQ(w.CurrentShadowSpec().ExtraWidth(), 20);
    EXPECT_EQ(w.CurrentFrameSpec().ExtraWidth(), 0);

    w.Actions().catAddMask->trigger();
    DoubleClick("MaskA.jpg");
    EXPECT_EQ(w.PreviewView()->Picture().Width(), 60); // the shadowed snapshot, masked
    EXPECT_EQ(w.Document().ObjectImage().DrawMode, dmBlend);
    EXPECT_EQ(w.Document().ObjectImage().Width(), 60);
}

TEST_F(DecorationTest, AMissingObjectShowsTheLookupError) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddFrame->trigger();
    const TBitmap32 before = w.PreviewView()->Picture();
    DoubleClick("FrameMissing.jpg");
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "List index out of bounds (-1)");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    // Nothing was composed, so there is nothing for the next mode change to store.
    EXPECT_FALSE(w.Document().PreviewDirty());
    EXPECT_FALSE(w.Document().HasUnsavedWork());
    EXPECT_EQ(w.StatusText(2).toStdString(), "No:framemissing");
    EXPECT_EQ(w.PreviewView()->Picture().Width(), before.Width());
}

TEST_F(DecorationTest, ADropAppliesTheObjectLastPressed) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddFrame->trigger();
    Press("FrameB.jpg");
    EXPECT_EQ(w.CurrentObjectName(), "frameb");
    EXPECT_FALSE(w.Document().PreviewDirty()); // pressing only selects and names
    DropPicture();
    EXPECT_TRUE(w.Document().PreviewDirty());
    EXPECT_EQ(w.StatusText(2).toStdString(), "No:frameb");
    EXPECT_EQ(w.PreviewView()->Picture().Pixel(0, 0), kFrameB);
}

TEST_F(DecorationTest, ClipArtIsPlacedAtTheViewportCentreAndSelected) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    QApplication::processEvents();
    const TRect vp = w.PreviewView()->Model().ViewportRect();
    const TPoint centre = w.PreviewView()->Model().ControlToBitmap((vp.Left + vp.Right) / 2,
                                                                   (vp.Top + vp.Bottom) / 2);
    DoubleClick("ClipArtSun.jpg");
    ASSERT_EQ(w.PreviewView()->LayerCount(), 2); // the layer and the selection frame
    TBitmapLayer* layer = Layer(0);
    ASSERT_NE(layer, nullptr);
    const float x = float(centre.X), y = float(centre.Y);
    EXPECT_EQ(layer->Location(), (TFloatRect{x - 50.5f, y - 25, x + 50.5f, y + 25}));
    EXPECT_EQ(layer->Bitmap().DrawMode, dmBlend);
    EXPECT_EQ(w.Document().SelectedLayer(), layer);
    ASSERT_NE(w.Document().RubberBand(), nullptr);
    EXPECT_EQ(w.Document().RubberBand()->ChildLayer(), layer);
    EXPECT_EQ(w.Document().RubberBand()->MinWidth, 1);
    EXPECT_TRUE(w.ClipArtToolWindow()->isVisible());
}

TEST_F(DecorationTest, ToolWindowCommandsActOnTheSelectedLayer) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    TBitmapLayer* layer = Layer(0);
    w.Document().RubberBand()->SetLocation({0, 0, 100, 40});
    layer->Bitmap().SetSize(100, 40);
    layer->Bitmap().Clear(0xFF000000);
    for (int x = 0; x < 100; ++x)
        layer->Bitmap().SetPixel(x, 0, 0xFF000000u + TColor32(x));
    w.ClipArtToolWindow()->btnRotate90->click();
    EXPECT_EQ(layer->Location(), (TFloatRect{30, -30, 70, 70}));
    ASSERT_EQ(layer->Bitmap().Width(), 40);
    ASSERT_EQ(layer->Bitmap().Height(), 100);
    for (int y = 0; y < 100; ++y)
        EXPECT_EQ(layer->Bitmap().Pixel(39, y), 0xFF000000u + TColor32(y));
    w.ClipArtToolWindow()->btnRotate270->click();
    EXPECT_EQ(layer->Location(), (TFloatRect{0, 0, 100, 40}));
    w.ClipArtToolWindow()->btnFlipHorz->click();
    EXPECT_EQ(layer->Bitmap().Pixel(0, 0), 0xFF000063u);
}

TEST_F(DecorationTest, DeletingHidesTheToolWindowOnlyWithTheLastLayer) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    DoubleClick("ClipArtSun.jpg");
    EXPECT_EQ(w.PreviewView()->LayerCount(), 3);
    w.ClipArtToolWindow()->btnDel->click();
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);
    EXPECT_TRUE(w.ClipArtToolWindow()->isVisible());
    // Select the remaining layer by pressing on it, then delete it.
    w.Document().SelectLayer(Layer(0));
    w.Actions().actArtDelete->trigger();
    EXPECT_EQ(w.PreviewView()->LayerCount(), 1);
    EXPECT_FALSE(w.ClipArtToolWindow()->isVisible());
}

TEST_F(DecorationTest, ApplyFlattensLayersAndUndoReturnsThePictureWithoutThem) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    const TFloatRect loc = Layer(0)->Location();
    const int count = w.Document().History().Count();
    w.ClipArtToolWindow()->btnFlattenLayers->click();
    EXPECT_EQ(w.PreviewView()->LayerCount(), 0);
    EXPECT_EQ(w.Document().History().Count(), count + 1);
    EXPECT_FALSE(w.ClipArtToolWindow()->isVisible());
    const TBitmap32& flat = w.PreviewView()->Picture();
    const int left = int(std::lrint(loc.Left)), top = int(std::lrint(loc.Top));
    EXPECT_EQ(flat.Pixel(left, top), 0xFF0A141Eu);     // alpha 0 leaves the photo
    EXPECT_EQ(flat.Pixel(left + 1, top), 0xFF0000FFu); // alpha 255 replaces it
    EXPECT_EQ(w.Document().EditedPhoto().Pixel(left + 1, top), 0xFF0000FFu);
    w.Actions().actUndo->trigger();
    EXPECT_EQ(w.PreviewView()->Picture().Pixel(left + 1, top), 0xFF0A141Eu);
}

TEST_F(DecorationTest, ApplyWithoutLayersCommitsThePreviewWithoutARepeatedSnapshot) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddClipArt->trigger();
    const int count = w.Document().History().Count();
    w.Actions().actArtFlattenLayers->trigger();
    // The unchanged picture is already the newest snapshot: a second copy would make an Undo
    // press that shows nothing.
    EXPECT_EQ(w.Document().History().Count(), count);
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 40);
    EXPECT_FALSE(w.Actions().actUndo->isEnabled());
}

TEST_F(DecorationTest, CtrlDraggingAHandleResizesAboutTheCentre) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    w.Document().RubberBand()->SetLocation({150, 80, 250, 120});
    TImgView32& view = w.PreviewView()->Model();
    const TRect r = view.BitmapRect();
    const int rightX = r.Left + 249, midY = r.Top + 100; // the outline's right column
    view.MouseDown(mbLeft, ssCtrl, rightX, midY);
    view.MouseMove(mbsLeft, ssCtrl, r.Left + 260, midY);
    view.MouseUp(mbLeft, mbsNone, ssCtrl, r.Left + 260, midY);
    EXPECT_EQ(Layer(0)->Location(), (TFloatRect{140, 80, 260, 120}));
}

TEST_F(DecorationTest, APressOutsideEveryLayerDeselectsAndHidesTheTools) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    ASSERT_TRUE(w.ClipArtToolWindow()->isVisible());
    const TRect r = w.PreviewView()->Model().BitmapRect();
    QTest::mouseClick(w.PreviewView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.Left + 2, r.Top + 2));
    EXPECT_EQ(w.Document().SelectedLayer(), nullptr);
    EXPECT_FALSE(w.ClipArtToolWindow()->isVisible());
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2); // the layer stays, the frame is hidden
}

TEST_F(DecorationTest, TextLayersHoldOnlyGlyphPixelsInTheFontColour) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddText->trigger();
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add ClipArt");
    ASSERT_TRUE(w.TextInputWindow()->isVisible());
    w.TextInputWindow()->edtText->setText("Hello");
    w.TextInputWindow()->btnAdd->click();
    EXPECT_FALSE(w.TextInputWindow()->isVisible());
    EXPECT_TRUE(w.TextInputWindow()->edtText->text().isEmpty());
    ASSERT_EQ(w.PreviewView()->LayerCount(), 2);
    const TBitmap32& text = Layer(0)->Bitmap();
    ASSERT_GT(text.Width(), 20);
    ASSERT_GT(text.Height(), 20);
    int glyph = 0;
    for (int y = 0; y < text.Height(); ++y)
        for (int x = 0; x < text.Width(); ++x) {
            const TColor32 p = text.Pixel(x, y);
            ASSERT_TRUE(p == 0 || p == 0xFFFF0000u) << std::hex << p;
            if (p) {
                ++glyph;
                EXPECT_GE(x, 10);
                EXPECT_GE(y, 10);
            }
        }
    EXPECT_GT(glyph, 50);
}

TEST_F(DecorationTest, TextWindowButtons) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actAddText->trigger();
    w.TextInputWindow()->btnAdd->click(); // empty: nothing added, window hidden
    EXPECT_FALSE(w.TextInputWindow()->isVisible());
    EXPECT_EQ(w.PreviewView()->LayerCount(), 0);

    w.Actions().actAddText->trigger();
    w.TextInputWindow()->edtText->setText("kept");
    w.TextInputWindow()->btnCancel->click();
    EXPECT_FALSE(w.TextInputWindow()->isVisible());
    EXPECT_EQ(w.TextInputWindow()->edtText->text().toStdString(), "kept");

    // A font chosen in the dialog applies to the next layers.
    TFontDesc chosen{"Liberation Serif", 20, 0x00FF00};
    services.fontAnswers.push_back(chosen);
    w.TextInputWindow()->btnSetFont->click();
    EXPECT_EQ(w.TextFont(), chosen);
    services.fontAnswers.push_back(std::nullopt);
    w.TextInputWindow()->btnSetFont->click();
    EXPECT_EQ(w.TextFont(), chosen);
}

TEST_F(DecorationTest, TextAddedFromTheEditPageGoesOntoThePreviewOfTheEditedPhoto) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    EXPECT_EQ(w.CentrePageIndex(), int(plEditPhoto));
    // An edit the user has not committed yet, then text from the (still open) text window.
    w.Document().Flip(false);
    w.Document().Resize(20, 15);
    w.AddTextLayer("x");
    // The preview takes the edited photo and shows the layer on it.
    EXPECT_EQ(w.CentrePageIndex(), int(plPreview));
    EXPECT_EQ(w.StatusText(0).toStdString(), "Option : Add ClipArt");
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);
    EXPECT_EQ(w.EditView()->LayerCount(), 0);
    EXPECT_EQ(w.PreviewView()->Picture().Width(), 20);
    // Apply keeps the resize.
    w.Actions().actArtFlattenLayers->trigger();
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 20);
}

TEST_F(DecorationTest, AppliedTextSurvivesTheNextModeChange) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddText->trigger();
    w.TextInputWindow()->edtText->setText("Hello");
    w.TextInputWindow()->btnAdd->click();
    ASSERT_EQ(w.Document().LayerCount(), 1);
    w.Actions().actArtFlattenLayers->trigger();
    const TBitmap32 merged(w.PreviewView()->Picture());
    w.Actions().actAddFrame->trigger();
    EXPECT_TRUE(SamePixels(w.PreviewView()->Picture(), merged));
    w.Actions().actEditPhoto->trigger();
    EXPECT_TRUE(SamePixels(w.EditView()->Picture(), merged));
}

TEST_F(DecorationTest, TheToolWindowSitsBesideTheLayerAtAnyZoom) {
    TfrmMain& w = *window;
    w.resize(900, 700);
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg"); // the first showing is centred on the main window
    w.ClipArtToolWindow()->hide();
    // Zoomed in, the layer is shown 2.5 times as large, away from its picture coordinates.
    w.PreviewView()->SetScale(2.5f);
    QApplication::processEvents();
    DoubleClick("ClipArtSun.jpg");
    ASSERT_TRUE(w.ClipArtToolWindow()->isVisible());
    const TFloatRect at = w.Document().SelectedLayer()->AdjustedLocation();
    QWidget* viewport = w.PreviewView()->viewport();
    const QRect layer(viewport->mapToGlobal(QPoint(int(at.Left), int(at.Top))),
                      viewport->mapToGlobal(QPoint(int(at.Right), int(at.Bottom))));
    const QRect tools = w.ClipArtToolWindow()->frameGeometry();
    // Beside the layer (not over it), centred on it, and on the screen.
    EXPECT_FALSE(tools.intersects(layer)) << tools.x() << "," << tools.y();
    EXPECT_NEAR(tools.center().x(), layer.center().x(), tools.width() / 2 + 2);
    const QRect screen = w.screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(tools)) << tools.x() << "," << tools.y();
}

// Real fonts: the text layer holds every pixel the glyphs draw, 10 pixels in from each edge.
TEST_F(DecorationTest, TextLayersNeverCutTheirGlyphs) {
    TfrmMain& w = *window;
    OpenPhoto(100, 80);
    auto margins = [](const TBitmap32& b) {
        int l = b.Width(), t = b.Height(), r = -1, bt = -1;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.Pixel(x, y)) {
                    l = std::min(l, x);
                    r = std::max(r, x);
                    t = std::min(t, y);
                    bt = std::max(bt, y);
                }
        return std::array<int, 4>{l, t, b.Width() - 1 - r, b.Height() - 1 - bt};
    };
    w.AddTextLayer("WWWWWWWWWWWW");
    for (int side : margins(Layer(0)->Bitmap()))
        EXPECT_GE(side, 10);
    TFontDesc italic{"Liberation Serif", 150, 0xFF};
    italic.Italic = true;
    services.fontAnswers.push_back(italic);
    w.TextInputWindow()->btnSetFont->click();
    w.AddTextLayer("y");
    const TBitmapLayer* y = Layer(w.PreviewView()->LayerCount() - 2);
    ASSERT_NE(y, nullptr);
    for (int side : margins(y->Bitmap()))
        EXPECT_GE(side, 10);
}

TEST_F(DecorationTest, ModeSwitchFlattensLayersIntoTheEditedPhoto) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    const int count = w.Document().History().Count();
    w.Actions().actAddFrame->trigger();
    EXPECT_EQ(w.PreviewView()->LayerCount(), 0);
    EXPECT_EQ(w.Document().RubberBand(), nullptr);
    EXPECT_FALSE(w.ClipArtToolWindow()->isVisible());
    // The picture with the clip art merged is the newest snapshot, and the frame mode shows it.
    EXPECT_EQ(w.Document().History().Count(), count + 1);
    bool previewHasClipArt = false;
    for (int x = 0; x < 400 && !previewHasClipArt; ++x)
        previewHasClipArt = w.PreviewView()->Picture().Pixel(x, 150) == 0xFF0000FFu;
    EXPECT_TRUE(previewHasClipArt);
    // Undo goes back to the photo without it, Redo brings it back.
    w.Actions().actUndo->trigger();
    EXPECT_NE(w.PreviewView()->Picture().Pixel(200, 150), 0xFF0000FFu);
    w.Actions().actRedo->trigger();
    w.Actions().actEditPhoto->trigger();
    bool hasClipArt = false;
    for (int x = 0; x < 400 && !hasClipArt; ++x)
        hasClipArt = w.EditView()->Picture().Pixel(x, 150) == 0xFF0000FFu;
    EXPECT_TRUE(hasClipArt);
}

} // namespace

namespace {

TEST_F(DecorationTest, OpeningAnotherPhotoRemovesTheLayersAndTheirTools) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    ASSERT_TRUE(w.ClipArtToolWindow()->isVisible());
    // The layer is unsaved work: Cancel keeps it, Discard lets the other photo in.
    services.messageAnswers.push_back(MessageResult::Cancel);
    OpenPhoto(40, 30, /*expectOpened=*/false);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "Save changes to photo.png?");
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::SaveDiscardCancel);
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);
    EXPECT_EQ(w.Document().EditedPhoto().Width(), 400);
    services.messageAnswers.push_back(MessageResult::Discard);
    OpenPhoto(40, 30);
    EXPECT_EQ(w.PreviewView()->LayerCount(), 0);
    EXPECT_EQ(w.Document().SelectedLayer(), nullptr);
    EXPECT_FALSE(w.ClipArtToolWindow()->isVisible());
}

// ---- text layers stay editable; the usual keys on the preview ----

TEST_F(DecorationTest, DoubleClickingATextLayerChangesItWhereItIs) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.AddTextLayer("Hello");
    ASSERT_EQ(w.Document().LayerCount(), 1);
    auto* layer = dynamic_cast<TTextLayer*>(Layer(0));
    ASSERT_NE(layer, nullptr);
    // Mirrored and stretched to twice its width by the user.
    w.Actions().actArtFlipHorz->trigger();
    const TFloatRect at = layer->Location();
    const float cx = (at.Left + at.Right) / 2, cy = (at.Top + at.Bottom) / 2;
    const float hw = at.Right - at.Left, hh = (at.Bottom - at.Top) / 2;
    w.Document().RubberBand()->SetLocation(TFloatRect{cx - hw, cy - hh, cx + hw, cy + hh});
    const TFontDesc fontBefore = w.TextFont();

    // A double-click on it opens the text window with its text.
    const TFloatRect shown = layer->AdjustedLocation();
    const QPoint centre(int((shown.Left + shown.Right) / 2), int((shown.Top + shown.Bottom) / 2));
    QTest::mouseDClick(w.PreviewView()->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    TfrmTextInput* input = w.TextInputWindow();
    ASSERT_TRUE(input->isVisible());
    EXPECT_EQ(w.TextLayerBeingEdited(), layer);
    EXPECT_EQ(input->edtText->text().toStdString(), "Hello");
    EXPECT_EQ(input->windowTitle().toStdString(), "Edit Text");
    EXPECT_EQ(layer->Location().Left, cx - hw); // the double-click moved nothing

    // The font dialog starts from the layer's font and changes only that layer.
    TFontDesc blue = layer->Font;
    blue.Color = 0xFF0000;
    services.fontAnswers.push_back(blue);
    input->btnSetFont->click();
    EXPECT_EQ(w.TextFont(), fontBefore);
    input->edtText->setText("Hello there");
    input->btnAdd->click();

    ASSERT_EQ(w.Document().LayerCount(), 1);
    EXPECT_EQ(Layer(0), layer);
    EXPECT_EQ(layer->Text, "Hello there");
    EXPECT_EQ(layer->Font.Color, 0xFF0000u);
    EXPECT_TRUE(layer->Mirrored);
    const TFloatRect now = layer->Location();
    EXPECT_FLOAT_EQ((now.Left + now.Right) / 2, cx);
    EXPECT_FLOAT_EQ((now.Top + now.Bottom) / 2, cy);
    EXPECT_FLOAT_EQ(now.Right - now.Left, 2.0f * float(layer->Bitmap().Width()));
    EXPECT_FLOAT_EQ(now.Bottom - now.Top, float(layer->Bitmap().Height()));
    bool blueInk = false;
    for (int y = 0; y < layer->Bitmap().Height() && !blueInk; ++y)
        for (int x = 0; x < layer->Bitmap().Width(); ++x)
            blueInk = blueInk || layer->Bitmap().Pixel(x, y) == 0xFF0000FFu;
    EXPECT_TRUE(blueInk);
    EXPECT_FALSE(input->isVisible());
    EXPECT_EQ(w.TextLayerBeingEdited(), nullptr);
    EXPECT_EQ(input->windowTitle().toStdString(), "Text Input");
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(DecorationTest, CancellingAChangeKeepsTheLayerAndWhatWasTypedBefore) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    // Something typed for the next text, kept in the hidden window.
    w.Actions().actAddText->trigger();
    w.TextInputWindow()->edtText->setText("draft");
    w.TextInputWindow()->btnCancel->click();
    w.AddTextLayer("Hello");
    auto* layer = dynamic_cast<TTextLayer*>(Layer(0));
    ASSERT_NE(layer, nullptr);
    const TBitmap32 before(layer->Bitmap());

    const TFloatRect shown = layer->AdjustedLocation();
    w.EditTextLayerAt(int((shown.Left + shown.Right) / 2), int((shown.Top + shown.Bottom) / 2));
    EXPECT_EQ(w.TextInputWindow()->edtText->text().toStdString(), "Hello");
    w.TextInputWindow()->edtText->setText("changed, then cancelled");
    w.TextInputWindow()->btnCancel->click();
    EXPECT_EQ(w.TextLayerBeingEdited(), nullptr);
    EXPECT_EQ(layer->Text, "Hello");
    EXPECT_TRUE(SamePixels(layer->Bitmap(), before));
    EXPECT_EQ(w.TextInputWindow()->edtText->text().toStdString(), "draft");

    // Clip art is not text: a double-click on it opens nothing.
    DoubleClick("ClipArtSun.jpg");
    ASSERT_EQ(w.Document().LayerCount(), 2);
    const TFloatRect art = Layer(1)->AdjustedLocation();
    w.EditTextLayerAt(int(art.Left) + 2, int(art.Top) + 2);
    EXPECT_FALSE(w.TextInputWindow()->isVisible());
}

TEST_F(DecorationTest, TextMergedWhileItIsChangedIsFinalAndTheNewTextIsAdded) {
    TfrmMain& w = *window;
    OpenPhoto(400, 300);
    w.AddTextLayer("Hello");
    auto* layer = dynamic_cast<TTextLayer*>(Layer(0));
    ASSERT_NE(layer, nullptr);
    const TFloatRect shown = layer->AdjustedLocation();
    w.EditTextLayerAt(int((shown.Left + shown.Right) / 2), int((shown.Top + shown.Bottom) / 2));
    ASSERT_EQ(w.TextLayerBeingEdited(), layer);
    w.Actions().actArtFlattenLayers->trigger(); // Apply: the text is part of the picture now
    EXPECT_EQ(w.TextLayerBeingEdited(), nullptr);
    const TBitmap32 merged(w.PreviewView()->Picture());
    w.TextInputWindow()->edtText->setText("Again");
    w.TextInputWindow()->btnAdd->click();
    ASSERT_EQ(w.Document().LayerCount(), 1);
    EXPECT_EQ(dynamic_cast<TTextLayer*>(Layer(0))->Text, "Again");
    EXPECT_TRUE(SamePixels(w.PreviewView()->Picture(), merged));
}

TEST_F(DecorationTest, DeleteRemovesTheSelectedLayerAndEscapeLeavesIt) {
    TfrmMain& w = *window;
    QApplication::setActiveWindow(&w);
    OpenPhoto(400, 300);
    w.AddTextLayer("one");
    w.AddTextLayer("two");
    ASSERT_EQ(w.Document().LayerCount(), 2);
    QTest::keyClick(&w, Qt::Key_Delete);
    EXPECT_EQ(w.Document().LayerCount(), 1);
    w.Document().SelectLayer(Layer(0));
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(w.Document().SelectedLayer(), nullptr);
    QTest::keyClick(&w, Qt::Key_Delete); // nothing selected: nothing deleted
    EXPECT_EQ(w.Document().LayerCount(), 1);

    // The tool window does not take the keyboard when it shows; clicked, it passes the keys on.
    w.Document().SelectLayer(Layer(0));
    w.AddTextLayer("three");
    ASSERT_TRUE(w.ClipArtToolWindow()->isVisible());
    EXPECT_TRUE(w.ClipArtToolWindow()->testAttribute(Qt::WA_ShowWithoutActivating));
    QApplication::setActiveWindow(w.ClipArtToolWindow());
    QTest::keyClick(w.ClipArtToolWindow(), Qt::Key_Delete);
    EXPECT_EQ(w.Document().LayerCount(), 1);
    w.Document().SelectLayer(Layer(0));
    QTest::keyClick(w.ClipArtToolWindow(), Qt::Key_Escape);
    EXPECT_EQ(w.Document().SelectedLayer(), nullptr);
}

} // namespace

namespace {

// ---- clip art drawn for large photos ----

TEST_F(DecorationTest, ClipArtOnASmallPhotoArrivesSmaller) {
    TfrmMain& w = *window;
    OpenPhoto(160, 100);
    w.Actions().actAddClipArt->trigger();
    DoubleClick("ClipArtSun.jpg");
    ASSERT_EQ(w.Document().LayerCount(), 1);
    EXPECT_EQ(Layer(0)->Bitmap().Width(), 50);
    EXPECT_EQ(Layer(0)->Bitmap().Height(), 25);
    const TFloatRect at = Layer(0)->Location();
    EXPECT_EQ(at.Right - at.Left, 50.0f);
    EXPECT_EQ(at.Bottom - at.Top, 25.0f);
    EXPECT_EQ(Layer(0)->Bitmap().Pixel(25, 12), 0xFF0000FFu);
}

} // namespace
