// The Tools and Help commands: object pack import, the options dialog, the log viewer, the
// manual, the vendor's pages and the About box. Modal dialogs are driven from inside their own
// event loop, the way a user would meet them.
#include "LumettaBuild.h"
#include "guisupport/ScriptedPlatformServices.h"
#include "support/TestSupport.h"
#include "tools/ObjectPack.h"
#include "tools/Settings.h"
#include "ui/AboutDialog.h"
#include "ui/ImportDialog.h"
#include "ui/LogViewer.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/PrintJob.h"
#include "ui/WelcomeView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <utility>

using namespace lumetta;
using namespace lumetta::ui;
using lumetta::test::TempDir;

namespace {

class ToolsTest : public ::testing::Test {
protected:
    TempDir dir;   // the program folder
    TempDir other; // where packs and exports go
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

    // Once the command has opened its modal dialog of type D, runs `body` on it, then closes
    // the dialog if it is still open, so a failed expectation never leaves a test waiting.
    template <class D, class F> void OnModal(F body) {
        QTimer::singleShot(0, [body] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "the expected dialog is not showing";
                return;
            }
            body(*dialog);
            if (dialog->isVisible()) dialog->reject();
        });
    }

    // A welcome picture of one colour in ExeDir/Desktop.
    void WriteDesktopPicture(const std::string& name, QRgb colour) {
        std::filesystem::create_directories(dir.Path() / "Desktop");
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(QString::fromStdString(dir.File("Desktop/" + name)), "BMP"));
    }

    static QRgb WelcomeColour(const TfrmMain& w) {
        const TBitmap32& picture = w.WelcomePage()->Picture();
        return picture.Empty() ? 0 : QRgb(picture.Pixel(0, 0)) & 0xFFFFFF;
    }
};

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// ---------------------------------------------------------------- Import Objects

TEST_F(ToolsTest, ImportUnpacksIntoTheProgramFolderRecordsTheVersionAndEndsTheProgram) {
    TfrmMain& w = Start();
    std::filesystem::create_directories(dir.Path() / "Data");
    test::WriteText(ExeDir() + "Data/Frame1.jpg", "old contents");
    TObjectPackWriter writer;
    writer.Add("", "library.phi", Bytes("[Frames]"));
    writer.Add("Data", "Frame1.jpg", Bytes("replaced"));
    writer.Add("Data", "Frame7.jpg", std::vector<std::uint8_t>(3000, 7));
    writer.Add("Desktop", "MainBg9.bmp", {});
    const std::string pack = other.File("frames_v3.psp");
    writer.Save(pack);

    services.messageAnswers.push_back(MessageResult::Yes);
    std::vector<std::pair<int, int>> progress; // (position, maximum)
    bool imported = false;
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        EXPECT_EQ(d.windowTitle().toStdString(), "Import Object");
        EXPECT_EQ(d.ProgressDonw->value(), 0);
        QObject::connect(d.ProgressDonw, &QProgressBar::valueChanged, [&](int value) {
            progress.emplace_back(value, d.ProgressDonw->maximum());
        });
        d.edtSelFile->setText(QString::fromStdString(pack));
        d.btnImport->click();
        imported = true;
    });
    w.Actions().actAddObject->trigger();
    ASSERT_TRUE(imported);

    EXPECT_EQ(test::ReadText(ExeDir() + "library.phi"), "[Frames]");
    EXPECT_EQ(test::ReadText(ExeDir() + "Data/Frame1.jpg"), "replaced");
    EXPECT_EQ(test::ReadBytes(ExeDir() + "Data/Frame7.jpg").size(), 3000u);
    EXPECT_EQ(Settings().PspVer, "3");

    // The bar runs to full for each file in pieces of at most 1024 bytes, then returns to 0.
    ASSERT_FALSE(progress.empty());
    EXPECT_NE(std::find(progress.begin(), progress.end(), std::make_pair(2048, 3000)),
              progress.end());
    EXPECT_NE(std::find(progress.begin(), progress.end(), std::make_pair(3000, 3000)),
              progress.end());
    EXPECT_EQ(progress.back().first, 0);
    for (const auto& [position, maximum] : progress)
        EXPECT_GE(maximum, 1) << "a bar without a range shows as busy";
    EXPECT_TRUE(test::ReadText(ExeDir() + "Desktop/MainBg9.bmp").empty());

    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Object Import has completed.\r\n\r\nPlease restart the program.");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(services.messages[0].buttons, MessageButtons::Yes);

    // Yes ends the program the normal way: the window closed and the settings were written.
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.ExitSequenceDone());
    EXPECT_NE(test::ReadText(ExeDir() + "Setup.ini").find("PspVer=3"), std::string::npos);
}

TEST_F(ToolsTest, ImportOfAnEmptyPackCompletesAndTheDialogStaysWhenNotAnsweredYes) {
    TfrmMain& w = Start();
    const std::string pack = other.File("x_v.psp");
    test::WriteText(pack, "");
    bool stillOpen = false;
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        d.edtSelFile->setText(QString::fromStdString(pack));
        d.btnImport->click(); // the box is closed without Yes
        stillOpen = d.isVisible();
        d.btnClose->click();
        EXPECT_FALSE(d.isVisible());
    });
    w.Actions().actAddObject->trigger();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(Settings().PspVer, "."); // the character after "_v"
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ToolsTest, ImportOfAMissingPathDoesNothingAndADamagedPackReportsAndKeepsTheVersion) {
    TfrmMain& w = Start();
    TObjectPackWriter writer;
    writer.Add("Data", "good.jpg", Bytes("fine"));
    writer.Add("Data", "bad.jpg", Bytes("this stream will be damaged"));
    std::vector<std::uint8_t> bytes = writer.Bytes();
    bytes[bytes.size() - 6] ^= 0xFF; // inside the last record's deflate data
    const std::string pack = other.File("broken_v4.psp");
    test::WriteBytes(pack, bytes);

    bool stayed = false;
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        d.edtSelFile->setText(QString::fromStdString(other.File("nothing_v9.psp")));
        d.btnImport->click();
        d.edtSelFile->clear();
        d.btnImport->click();
        EXPECT_TRUE(services.messages.empty());

        d.edtSelFile->setText(QString::fromStdString(pack));
        d.btnImport->click();
        stayed = d.isVisible();
    });
    w.Actions().actAddObject->trigger();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(), "zlib returned: data error.");
    EXPECT_EQ(Settings().PspVer, "0");
    EXPECT_EQ(test::ReadText(ExeDir() + "Data/good.jpg"), "fine"); // no roll-back
    EXPECT_FALSE(std::filesystem::exists(ExeDir() + "Data/bad.jpg"));
}

// A pack may not put anything but library content into the program folder: one foreign file
// and nothing at all is imported.
TEST_F(ToolsTest, ImportRefusesAPackThatWouldReplaceTheProgramOrItsSettings) {
    TfrmMain& w = Start();
    test::WriteText(ExeDir() + "Setup.ini", "[Setup]\nWinWidth=800\n");
    TObjectPackWriter writer;
    writer.Add("Data", "Frame1.jpg", Bytes("fine"));
    writer.Add("", "Setup.ini", Bytes("[Setup]\nWinWidth=1\n"));
    const std::string pack = other.File("evil_v2.psp");
    writer.Save(pack);
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        d.edtSelFile->setText(QString::fromStdString(pack));
        d.btnImport->click();
        d.btnClose->click();
    });
    w.Actions().actAddObject->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "The object pack holds \"Setup.ini\", which is not part of an object library; "
              "nothing was imported.");
    EXPECT_EQ(test::ReadText(ExeDir() + "Setup.ini"), "[Setup]\nWinWidth=800\n");
    EXPECT_FALSE(std::filesystem::exists(ExeDir() + "Data/Frame1.jpg"));
    EXPECT_EQ(Settings().PspVer, "0");
}

// The bar is repainted when its percentage moves, not for every 1 KB piece.
TEST_F(ToolsTest, ImportMovesTheBarOnlyWhenItsPercentageChanges) {
    TfrmMain& w = Start();
    TObjectPackWriter writer;
    writer.Add("Data", "FrameBig.jpg", std::vector<std::uint8_t>(1000 * 1024, 3));
    const std::string pack = other.File("big_v1.psp");
    writer.Save(pack);
    services.messageAnswers.push_back(MessageResult::No);
    int changes = 0;
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        QObject::connect(d.ProgressDonw, &QProgressBar::valueChanged, [&](int) { ++changes; });
        d.edtSelFile->setText(QString::fromStdString(pack));
        d.btnImport->click();
        d.btnClose->click();
    });
    w.Actions().actAddObject->trigger();
    EXPECT_EQ(test::ReadBytes(ExeDir() + "Data/FrameBig.jpg").size(), 1000u * 1024);
    EXPECT_LE(changes, 102); // 0 .. 100 per cent, then back to 0
    EXPECT_GE(changes, 50);
}

TEST_F(ToolsTest, ImportBrowseFillsThePathAndDownloadOpensThePackPage) {
    TfrmMain& w = Start();
    Settings().PspVer = "7";
    const QString chosen = QString::fromStdString(other.File("my pack_v2.psp"));
    services.openAnswers.push_back(FileDialogResult{chosen, 0});
    OnModal<TfrmAddObject>([&](TfrmAddObject& d) {
        d.btnSelFile->click();
        EXPECT_EQ(d.edtSelFile->text(), chosen); // no quotes around a name with a space
        d.btnDown->click();
        EXPECT_TRUE(d.isVisible());
    });
    w.Actions().actAddObject->trigger();
    ASSERT_EQ(services.openRequests.size(), 1u);
    EXPECT_EQ(services.openRequests[0].title.toStdString(), "Select File");
    EXPECT_EQ(services.openRequests[0].filters, QStringList{"Lumetta Pack (*.PSP)"});
    ASSERT_EQ(services.openedUrls.size(), 1u);
    EXPECT_EQ(services.openedUrls[0].toStdString(),
              "https://lumetta.example.org/downpspack.php?VER=7");
}

// ---------------------------------------------------------------- Standard Option

TEST_F(ToolsTest, OptionsOpenWithTheStoredValuesAndLimitTheQuality) {
    TfrmMain& w = Start();
    Settings().JpgCompressVar = 80;
    Settings().JpgCompress = false;
    Settings().DesktopColor = 0x563412;
    {
        TfrmOption d(w.DialogContext());
        EXPECT_EQ(d.windowTitle().toStdString(), "Standard Option");
        EXPECT_EQ(d.SpinCompress->value(), 80);
        EXPECT_EQ(d.lbQualityValue->text().toStdString(), "80%");
        EXPECT_FALSE(d.cbJpgCompress->isChecked());
        EXPECT_EQ(d.spDesktopColor->Color(), QColor(0x12, 0x34, 0x56));
        EXPECT_EQ(d.cbDesktopImage->currentText().toStdString(), "MainBg1.bmp");
        ASSERT_EQ(d.cbDesktopImage->count(), 3);
        EXPECT_EQ(d.cbDesktopImage->itemText(2).toStdString(), "MainBG3.bmp");
        EXPECT_EQ(d.imgLeft->pixmap().size(), QSize(80, 210));
        d.SpinCompress->setValue(35);
        EXPECT_EQ(d.lbQualityValue->text().toStdString(), "35%");
    }
    for (const auto& [stored, shown] : {std::pair{150, 100}, std::pair{-4, 0}}) {
        Settings().JpgCompressVar = stored;
        TfrmOption d(w.DialogContext());
        EXPECT_EQ(d.SpinCompress->value(), shown);
        EXPECT_EQ(d.lbQualityValue->text().toStdString(), std::to_string(shown) + "%");
        d.btnSave->click();
        EXPECT_EQ(Settings().JpgCompressVar, shown);
        EXPECT_FALSE(d.isVisible());
    }
}

TEST_F(ToolsTest, OptionsColourPreviewsAtOnceSaveStoresItAndCloseRestoresTheWelcomePage) {
    WriteDesktopPicture("MainBG1.bmp", 0x102030);
    WriteDesktopPicture("MainBG2.bmp", 0x405060);
    TfrmMain& w = Start();
    EXPECT_EQ(WelcomeColour(w), 0x102030u); // "MainBg1.bmp" found whatever its case

    // Colour and picture previewed, then Close: the stored ones come back.
    services.colorAnswers.push_back(QColor(0x12, 0x34, 0x56));
    services.colorAnswers.push_back(std::nullopt);
    {
        TfrmOption d(w.DialogContext());
        d.spDesktopColorMouseDown();
        EXPECT_EQ(w.WelcomePage()->Background(), QColor(0x12, 0x34, 0x56));
        d.spDesktopColorMouseDown(); // cancelled: nothing changes
        EXPECT_EQ(d.spDesktopColor->Color(), QColor(0x12, 0x34, 0x56));
        EXPECT_EQ(w.WelcomePage()->Background(), QColor(0x12, 0x34, 0x56));
        d.cbDesktopImage->setCurrentIndex(1);
        EXPECT_EQ(WelcomeColour(w), 0x405060u);
        d.btnCancel->click();
    }
    ASSERT_EQ(services.colorStarts.size(), 2u);
    EXPECT_EQ(services.colorStarts[0], QColor(Qt::black)); // black the first time
    EXPECT_EQ(services.colorStarts[1], QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(w.WelcomePage()->Background(), QColor(Qt::white));
    EXPECT_EQ(WelcomeColour(w), 0x102030u);
    EXPECT_EQ(Settings().DesktopColor, 16777215);
    EXPECT_EQ(Settings().DesktopBg, "MainBg1.bmp");
    EXPECT_TRUE(services.messages.empty());

    // The same, then Save: stored in the platform's 0x00BBGGRR form; the page keeps it.
    services.colorAnswers.push_back(QColor(0x12, 0x34, 0x56));
    {
        TfrmOption d(w.DialogContext());
        d.spDesktopColor->pressed();
        d.btnSave->click();
    }
    EXPECT_EQ(Settings().DesktopColor, 0x563412);
    EXPECT_EQ(w.WelcomePage()->Background(), QColor(0x12, 0x34, 0x56));

    // The title bar's close box neither stores nor restores: the preview stays.
    services.colorAnswers.push_back(QColor(Qt::green));
    {
        TfrmOption d(w.DialogContext());
        d.show();
        d.spDesktopColorMouseDown();
        d.close();
    }
    EXPECT_EQ(Settings().DesktopColor, 0x563412);
    EXPECT_EQ(w.WelcomePage()->Background(), QColor(Qt::green));
}

TEST_F(ToolsTest, OptionsTypedPictureNamesPreviewWhenTheyExistAndAreStoredAsTyped) {
    WriteDesktopPicture("MainBG1.bmp", 0x102030);
    WriteDesktopPicture("Sunset.BMP", 0x708090);
    TfrmMain& w = Start();
    TfrmOption d(w.DialogContext());
    d.cbDesktopImage->setEditText("missing.bmp");
    EXPECT_EQ(WelcomeColour(w), 0x102030u);
    d.cbDesktopImage->setEditText("sunset.bmp");
    EXPECT_EQ(WelcomeColour(w), 0x708090u);
    d.cbDesktopImage->setEditText("missing.bmp");
    EXPECT_EQ(WelcomeColour(w), 0x708090u);
    d.btnSave->click();
    EXPECT_EQ(Settings().DesktopBg, "missing.bmp");
    EXPECT_EQ(WelcomeColour(w), 0x708090u);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ToolsTest, StandardOptionShowsTheWelcomePageAndCloseReportsAMissingStoredPicture) {
    TfrmMain& w = Start();
    w.findChild<QStackedWidget*>("PageListMain")->setCurrentIndex(plPrintPreview);
    Settings().DesktopBg = "Gone.bmp";
    services.colorAnswers.push_back(QColor(Qt::red));
    bool closed = false;
    OnModal<TfrmOption>([&](TfrmOption& d) {
        EXPECT_EQ(w.CentrePageIndex(), int(plWelcome));
        d.spDesktopColorMouseDown();
        d.btnCancel->click();
        closed = !d.isVisible();
    });
    w.Actions().actStandardOption->trigger();
    EXPECT_TRUE(closed);
    EXPECT_EQ(w.WelcomePage()->Background(), QColor(Qt::white));
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(services.messages[0].text.left(17).toStdString(), "Cannot open file ");
    EXPECT_TRUE(services.messages[0].text.contains("Gone.bmp"));
}

// ---------------------------------------------------------------- Show Logs

class LogViewerTest : public ToolsTest {
protected:
    void SetUp() override {
        test::WriteText(
            ExeDir() + "Log.dat",
            "junk[12:00]A>>B>C>D\r\n[t]only title\nno bracket\r\n[09:30]caf\xe9>ok\r\n");
    }
};

TEST_F(LogViewerTest, ListsTheRecordsInThreeColumns) {
    TfrmMain& w = Start();
    TFoLog viewer(w.DialogContext(), w.EventLog().Records());
    EXPECT_EQ(viewer.windowTitle().toStdString(), "Show Logs");
    EXPECT_EQ(viewer.size(), QSize(421, 375));
    EXPECT_EQ(viewer.minimumSize(), QSize(300, 300));
    QTableWidget& list = *viewer.ListView;
    ASSERT_EQ(list.columnCount(), 3);
    const char* headers[] = {"Time", "Title", "Description"};
    const int widths[] = {115, 120, 150};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(list.horizontalHeaderItem(c)->text().toStdString(), headers[c]);
        EXPECT_EQ(list.columnWidth(c), widths[c]);
    }
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.item(0, 1)->text().toStdString(), "A>B");
    EXPECT_EQ(list.item(0, 2)->text().toStdString(), "C>D");
    EXPECT_EQ(list.item(1, 2)->text().toStdString(), "");
    EXPECT_EQ(list.item(2, 1)->text(), QString::fromUtf8("caf\u00e9")); // single-byte text
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(viewer.actSave->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(viewer.actPrint->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(viewer.ExportLines().first().toStdString(), "[12:00] A>B > C>D");
}

TEST_F(LogViewerTest, SaveWritesCsvOrTheLogsOwnLinesAsTheNameAsks) {
    TfrmMain& w = Start();
    TFoLog viewer(w.DialogContext(), w.EventLog().Records());
    const auto answer = [&](const std::string& name, int filter) {
        services.saveAnswers.push_back(
            FileDialogResult{QString::fromStdString(other.File(name)), filter});
        viewer.SaveClick();
    };
    answer("a", 0);     // no extension: the selected type's
    answer("b", 1);     // the log's own lines
    answer("c.dat", 0); // a typed extension chooses
    answer("d.txt", 0); // another extension: the selected type's is appended
    services.saveAnswers.push_back(std::nullopt);
    viewer.SaveClick();

    const std::string csv = "Time,Title,Description\r\n"
                            "12:00,A>B,C>D\r\n"
                            "t,only title,\r\n"
                            "09:30,caf\xe9,ok\r\n";
    const std::string log = "[12:00]A>>B>C>D\r\n[t]only title>\r\n[09:30]caf\xe9>ok\r\n";
    EXPECT_EQ(test::ReadText(other.File("a.csv")), csv);
    EXPECT_EQ(test::ReadText(other.File("b.dat")), log);
    EXPECT_EQ(test::ReadText(other.File("c.dat")), log);
    EXPECT_EQ(test::ReadText(other.File("d.txt.csv")), csv);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other.Path()),
                            std::filesystem::directory_iterator{}),
              4);
    ASSERT_EQ(services.saveRequests.size(), 5u);
    EXPECT_EQ(services.saveRequests[0].defaultSuffix.toStdString(), "csv");
    EXPECT_EQ(services.saveRequests[0].filters,
              (QStringList{"CSV File (*.csv)", "Log File (*.dat)"}));
    EXPECT_TRUE(services.saveRequests[0].suffixFollowsFilter);
    ASSERT_TRUE(services.saveRequests[0].finalName);
    EXPECT_EQ(services.saveRequests[0].finalName("/x/e", 1).toStdString(), "/x/e.dat");
}

TEST_F(LogViewerTest, TheTimeColumnShowsWholeTimestamps) {
    const std::string stamp = "2024-05-01 12:00:07.123456 +02:00 (summer time)";
    test::WriteText(ExeDir() + "Log.dat", "[" + stamp + "]Start>ok\r\n");
    TfrmMain& w = Start();
    TFoLog viewer(w.DialogContext(), w.EventLog().Records());
    QTableWidget& list = *viewer.ListView;
    EXPECT_GE(list.columnWidth(0),
              list.fontMetrics().horizontalAdvance(QString::fromStdString(stamp)));
    EXPECT_EQ(list.columnWidth(1), 120);
}

TEST_F(LogViewerTest, PrintGoesThroughThePrintDialogOrToAPdfFile) {
    TfrmMain& w = Start();
    services.saveAnswers.push_back(
        FileDialogResult{QString::fromStdString(other.File("no/such/folder/x.csv")), 0});
    services.pdfFile = QString::fromStdString(other.File("log.pdf"));
    services.printerOutput = QString::fromStdString(other.File("printed.pdf"));
    bool open = false;
    OnModal<TFoLog>([&](TFoLog& viewer) {
        viewer.actSave->trigger();  // fails: reported, the viewer stays
        viewer.actPrint->trigger(); // no printer: "Save as PDF…", cancelled
        services.pdfAnswers.push_back(PrintDialogResult{});
        viewer.actPrint->trigger(); // writes log.pdf
        services.printerCount = 1;
        PrintDialogResult twice;
        twice.copies = 2;
        services.printAnswers.push_back(twice);
        viewer.actPrint->trigger(); // the print dialog on the current printer
        open = viewer.isVisible();
    });
    w.Actions().actShowLogs->trigger();
    EXPECT_TRUE(open);
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_TRUE(services.messages[0].text.startsWith("Cannot create file "));
    EXPECT_EQ(services.pdfRequests.size(), 2u);
    EXPECT_EQ(services.pdfProposals[0], QDir::home().filePath("Log.pdf"));
    ASSERT_EQ(services.printRequests.size(), 1u);
    EXPECT_FALSE(services.printRequests[0].pageNumbers);
    const auto sheets = [](const std::string& path) {
        const std::string text = test::ReadText(path);
        return QString::fromLatin1(text.data(), qsizetype(text.size()))
            .count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])")));
    };
    EXPECT_EQ(sheets(other.File("log.pdf")), 1);
    EXPECT_EQ(sheets(other.File("printed.pdf")), 2);
}

TEST(PrintPlainText, WrapsLongLinesAndStartsNewSheetsAsTheLinesFillThem) {
    TempDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setOutputFileName(QString::fromStdString(dir.File("log.pdf")));
    const auto lines = [](int count) {
        QStringList lines;
        for (int i = 0; i < count; ++i)
            lines << QStringLiteral("[%1] line > text").arg(i);
        return lines;
    };
    EXPECT_EQ(LayOutTextPages(printer, {}).size(), 1u);
    EXPECT_EQ(LayOutTextPages(printer, lines(3)).size(), 1u);
    const std::size_t many = LayOutTextPages(printer, lines(400)).size();
    EXPECT_GT(many, 1u);
    EXPECT_LT(many, 40u);

    // A line far wider than the page is wrapped, at spaces where it has them and anywhere in a
    // word longer than the page; nothing is lost.
    const QString wide = QStringLiteral("[12:00] Import > ") + QString(60, QLatin1Char('w')) +
                         QStringLiteral(" ") + QStringLiteral("word ").repeated(80);
    const std::vector<QStringList> pages = LayOutTextPages(printer, {wide, QString()});
    ASSERT_EQ(pages.size(), 1u);
    const QStringList& rows = pages[0];
    ASSERT_GT(rows.size(), 3);
    EXPECT_EQ(rows.last(), QString());
    EXPECT_EQ(rows.mid(0, rows.size() - 1).join(QString()), wide);
    const QFontMetrics metrics(QFont(QFont(), &printer), &printer);
    const int width = printer.pageRect(QPrinter::DevicePixel).toAlignedRect().width() -
                      printer.resolution(); // half an inch kept on each side
    for (const QString& row : rows)
        EXPECT_LE(metrics.horizontalAdvance(row.trimmed()), width) << row.toStdString();

    PrintDialogResult job;
    job.copies = 3;
    job.collate = true;
    EXPECT_EQ(PrintPlainText(printer, lines(3), job), 1);
    EXPECT_GT(std::filesystem::file_size(dir.File("log.pdf")), 0u);
}

TEST(LogText, ShowsUtf8AsSuchAndOtherBytesAsLatin1) {
    EXPECT_EQ(LogText("caf\xc3\xa9"), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(LogText("caf\xe9"), QString::fromUtf8("caf\u00e9"));
    EXPECT_EQ(LogText(""), QString());
}

// ---------------------------------------------------------------- Help and links

TEST_F(ToolsTest, LinksOpenTheVendorsPagesWithTheVersionAndThePackVersionUnchanged) {
    TfrmMain& w = Start();
    w.Actions().actHomePage->trigger();
    w.Actions().CheckUpdate1->trigger();
    w.Actions().actDownloadObject->trigger();
    Settings().PspVer = "x&";
    w.Actions().actDownloadObject->trigger();
    ASSERT_EQ(services.openedUrls.size(), 4u);
    EXPECT_EQ(services.openedUrls[0].toStdString(),
              std::string("https://lumetta.example.org/?ty=lumetta&ver=") + kLumettaVersion);
    EXPECT_EQ(services.openedUrls[1], services.openedUrls[0]);
    EXPECT_EQ(services.openedUrls[2].toStdString(),
              "https://lumetta.example.org/downpspack.php?VER=0");
    EXPECT_EQ(services.openedUrls[3].toStdString(),
              "https://lumetta.example.org/downpspack.php?VER=x&");
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(ToolsTest, WithoutAHandlerTheManualAndTheLinksSaySo) {
    TfrmMain& w = Start();
    services.openUrlFailure = "no web browser is installed";
    w.Actions().actHomePage->trigger();
    ASSERT_EQ(services.messages.size(), 1u);
    EXPECT_EQ(services.messages[0].text.toStdString(),
              "Cannot open https://lumetta.example.org/?ty=lumetta&ver=2.3: no web browser is "
              "installed.");
    EXPECT_EQ(services.messages[0].icon, MessageIcon::Warning);
    services.openUrlFailure = "no program is installed that can show it";
    w.Actions().actHelpManual->trigger();
    ASSERT_EQ(services.messages.size(), 2u);
    EXPECT_EQ(services.messages[1].text.toStdString(),
              "Cannot open manual.html: no program is installed that can show it.");
    // The real services: a file that is not there is reported without asking the desktop.
    QtPlatformServices qt;
    QString reason;
    qt.OpenUrl(QString::fromStdString(ExeDir() + "no-such-help.chm"),
               [&](const QString& why) { reason = why; });
    EXPECT_EQ(reason.toStdString(), "there is no such file");
}

TEST_F(ToolsTest, HelpManualOpensTheCompiledHelpWhenPresentElseTheHtmlManual) {
    TfrmMain& w = Start();
    w.Actions().actHelpManual->trigger();
    test::WriteText(ExeDir() + "help.chm", "ITSF");
    w.Actions().actHelpManual->trigger();
    ASSERT_EQ(services.openedUrls.size(), 2u);
    EXPECT_EQ(services.openedUrls[0].toStdString(), ExeDir() + "manual.html");
    EXPECT_EQ(services.openedUrls[1].toStdString(), ExeDir() + "help.chm");
    // The build ships the manual beside the programs.
    const QString shipped = QCoreApplication::applicationDirPath() + "/manual.html";
    EXPECT_TRUE(QFileInfo(shipped).isFile()) << shipped.toStdString();
}

TEST_F(ToolsTest, AboutShowsNameVersionAndLinks) {
    TfrmMain& w = Start();
    bool shown = false;
    OnModal<TfrmAbout>([&](TfrmAbout& d) {
        shown = true;
        EXPECT_EQ(d.windowTitle().toStdString(), "About");
        EXPECT_EQ(d.lbAppName->text().toStdString(), "Lumetta");
        EXPECT_TRUE(d.lbAppName->font().bold());
        EXPECT_EQ(d.LabelVerT->text().toStdString(), "Version");
        EXPECT_EQ(d.LabelVer->text().toStdString(), kLumettaVersion);
        EXPECT_FALSE(d.lbNotice->text().isEmpty());
        EXPECT_EQ(d.imgLeft->pixmap().size(), QSize(80, 210));
        EXPECT_EQ(d.btnAboutYes->text().toStdString(), "Close");
        emit d.LinkLabelUrl->linkActivated(QStringLiteral("#"));
        emit d.LinkLabelUrlEmail->linkActivated(QStringLiteral("#"));
        d.btnAboutYes->click();
        EXPECT_FALSE(d.isVisible());
    });
    w.Actions().actAboutSoft->trigger();
    EXPECT_TRUE(shown);
    ASSERT_EQ(services.openedUrls.size(), 2u);
    EXPECT_EQ(services.openedUrls[0].toStdString(),
              std::string("https://lumetta.example.org/?ty=lumetta&ver=") + kLumettaVersion);
    EXPECT_EQ(services.openedUrls[1].toStdString(), "mailto:support@lumetta.example.org");
}

} // namespace
