// What users of photo programs expect: the title bar names the photo, File > Recent Photos,
// files dropped on the window, photos upright, seeing the whole photo, the usual keys,
// failures that say so, and the open dialog listing only what opens.
#include "codecs/ImageIO.h"
#include "gui/EditPageFixture.h"
#include "library/PackWriter.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/ThumbnailList.h"
#include "ui/WelcomeView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>

using namespace lumetta;
using namespace lumetta::ui;

namespace {

class OpenAnyWayTest : public test::EditPageFixture {
protected:
    void TearDown() override { Settings() = TSettings(); }

    // A photo of w x h pixels: its left half red, its right half blue.
    std::string WritePhoto(const std::string& name, int w, int h, const char* format = nullptr) {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, x < w / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
        // Absolute, as the recent list keeps it.
        const std::string path = std::filesystem::absolute(dir.File(name)).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), format, 100));
        return path;
    }

    void Open(const std::string& path) {
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
    }

    // Drags the files over the widget and drops them there, as a file manager does.
    void DropFiles(QWidget* target, const QStringList& files, bool expectAccepted = true) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& f : files)
            urls << QUrl::fromLocalFile(f);
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_EQ(enter.isAccepted(), expectAccepted);
        if (!enter.isAccepted()) return;
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }

    QStringList RecentEntries() {
        QStringList entries;
        for (QAction* a : window->RecentPhotosMenu()->actions())
            if (!a->isSeparator() && a != window->Actions().actClearRecent)
                entries << a->data().toString();
        return entries;
    }

    QString Title() { return window->windowTitle(); }
};

TEST_F(OpenAnyWayTest, TitleBarNamesThePhotoAndMarksUnsavedWork) {
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3");
    Open(WritePhoto("holiday.jpg", 40, 30));
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3 - holiday.jpg");
    panel->spEditFiph->click();
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3 - holiday.jpg *");
    // Saved: the star goes; the title keeps the photo's name.
    services.saveAnswers.push_back(
        FileDialogResult{QString::fromStdString(dir.File("out.png")), 1});
    window->Actions().actSaveFile->trigger();
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3 - holiday.jpg");
    services.messageAnswers.push_back(MessageResult::Yes);
    window->Actions().ActClose->trigger();
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3");
}

TEST_F(OpenAnyWayTest, RecentPhotosListTheNewestFirstAndReopen) {
    QMenu* menu = window->RecentPhotosMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->isEnabled());
    // Under File, right after Open File.
    const QList<QAction*> file = window->menuBar()->actions().first()->menu()->actions();
    ASSERT_GE(file.size(), 2);
    EXPECT_EQ(file[0], window->Actions().actOpenFile);
    EXPECT_EQ(file[1]->menu(), menu);

    const std::string a = WritePhoto("a.jpg", 20, 10);
    const std::string b = WritePhoto("b.png", 30, 10);
    Open(a);
    Open(b);
    Open(a);
    ASSERT_EQ(RecentEntries(), (QStringList{QString::fromStdString(a), QString::fromStdString(b)}));
    EXPECT_TRUE(menu->isEnabled());
    EXPECT_EQ(menu->actions()[0]->text().toStdString(), "&1 a.jpg");
    EXPECT_EQ(menu->actions()[1]->text().toStdString(), "&2 b.png");

    // Choosing an entry opens that photo.
    menu->actions()[1]->trigger();
    EXPECT_EQ(window->Document().CurrentPhotoFile(), b);
    EXPECT_EQ(window->EditView()->Picture().Width(), 30);
    EXPECT_EQ(RecentEntries().first().toStdString(), b);

    // The list is kept in Setup.ini, newest first.
    window.reset();
    const std::string ini = test::ReadText(dir.File("Setup.ini"));
    EXPECT_NE(ini.find("RecentPhoto1=" + b + "\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("RecentPhoto2=" + a + "\n"), std::string::npos) << ini;
}

TEST_F(OpenAnyWayTest, AMissingRecentPhotoIsRemovedWithAMessage) {
    const std::string a = WritePhoto("a.jpg", 20, 10);
    const std::string gone = WritePhoto("gone.jpg", 20, 10);
    Open(gone);
    Open(a);
    std::filesystem::remove(gone);
    QAction* entry = window->RecentPhotosMenu()->actions()[1];
    ASSERT_EQ(entry->data().toString().toStdString(), gone);
    entry->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "gone.jpg is no longer in " + std::filesystem::absolute(dir.Path()).string() +
                  ". It has been removed from Recent Photos.");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(RecentEntries(), QStringList{QString::fromStdString(a)});
    EXPECT_EQ(window->Document().CurrentPhotoFile(), a); // what was open stays open

    window->Actions().actClearRecent->trigger();
    EXPECT_TRUE(RecentEntries().isEmpty());
    EXPECT_FALSE(window->RecentPhotosMenu()->isEnabled());
}

TEST_F(OpenAnyWayTest, AFileNamedOnTheCommandLineOpens) {
    const std::string a = WritePhoto("given.png", 24, 12);
    // A name relative to the current folder is kept absolute.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir.Path().string())));
    window->OpenGivenFile(QStringLiteral("given.png"));
    QDir::setCurrent(before);
    EXPECT_EQ(window->Document().CurrentPhotoFile(), a);
    EXPECT_EQ(window->CentrePageIndex(), int(plEditPhoto));
    EXPECT_EQ(Title().toStdString(), "Lumetta V2.3 - given.png");
    EXPECT_EQ(RecentEntries(), QStringList{QString::fromStdString(a)});
    // A file:// address, as a desktop launcher passes it.
    const std::string b = WritePhoto("launched.jpg", 30, 10);
    window->OpenGivenFile(QUrl::fromLocalFile(QString::fromStdString(b)).toString());
    EXPECT_EQ(window->Document().CurrentPhotoFile(), b);
    // A file that is not there says so, and what is open stays.
    window->OpenGivenFile(QString::fromStdString(dir.File("gone.jpg")));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Cannot open gone.jpg: there is no such file.");
    EXPECT_EQ(window->Document().CurrentPhotoFile(), b);
}

TEST_F(OpenAnyWayTest, AFileDroppedOnTheWelcomeOrEditPageOpens) {
    ASSERT_EQ(window->CentrePageIndex(), int(plWelcome));
    const std::string a = WritePhoto("dropped.png", 24, 12);
    DropFiles(window->WelcomePage(), {QString::fromStdString(a)});
    EXPECT_EQ(window->Document().CurrentPhotoFile(), a);
    EXPECT_EQ(window->CentrePageIndex(), int(plEditPhoto));

    // On the edit page, with unsaved work: asked first, and Cancel keeps it.
    panel->spEditFiph->click();
    const std::string b = WritePhoto("second.jpg", 30, 10);
    services.messageAnswers.push_back(MessageResult::Cancel);
    DropFiles(window->EditView()->viewport(), {QString::fromStdString(b)});
    EXPECT_EQ(window->Document().CurrentPhotoFile(), a);
    services.messageAnswers.push_back(MessageResult::Discard);
    DropFiles(window->EditView()->viewport(), {QString::fromStdString(b)});
    EXPECT_EQ(window->Document().CurrentPhotoFile(), b);

    // Something that is not a file is not taken.
    QMimeData text;
    text.setText("hello");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    // A file that is no picture says why.
    const std::string notes = dir.File("notes.jpg");
    test::WriteText(notes, "not a picture");
    DropFiles(window.get(), {QString::fromStdString(notes)});
    ASSERT_FALSE(services.messages.empty());
    EXPECT_EQ(services.messages.back().text.left(24).toStdString(), "Cannot open notes.jpg: n");
    EXPECT_EQ(window->Document().CurrentPhotoFile(), b);
}

TEST_F(OpenAnyWayTest, OnThePreviewAFileOpensUnlessItIsAThumbnailOfTheListInView) {
    // A library of one clip art.
    std::filesystem::create_directories(dir.Path() / "Data");
    TBitmap32 art(10, 10);
    art.Clear(0xFF00FF00u);
    TPackWriter pack;
    pack.Add("clipartleaf.png", test::EncodePng(art));
    pack.Save(dir.File("libraryfull.phd"));
    QImage thumb(20, 20, QImage::Format_RGB32);
    thumb.fill(Qt::green);
    const QString thumbPath = QString::fromStdString(dir.File("Data/ClipArtLeaf.jpg"));
    ASSERT_TRUE(thumb.save(thumbPath));
    // Restart with the library in place.
    window.reset();
    SetUp();

    const std::string photo = WritePhoto("photo.png", 60, 40);
    Open(photo);
    window->Actions().actAddClipArt->trigger();
    ASSERT_EQ(window->ObjectList()->Count(), 1);
    // The thumbnail file, dropped from a file manager: applied like a dragged thumbnail.
    DropFiles(window->PreviewView()->viewport(), {thumbPath});
    EXPECT_EQ(window->Document().LayerCount(), 1);
    EXPECT_EQ(window->StatusText(2).toStdString(), "No:clipartleaf");
    EXPECT_EQ(window->Document().CurrentPhotoFile(), photo);
    // A picture dragged from another program (no file): the Part's drop, the object last
    // pressed.
    QMimeData picture;
    picture.setImageData(QImage(8, 8, QImage::Format_RGB32));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->PreviewView()->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &picture, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->PreviewView()->viewport(), &drop);
    EXPECT_EQ(window->Document().LayerCount(), 2);
    // Any other file opens as the photo (the layers are unsaved work: discarded here).
    const std::string other = WritePhoto("other.png", 20, 20);
    services.messageAnswers.push_back(MessageResult::Discard);
    DropFiles(window->PreviewView()->viewport(), {QString::fromStdString(other)});
    EXPECT_EQ(window->Document().CurrentPhotoFile(), other);
    EXPECT_EQ(window->Document().LayerCount(), 0);
}

TEST_F(OpenAnyWayTest, ADamagedPhotoSaysWhyAndTheOpenDialogListsOnlyWhatOpens) {
    const std::string good = WritePhoto("good.jpg", 40, 30);
    Open(good);
    // A JPEG cut in half.
    std::vector<unsigned char> bytes = test::ReadBytes(good);
    bytes.resize(bytes.size() / 2);
    test::WriteBytes(dir.File("cut.jpg"), bytes);
    Open(dir.File("cut.jpg"));
    ASSERT_EQ(services.messages.size(), 1u);
    const std::string text = services.messages[0].text.toStdString();
    EXPECT_EQ(text.rfind("Cannot open cut.jpg: ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Cannot open cut.jpg: ").size() + 10) << text;
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(window->Document().CurrentPhotoFile(), good);

    ASSERT_FALSE(services.openRequests.empty());
    const QStringList filters = services.openRequests.back().filters;
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters[0].startsWith("All ("));
    for (const auto& format : RegisteredFormats()) {
        const QString pattern =
            QStringLiteral("*.%1").arg(QString::fromStdString(format.Extension));
        const bool listed = filters[0].split(QRegularExpression("[ ()]")).contains(pattern);
        EXPECT_EQ(listed, format.HasDecoder) << format.Extension;
    }
    EXPECT_EQ(filters.size(),
              1 + std::count_if(RegisteredFormats().begin(), RegisteredFormats().end(),
                                [](const auto& f) { return f.HasDecoder; }));
}

TEST_F(OpenAnyWayTest, PhotosOpenUprightUnlessTheOptionIsOff) {
    // A JPEG taken with the camera turned: stored 40 x 20 (left red), to be turned clockwise.
    const std::string plain = WritePhoto("plain.jpg", 40, 20);
    std::vector<unsigned char> jpeg = test::ReadBytes(plain);
    const unsigned char app1[] = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0,    0,    'I', 'I',
                                  42,   0,    8,    0,    0,   0,   1,   0,   0x12, 0x01, 3,   0,
                                  1,    0,    0,    0,    6,   0,   0,   0,   0,    0,    0,   0};
    jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
    test::WriteBytes(dir.File("turned.jpg"), jpeg);
    Open(dir.File("turned.jpg"));
    TBitmap32& picture = window->EditView()->Picture();
    ASSERT_EQ(picture.Width(), 20);
    ASSERT_EQ(picture.Height(), 40);
    // Red at the top now (JPEG colours are near, not exact).
    EXPECT_GT(RedComponent(picture.Pixel(10, 5)), 200);
    EXPECT_LT(BlueComponent(picture.Pixel(10, 5)), 60);
    EXPECT_GT(BlueComponent(picture.Pixel(10, 35)), 200);

    // Switched off in Standard Option: the next photo comes as stored, and the choice is kept.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TfrmOption*>(QApplication::activeModalWidget());
        if (!dialog) return;
        shown = true;
        EXPECT_TRUE(dialog->cbUprightPhotos->isChecked());
        EXPECT_FALSE(dialog->cbFitNewPhotos->isChecked());
        dialog->cbUprightPhotos->setChecked(false);
        dialog->btnSaveClick();
    });
    window->Actions().actStandardOption->trigger();
    ASSERT_TRUE(shown);
    Open(dir.File("turned.jpg"));
    EXPECT_EQ(window->EditView()->Picture().Width(), 40);
    window.reset();
    EXPECT_NE(test::ReadText(dir.File("Setup.ini")).find("UprightPhotos=0\n"), std::string::npos);
    SetUprightPhotos(true);
}

TEST_F(OpenAnyWayTest, FitToWindowAndActualSizeOnBothPagesAndTheStepsGoOnFromTheFit) {
    TfrmMain& w = *window;
    EXPECT_FALSE(w.Actions().actFitToWindow->isEnabled());
    EXPECT_EQ(w.Actions().actFitToWindow->shortcut(), QKeySequence("Ctrl+0"));
    EXPECT_EQ(w.Actions().actActualSize->shortcut(), QKeySequence("Ctrl+1"));
    Open(WritePhoto("big.png", 4000, 1000));
    ASSERT_TRUE(w.Actions().actFitToWindow->isEnabled());
    ImageViewWidget* edit = w.EditView();
    EXPECT_EQ(edit->Scale(), 1.0f); // opening keeps the scale of 1 by default
    w.Actions().actFitToWindow->trigger();
    const TRect vp = edit->Model().ViewportRect();
    const float fitted = float(vp.Width()) / 4000.0f;
    EXPECT_FLOAT_EQ(edit->Scale(), fitted);
    ASSERT_LT(fitted, 0.2f); // below the smallest step
    const TRect shown = edit->Model().BitmapRect();
    EXPECT_LE(shown.Width(), vp.Width());
    EXPECT_GE(shown.Left, 0);
    // Zoom In cannot go lower; Zoom Out goes on from the fitted scale by a tenth.
    panel->spEditZoomIn->click();
    EXPECT_FLOAT_EQ(edit->Scale(), fitted);
    panel->spEditZoomOut->click();
    EXPECT_NEAR(edit->Scale(), fitted + 0.1f, 1e-5);
    for (int i = 0; i < 30; ++i)
        panel->spEditZoomOut->click();
    EXPECT_EQ(edit->Scale(), 2.0f);
    w.Actions().actActualSize->trigger();
    EXPECT_EQ(edit->Scale(), 1.0f);
    EXPECT_EQ(w.ZoomStep(), 10);

    // The preview: the wheel goes on from the fitted scale and does not jump to 0.2.
    w.Actions().actAddFrame->trigger();
    ImageViewWidget* preview = w.PreviewView();
    w.Actions().actFitToWindow->trigger();
    const float previewFit = preview->Scale();
    EXPECT_LT(previewFit, 0.2f);
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview->viewport(), &up);
    EXPECT_EQ(preview->Scale(), previewFit);
    QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(preview->viewport(), &down);
    EXPECT_FLOAT_EQ(preview->Scale(), previewFit * 1.1f);
    w.Actions().actActualSize->trigger();
    EXPECT_EQ(preview->Scale(), 1.0f);
    // Not on the welcome page.
    w.Actions().actWelcome->trigger();
    EXPECT_FALSE(w.Actions().actFitToWindow->isEnabled());
}

TEST_F(OpenAnyWayTest, FitNewPhotosScalesOnlyPhotosLargerThanTheWindow) {
    Settings().FitNewPhotos = true;
    Open(WritePhoto("big.png", 3000, 2000));
    const float scale = window->EditView()->Scale();
    EXPECT_LT(scale, 1.0f);
    EXPECT_LE(window->EditView()->Model().BitmapRect().Width(),
              window->EditView()->Model().ViewportRect().Width());
    EXPECT_EQ(window->PreviewView()->Scale(), scale);
    Open(WritePhoto("small.png", 40, 30));
    EXPECT_EQ(window->EditView()->Scale(), 1.0f);
}

TEST_F(OpenAnyWayTest, TheUsualKeysReachTheirCommands) {
    TfrmMain& w = *window;
    // The window's own shortcuts stay first; the usual ones come beside them.
    EXPECT_EQ(w.Actions().actSaveFile->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+Alt+S"), QKeySequence("Ctrl+S")}));
    EXPECT_EQ(w.Actions().actExit->shortcuts(),
              (QList<QKeySequence>{QKeySequence("Ctrl+X"), QKeySequence("Ctrl+Q")}));
    EXPECT_TRUE(w.Actions().actArtDelete->shortcuts().contains(QKeySequence(Qt::Key_Delete)));
    EXPECT_EQ(w.Actions().actCopy->shortcut(), QKeySequence("Ctrl+C"));
    EXPECT_EQ(w.Actions().actPaste->shortcut(), QKeySequence("Ctrl+V"));
    EXPECT_EQ(w.Actions().actDeselect->shortcut(), QKeySequence(Qt::Key_Escape));

    QApplication::setActiveWindow(&w);
    Open(WritePhoto("keys.png", 40, 30));
    // Ctrl+C copies the edit picture, Ctrl+V pastes it back.
    const TColor32 left = w.EditView()->Picture().Pixel(0, 0);
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(services.clipboardWrites, 1);
    panel->spEditFiph->click();
    ASSERT_NE(w.EditView()->Picture().Pixel(0, 0), left);
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w.EditView()->Picture().Pixel(0, 0), left);
    // Escape leaves the edit page's selection.
    QTest::mouseClick(panel->spEditSelect, Qt::LeftButton);
    TImgView32& view = w.EditView()->Model();
    const TRect r = view.BitmapRect();
    view.MouseDown(mbLeft, ssNone, r.Left + 2, r.Top + 2);
    view.MouseMove(mbsLeft, ssNone, r.Left + 10, r.Top + 10);
    view.MouseUp(mbLeft, mbsNone, ssNone, r.Left + 10, r.Top + 10);
    ASSERT_TRUE(w.HasSelection());
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.HasSelection());
    // Copy and Paste belong to the edit page.
    w.Actions().actAddClipArt->trigger();
    EXPECT_FALSE(w.Actions().actCopy->isEnabled());
    EXPECT_FALSE(w.Actions().actPaste->isEnabled());
    // Ctrl+S saves.
    services.saveAnswers.push_back(FileDialogResult{QString::fromStdString(dir.File("k.png")), 1});
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(std::filesystem::exists(dir.File("k.png")));
}

} // namespace
