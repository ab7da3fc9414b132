// Print Setup, Print Preview and Print: the missing-printer message and the PDF route, which
// picture goes onto the page, the page description read from the printer, the option controls,
// and the sheets a job sends, rasterised and measured.
#include "codecs/ImageIO.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "library/PackWriter.h"
#include "output/PrintLayout.h"
#include "support/TestSupport.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PrintPreview.h"
#include "ui/ThumbnailList.h"
#include "ui/WelcomeView.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
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
        OpenImage(image);
    }

    void OpenImage(const QImage& image) {
        const std::string path = dir.File("photo.png");
        ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        services.openAnswers.push_back(FileDialogResult{QString::fromStdString(path), 0});
        window->Actions().actOpenFile->trigger();
        ASSERT_FALSE(window->Document().EditedPhoto().Empty());
    }

    // Where the preview's page puts a picture of w x h pixels, in pixels of a sheet rasterised
    // at `dpi`.
    QRectF PreviewPlace(int w, int h, int dpi) const {
        const TJvDeviceInfo& info = window->PrintPreviewControl()->DeviceInfo();
        const TRect r = FitPictureRect(w, h, info.PrintRect());
        const double sx = double(dpi) / info.LogPixelsX, sy = double(dpi) / info.LogPixelsY;
        return QRectF(r.Left * sx, r.Top * sy, r.Width() * sx, r.Height() * sy);
    }

    // The number of sheets in the PDF the scripted printer wrote (0 without a file).
    int PrintedSheets() const {
        QFile file(services.printerOutput);
        if (!file.open(QIODevice::ReadOnly)) return 0;
        const QString text = QString::fromLatin1(file.readAll());
        return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
    }
};

// The first sheet of a PDF rasterised at `dpi` by pdftoppm; a null image when that fails.
QImage RasterisedSheet(const QString& pdf, int dpi) {
    QTemporaryDir out;
    const QString base = out.filePath(QStringLiteral("sheet"));
    QProcess pdftoppm;
    pdftoppm.start(QStringLiteral("pdftoppm"),
                   {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                    QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
                    QStringLiteral("-l"), QStringLiteral("1"), pdf, base});
    if (!pdftoppm.waitForFinished(60000) || pdftoppm.exitCode() != 0) return {};
    return QImage(base + QStringLiteral(".png"));
}

// The smallest rectangle holding every pixel within `tolerance` of colour c in each channel.
QRect Locate(const QImage& sheet, QColor c, int tolerance = 40) {
    QRect found;
    for (int y = 0; y < sheet.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
        for (int x = 0; x < sheet.width(); ++x)
            if (std::abs(qRed(row[x]) - c.red()) <= tolerance &&
                std::abs(qGreen(row[x]) - c.green()) <= tolerance &&
                std::abs(qBlue(row[x]) - c.blue()) <= tolerance)
                found |= QRect(x, y, 1, 1);
    }
    return found;
}

// The photo on a sheet rasterised at 300 dots per inch lies where the preview shows it, within
// one pixel on every edge.
void ExpectPlace(const QRect& found, const QRectF& expected) {
    EXPECT_NEAR(found.left(), expected.left(), 1.0);
    EXPECT_NEAR(found.top(), expected.top(), 1.0);
    EXPECT_NEAR(found.right() + 1, expected.right(), 1.0);
    EXPECT_NEAR(found.bottom() + 1, expected.bottom(), 1.0);
}

const QColor kPhotoRed(200, 30, 40);

} // namespace

class PrintAtResolution : public PrintTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Dpi, PrintAtResolution, ::testing::Values(300, 600, 1200));

// The recorded page is in the page description's dots; a printer of any resolution must carry
// the photo at the place and size the preview shows, with or without Print Setup.
TEST_P(PrintAtResolution, TheSheetCarriesThePhotoWhereThePreviewShowsIt) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    services.printerResolution = GetParam();
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(kPhotoRed);
    OpenImage(photo);
    w.Actions().actPrintPreview->trigger();
    const TJvDeviceInfo defaults;
    ASSERT_EQ(w.PrintPreviewControl()->DeviceInfo(), defaults);

    services.printAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    // The printer's A4 sheet takes the default page as it is.
    EXPECT_EQ(w.PrintPreviewControl()->DeviceInfo(), defaults);
    QImage sheet = RasterisedSheet(services.printerOutput, 300);
    ASSERT_FALSE(sheet.isNull()) << "pdftoppm could not read the printed file";
    EXPECT_NEAR(sheet.width(), 2480, 1);
    ExpectPlace(Locate(sheet, kPhotoRed), PreviewPlace(400, 300, 300));

    // After Print Setup the page is the printer's, with half-inch margins.
    w.Actions().actPrintSetup->trigger();
    ASSERT_EQ(w.PrintPreviewControl()->DeviceInfo().LogPixelsX, GetParam());
    services.printAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    sheet = RasterisedSheet(services.printerOutput, 300);
    ASSERT_FALSE(sheet.isNull());
    const QRectF expected = PreviewPlace(400, 300, 300);
    EXPECT_NEAR(expected.left(), 150, 1); // half an inch
    ExpectPlace(Locate(sheet, kPhotoRed), expected);
}

TEST_F(PrintTest, ThePageFollowsThePaperChosenInThePrintDialog) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    services.printerResolution = 600;
    QImage photo(300, 400, QImage::Format_RGB32);
    photo.fill(kPhotoRed);
    OpenImage(photo);
    w.Actions().actPrintPreview->trigger();
    // The user picks US Letter in the dialog: the page is read from the printer again and the
    // preview rebuilt, so the sheet and the preview agree.
    services.CurrentPrinter().setPageSize(QPageSize(QPageSize::Letter));
    services.printAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    ASSERT_TRUE(services.messages.empty());
    const TJvDeviceInfo& info = w.PrintPreviewControl()->DeviceInfo();
    EXPECT_EQ(info.LogPixelsX, 600);
    EXPECT_NEAR(info.PhysicalWidth, 5100, 1);
    EXPECT_NEAR(info.PhysicalHeight, 6600, 1);
    EXPECT_EQ(info.OffsetLeft, 300);
    EXPECT_EQ(w.PrintPreviewControl()->Page(0).Width(), info.PhysicalWidth);
    const QImage sheet = RasterisedSheet(services.printerOutput, 300);
    ASSERT_FALSE(sheet.isNull());
    EXPECT_NEAR(sheet.width(), 2550, 1);
    ExpectPlace(Locate(sheet, kPhotoRed), PreviewPlace(300, 400, 300));
}

TEST_F(PrintTest, WithoutAPrinterPrintSavesTheSamePageAsAPdfFile) {
    TfrmMain& w = *window;
    QImage photo(400, 300, QImage::Format_RGB32);
    photo.fill(kPhotoRed);
    OpenImage(photo);
    services.pdfFile = QString::fromStdString(dir.File("card.pdf"));

    // From the edit page Print shows the preview first, as with a printer.
    w.Actions().actPrint->trigger();
    EXPECT_EQ(w.CentrePageIndex(), plPrintPreview);
    EXPECT_TRUE(services.pdfRequests.empty());
    w.Actions().actPrint->trigger(); // "Save as PDF…" cancelled
    ASSERT_EQ(services.pdfRequests.size(), 1u);
    EXPECT_TRUE(services.pdfRequests[0].pageNumbers);
    EXPECT_EQ(services.pdfRequests[0].toPage, 1);
    EXPECT_EQ(services.pdfProposals[0].toStdString(), dir.File("photo.pdf"));
    EXPECT_TRUE(services.printRequests.empty());
    EXPECT_FALSE(QFile::exists(services.pdfFile));

    PrintDialogResult job;
    job.copies = 2;
    services.pdfAnswers.push_back(job);
    w.Actions().actPrint->trigger();
    EXPECT_TRUE(services.messages.empty());
    services.printerOutput = services.pdfFile; // PrintedSheets reads this file
    EXPECT_EQ(PrintedSheets(), 2);
    const QImage sheet = RasterisedSheet(services.pdfFile, 300);
    ASSERT_FALSE(sheet.isNull());
    ExpectPlace(Locate(sheet, kPhotoRed), PreviewPlace(400, 300, 300));

    // Print Setup has nothing to set up without a printer.
    w.Actions().actPrintSetup->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "You can print after install the printer!");
}

TEST_F(PrintTest, AJobThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    TfrmMain& w = *window;
    OpenPhoto(40, 30);
    w.Actions().actPrintPreview->trigger();
    const std::string target = dir.File("missing/card.pdf");
    services.pdfFile = QString::fromStdString(target);
    services.pdfAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Cannot create file \"" + target + "\". No such file or directory.");
    // The printer is left writing the chosen file, not the temporary one.
    EXPECT_EQ(services.PdfPrinter().outputFileName(), services.pdfFile);

    // An existing PDF is replaced only by a whole new one.
    services.pdfFile = QString::fromStdString(dir.File("card.pdf"));
    test::WriteText(dir.File("card.pdf"), "old");
    services.pdfAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    EXPECT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(test::ReadText(dir.File("card.pdf")).substr(0, 5), "%PDF-");
}

// The picture is decided once, by Print Preview, with the edit page's pending edits committed;
// a rebuild for the printer and Save from the print preview keep it.
TEST_F(PrintTest, ThePreviewsPictureIsKeptForRebuildsAndForSave) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(kPhotoRed);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 10; ++x)
            photo.setPixel(x, y, qRgb(0, 0, 255));
    OpenImage(photo);
    w.EditPanels()->spEditFiph->click(); // blue now on the right, not yet committed
    ASSERT_TRUE(w.Document().EditDirty());
    const TBitmap32 flipped = w.EditView()->Picture();
    ASSERT_EQ(flipped.Pixel(39, 0), 0xFF0000FFu);

    w.Actions().actPrintPreview->trigger();
    EXPECT_FALSE(w.Document().EditDirty());
    const auto itemPicture = [&] {
        return BitmapOf(w.PrintPreviewRenderer()->Items.at(0).Picture);
    };
    EXPECT_TRUE(SamePixels(itemPicture(), flipped));
    // The preview page still shows the photo as opened: a rebuild must not take it.
    ASSERT_FALSE(SamePixels(w.PreviewView()->Picture(), flipped));

    w.Actions().actPrintSetup->trigger();
    EXPECT_EQ(services.printerSetups, 1);
    EXPECT_TRUE(SamePixels(itemPicture(), flipped));
    w.PrintOptionPanel()->btnprintSetup->click();
    EXPECT_EQ(services.printerSetups, 2);
    EXPECT_TRUE(SamePixels(itemPicture(), flipped));
    EXPECT_EQ(w.PrintPreviewControl()->DeviceInfo().LogPixelsX, services.printerResolution);

    const std::string saved = dir.File("saved.bmp");
    services.saveAnswers.push_back(FileDialogResult{QString::fromStdString(saved), 2});
    w.Actions().actSaveFile->trigger();
    ASSERT_TRUE(services.messages.empty()) << services.messages[0].text.toStdString();
    const auto bytes = test::ReadBytes(saved);
    TBitmap32 back;
    LoadPictureData(back, bytes.data(), bytes.size(), "bmp", saved);
    EXPECT_TRUE(SamePixels(back, flipped));
}

TEST_F(PrintTest, TransparentAreasPrintAsWhitePaper) {
    TfrmMain& w = *window;
    services.printerCount = 1;
    QImage photo(40, 30, QImage::Format_ARGB32);
    photo.fill(QColor(0, 0, 0, 0)); // transparent black
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 30; ++x)
            photo.setPixel(x, y, kPhotoRed.rgb());
    OpenImage(photo);
    ASSERT_EQ(AlphaComponent(w.Document().EditedPhoto().Pixel(0, 0)), 0); // kept in memory
    w.Actions().actPrintPreview->trigger();
    const QImage& page = w.PrintPreviewRenderer()->Items.at(0).Picture;
    EXPECT_EQ(page.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(15, 15), kPhotoRed.rgb());
    EXPECT_EQ(AlphaComponent(w.Document().EditedPhoto().Pixel(0, 0)), 0);

    services.printAnswers.push_back(PrintDialogResult{});
    w.Actions().actPrint->trigger();
    const QImage sheet = RasterisedSheet(services.printerOutput, 100);
    ASSERT_FALSE(sheet.isNull());
    // Nothing dark anywhere: the transparent black never reaches the paper.
    EXPECT_TRUE(Locate(sheet, QColor(0, 0, 0), 60).isEmpty());
    EXPECT_FALSE(Locate(sheet, kPhotoRed).isEmpty());
}

TEST_F(PrintTest, WithoutAPrinterSetupSaysHowToGetOne) {
    TfrmMain& w = *window;
    EXPECT_TRUE(w.Actions().actPrintSetup->isEnabled());
    EXPECT_FALSE(w.Actions().actPrint->isEnabled());
    w.Actions().actPrintSetup->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(), "You can print after install the printer!");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(services.printerSetups, 0);

    // The preview needs no printer.
    OpenPhoto(40, 30);
    w.Actions().actPrintPreview->trigger();
    EXPECT_EQ(services.messages.size(), 1u);
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
