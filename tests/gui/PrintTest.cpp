// Print Setup, Print Preview and Print: the missing-printer message, which picture goes onto the
// page, the page description read from the printer, the option controls and the sheets a job
// sends to a PDF printer.
#include "guisupport/ScriptedPlatformServices.h"
#include "library/PackWriter.h"
#include "output/PrintLayout.h"
#include "support/TestSupport.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PrintPreview.h"
#include "ui/ThumbnailList.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

constexpr TColor32 kArt = 0xFF0000FF;

class PrintTest : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedPlatformServices services;
    std::unique_ptr<TfrmMain> window;

    std::string ExeDir() const { return dir.Path().string() + "/"; }

    void SetUp() override {
        TPackWriter pack;
        TBitmap32 art(21, 11);
        art.Clear(kArt);
        pack.Add("clipartsun.png", test::EncodePng(art));
        pack.Save(ExeDir() + "libraryfull.phd");
        test::WriteText(ExeDir() + "library.phi", "[Frames]\n");
        std::filesystem::create_directories(ExeDir() + "Data");
        QImage thumb(40, 30, QImage::Format_RGB32);
        thumb.fill(Qt::darkCyan);
        ASSERT_TRUE(thumb.save(QString::fromStdString(ExeDir() + "Data/ClipArtSun.jpg"), "JPG"));
        services.printerOutput = QString::fromStdString(dir.File("printed.pdf"));
        MainWindowOptions options;
        options.exeDir = dir.Path().string();
        options.services = &services;
        window = std::make_unique<TfrmMain>(options);
        window->resize(900, 700);
        window->show();
        QApplication::processEvents();
    }

    void OpenPhoto(int w, int h) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(QColor(10, 20, 30));
        const std::string path = dir.File("photo.png");
        ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        ASSERT_FALSE(window->Document().EditedPhoto().Empty());
    }

    // The number of sheets in the PDF the scripted printer wrote (0 without a file).
    int PrintedSheets() const {
        QFile file(services.printerOutput);
        if (!file.open(QIODevice::ReadOnly)) return 0;
        const QString text = QString::fromLatin1(file.readAll());
        return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
    }
};

} // namespace

TEST_F(PrintTest, WithoutAPrinterSetupAndPrintOnlySayHowToGetOne) {
    TfrmMain& w = *window;
    EXPECT_TRUE(w.Actions().actPrintSetup->isEnabled());
    EXPECT_FALSE(w.Actions().actPrint->isEnabled());
    w.Actions().actPrintSetup->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "You can print after install the printer!");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(services.printerSetups, 0);

    OpenPhoto(40, 30);
    w.Actions().actPrint->trigger();
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(w.CentrePageIndex(), plEditPhoto);
    // The preview needs no printer.
    w.Actions().actPrintPreview->trigger();
    EXPECT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(w.CentrePageIndex(), plPrintPreview);
    EXPECT_EQ(w.LeftPageIndex(), pgPrintSet);
    EXPECT_EQ(w.PrintPreviewControl()->PageCount(), 1);
}

TEST_F(PrintTest, PrintFromTheEditPageOnlyShowsThePreview) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    OpenPhoto(40, 30);
    w.Actions().actPrint->trigger();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_TRUE(services.printRequests.empty());
    EXPECT_EQ(w.CentrePageIndex(), plPrintPreview);
    EXPECT_EQ(w.PrintPreviewControl()->PageCount(), 1);
    EXPECT_EQ(PrintedSheets(), 0);
}

TEST_F(PrintTest, ThePreviewCarriesThePictureWithItsLayersMerged) {
    TfrmMain& w = *window;
    OpenPhoto(80, 60);
    w.Actions().actAddClipArt->trigger();
    TThumbnailList* list = w.ObjectList();
    ASSERT_EQ(list->Count(), 1);
    QApplication::processEvents();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                       list->CellRect(0).center());
    ASSERT_EQ(w.PreviewView()->LayerCount(), 2); // the clip art and its selection frame
    const int snapshots = w.Document().History().Count();

    w.Actions().actPrintPreview->trigger();
    // The layers stay on the preview, where the user left them.
    EXPECT_EQ(w.PreviewView()->LayerCount(), 2);
    EXPECT_EQ(w.Document().History().Count(), snapshots);
    ASSERT_EQ(w.PrintPreviewRenderer()->Items.size(), 1u);
    const QImage& picture = w.PrintPreviewRenderer()->Items[0].Picture;
    ASSERT_EQ(picture.size(), QSize(80, 60));
    int artPixels = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            artPixels += picture.pixel(x, y) == kArt;
    EXPECT_GE(artPixels, 21 * 11); // placed at least at its own size
    EXPECT_EQ(picture.pixel(40, 30), kArt);

    // The page is the whole default sheet: a landscape picture across the printable width.
    const TRecordedPage& page = w.PrintPreviewControl()->Page(0);
    EXPECT_EQ(page.Width(), 2480);
    EXPECT_EQ(page.Height(), 3507);
    const QImage shown = page.Render(QSize(248, 351));
    EXPECT_EQ(shown.pixel(124, 175), kArt);
    EXPECT_EQ(shown.pixel(10, 100), QColor(10, 20, 30).rgb());
    EXPECT_EQ(qAlpha(shown.pixel(124, 10)), 0); // above the picture the sheet stays empty
}

TEST_F(PrintTest, CancelledSetupStillReadsThePrinterWithHalfInchMargins) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    services.printerResolution = 600;
    EXPECT_EQ(w.PrintPreviewControl()->DeviceInfo(), TJvDeviceInfo{});
    w.Actions().actPrintSetup->trigger();
    EXPECT_EQ(services.printerSetups, 1);
    const TJvDeviceInfo& info = w.PrintPreviewControl()->DeviceInfo();
    EXPECT_EQ(info.LogPixelsX, 600);
    EXPECT_EQ(info.LogPixelsY, 600);
    EXPECT_NEAR(info.PhysicalWidth, 4960, 5); // A4
    EXPECT_GE(info.OffsetLeft, 300);
    EXPECT_GE(info.OffsetTop, 300);
    EXPECT_GE(info.OffsetRight, 300);
    EXPECT_GE(info.OffsetBottom, 300);
    // Without a photo the preview is one empty page.
    EXPECT_EQ(w.PrintPreviewControl()->PageCount(), 1);
}

TEST_F(PrintTest, PrintingSendsEveryCopyAndCancelSendsNothing) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    OpenPhoto(40, 30);
    w.Actions().actPrintPreview->trigger();

    w.Actions().actPrint->trigger(); // the dialog is cancelled
    ASSERT_EQ(services.printRequests.size(), 1u);
    EXPECT_TRUE(services.printRequests[0].pageNumbers);
    EXPECT_EQ(services.printRequests[0].fromPage, 1);
    EXPECT_EQ(services.printRequests[0].toPage, 1);
    EXPECT_EQ(PrintedSheets(), 0);

    PrintDialogResult job;
    job.copies = 3;
    job.collate = false;
    services.printAnswers.push_back(job);
    w.Actions().actPrint->trigger();
    EXPECT_TRUE(services.messages.empty());
    EXPECT_EQ(PrintedSheets(), 3);

    // A range beyond the last page prints the last page.
    job.copies = 0;
    job.allPages = false;
    job.fromPage = 5;
    job.toPage = 9;
    services.printAnswers.push_back(job);
    w.Actions().actPrint->trigger();
    EXPECT_EQ(PrintedSheets(), 1);
}

TEST_F(PrintTest, OptionControlsChangeTheLayoutOnlyWhenTheUserChangesThem) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actPrintPreview->trigger();
    QApplication::processEvents();
    TJvPreviewControl& preview = *w.PrintPreviewControl();
    TPrintOptionPanel& o = *w.PrintOptionPanel();
    EXPECT_EQ(o.edScale->value(), 100);
    EXPECT_EQ(preview.Options().ScaleMode, smFullPage);
    EXPECT_EQ(preview.Options().Shadow.Offset, 4);

    o.cbScaleMode->setCurrentIndex(smScale);
    EXPECT_EQ(preview.Options().ScaleMode, smScale);
    o.edScale->setValue(50);
    EXPECT_EQ(preview.Options().Scale(), 50);
    const TJvDeviceInfo& info = preview.DeviceInfo();
    EXPECT_EQ(preview.Layout().PageWidth,
              MulDiv(MulDiv(info.PhysicalWidth, preview.logicalDpiX(), 300), 50, 100));
    o.edShadow->setValue(20);
    EXPECT_EQ(preview.Layout().HS(), 20);
    o.edHorz->setValue(25);
    EXPECT_EQ(preview.Layout().HS(), 25);
    o.edCols->setValue(3);
    EXPECT_EQ(preview.Options().Cols(), 3);
    EXPECT_EQ(preview.Layout().ShownCols, 1);

    // A click on the page selects it; a click beside it keeps the selection.
    EXPECT_EQ(preview.SelectedPage(), -1);
    const TRect page = preview.Layout().SlotPageRect(0, preview.horizontalScrollBar()->value(),
                                                     preview.verticalScrollBar()->value());
    QTest::mouseClick(preview.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(page.Left + 5, page.Top + 5));
    EXPECT_EQ(preview.SelectedPage(), 0);
    QTest::mouseClick(preview.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(page.Left - 3, page.Top + 5));
    EXPECT_EQ(preview.SelectedPage(), 0);
}

TEST_F(PrintTest, ThePageIsPaintedWithItsShadowOutlineAndSelection) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actPrintPreview->trigger();
    QApplication::processEvents();
    TJvPreviewControl& preview = *w.PrintPreviewControl();
    const TRect page = preview.Layout().SlotPageRect(0, 0, preview.verticalScrollBar()->value());
    ASSERT_FALSE(page.IsEmpty());
    auto at = [&](int x, int y) { return preview.viewport()->grab().toImage().pixel(x, y); };
    const QRgb background = preview.palette().color(QPalette::Dark).rgb();
    const QRgb outline = preview.palette().color(QPalette::WindowText).rgb();

    // The shadow lies down and to the right of the page, four pixels deep.
    EXPECT_EQ(at(page.Right + 1, page.Bottom + 1), qRgb(0, 0, 0));
    EXPECT_EQ(at(page.Right + 1, page.Top + 1), background);
    EXPECT_EQ(at(page.Left, page.Top), outline);
    EXPECT_EQ(at(page.Left + 1, page.Top + 1), qRgb(255, 255, 255)); // the empty margin

    w.PrintOptionPanel()->edShadow->setValue(0);
    QApplication::processEvents();
    const TRect flat = preview.Layout().SlotPageRect(0, 0, preview.verticalScrollBar()->value());
    EXPECT_EQ(at(flat.Right + 1, flat.Bottom + 1), background);

    QTest::mouseClick(preview.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(flat.Left + 20, flat.Top + 20));
    EXPECT_EQ(at(flat.Left + 1, flat.Top + 1), qRgb(0, 0, 128));
}
