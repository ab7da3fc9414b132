#include "ui/PlatformServices.h"

#include "base/Error.h"
#include "ui/FontDialog.h"
#include "ui/QtTextRasterizer.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

namespace lumetta::ui {

// ---------------------------------------------------------------- Qt

QtPlatformServices::QtPlatformServices() = default;
QtPlatformServices::~QtPlatformServices() = default;

int QtPlatformServices::PrinterCount() {
    return int(QPrinterInfo::availablePrinterNames().size());
}

QPrinter& QtPlatformServices::CurrentPrinter() {
    if (!printer_) {
        QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
            info = QPrinterInfo::availablePrinters().first();
        printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    return *printer_;
}

void QtPlatformServices::PrinterSetupDialog(QWidget* parent) {
    QPageSetupDialog dialog(&CurrentPrinter(), parent);
    dialog.exec();
}

QPrinter& QtPlatformServices::PdfPrinter() {
    if (!pdfPrinter_) {
        pdfPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        pdfPrinter_->setOutputFormat(QPrinter::PdfFormat);
        // A PDF page has no unprintable border.
        pdfPrinter_->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    return *pdfPrinter_;
}

namespace {

// The print dialog on a printer; the job's settings come back, the printer keeps the rest of
// what the user chose (printer, paper, output file).
std::optional<PrintDialogResult> RunPrintDialog(QPrinter& printer, QWidget* parent,
                                                const PrintDialogRequest& request,
                                                const QString& title) {
    QPrintDialog dialog(&printer, parent);
    if (!title.isEmpty()) {
        // The PDF route: the dialog saves a file.
        dialog.setWindowTitle(title);
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                ok->setText(QObject::tr("&Save"));
        }
    }
    printer.setPrintRange(QPrinter::AllPages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, request.pageNumbers);
    if (request.pageNumbers) printer.setFromTo(request.fromPage, request.toPage);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    PrintDialogResult result;
    result.collate = printer.collateCopies();
    result.copies = printer.copyCount();
    result.allPages = printer.printRange() != QPrinter::PageRange;
    result.fromPage = printer.fromPage();
    result.toPage = printer.toPage();
    // The program sends every copy itself; the printer must not multiply them again.
    printer.setCopyCount(1);
    return result;
}

} // namespace

std::optional<PrintDialogResult>
QtPlatformServices::PrintDialog(QWidget* parent, const PrintDialogRequest& request) {
    return RunPrintDialog(CurrentPrinter(), parent, request, QString());
}

std::optional<PrintDialogResult>
QtPlatformServices::SaveAsPdfDialog(QWidget* parent, const PrintDialogRequest& request,
                                    const QString& proposedFile) {
    // Qt's print dialog on its PDF writer offers the file name beside copies and pages.
    QPrinter& printer = PdfPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(proposedFile);
    return RunPrintDialog(printer, parent, request, QObject::tr("Save as PDF\u2026"));
}

MessageResult QtPlatformServices::ShowMessage(QWidget* parent, const QString& caption,
                                              const QString& text, MessageIcon icon,
                                              MessageButtons buttons) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    // The program's texts separate paragraphs with CR LF; Qt breaks lines at LF alone.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box.setText(shown);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* save = nullptr;
    QPushButton* discard = nullptr;
    switch (buttons) {
    case MessageButtons::Ok:
        ok = box.addButton(QMessageBox::Ok);
        break;
    case MessageButtons::Yes:
        yes = box.addButton(QMessageBox::Yes);
        break;
    case MessageButtons::YesNo:
        yes = box.addButton(QMessageBox::Yes);
        no = box.addButton(QMessageBox::No);
        box.setDefaultButton(yes);
        break;
    case MessageButtons::SaveDiscardCancel:
        // Escape and the close box mean Cancel.
        save = box.addButton(QMessageBox::Save);
        save->setText(QObject::tr("&Save"));
        discard = box.addButton(QMessageBox::Discard);
        discard->setText(QObject::tr("&Discard"));
        box.setEscapeButton(box.addButton(QMessageBox::Cancel));
        box.setDefaultButton(save);
        break;
    }
    box.exec();
    auto* clicked = box.clickedButton();
    if (clicked && clicked == yes) return MessageResult::Yes;
    if (clicked && clicked == no) return MessageResult::No;
    if (clicked && clicked == ok) return MessageResult::Ok;
    if (clicked && clicked == save) return MessageResult::Save;
    if (clicked && clicked == discard) return MessageResult::Discard;
    return MessageResult::Cancel;
}

namespace {

// Shows the selected picture beside the file list of a (non-native) file dialog.
void AttachPreview(QFileDialog& dialog, const std::function<QImage(const QString&)>& preview) {
    auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
    if (!layout) return;
    auto* label = new QLabel(&dialog);
    label->setFixedSize(200, 200);
    label->setAlignment(Qt::AlignCenter);
    label->setFrameShape(QFrame::StyledPanel);
    label->setText(QObject::tr("No preview"));
    layout->addWidget(label, 0, layout->columnCount(), layout->rowCount(), 1);
    QObject::connect(
        &dialog, &QFileDialog::currentChanged, label, [label, preview](const QString& path) {
            QImage image;
            if (QFileInfo(path).isFile()) image = preview(path);
            if (image.isNull()) {
                label->setPixmap(QPixmap());
                label->setText(QObject::tr("No preview"));
                return;
            }
            QImage scaled = image.scaled(label->size() - QSize(8, 8), Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation);
            label->setPixmap(QPixmap::fromImage(scaled));
        });
}

// The file dialog, asking its save questions about the name the file will really get: "replace?"
// for an existing file, "create?" for a new one when the request wants it. No stays in the
// dialog.
class TFileDialog : public QFileDialog {
public:
    TFileDialog(QWidget* parent, const FileDialogRequest& request)
        : QFileDialog(parent, request.title, request.startFolder), request_(request) {}

    // The path the dialog was accepted with (the final name for a save).
    QString Chosen() const { return chosen_; }

    void accept() override {
        const QStringList files = selectedFiles();
        if (acceptMode() != AcceptSave || files.isEmpty() || QFileInfo(files.first()).isDir()) {
            chosen_ = files.isEmpty() ? QString() : files.first();
            QFileDialog::accept(); // opens a folder, or accepts an existing file to open
            return;
        }
        const int filter = int(request_.filters.indexOf(selectedNameFilter()));
        const QString path =
            request_.finalName ? request_.finalName(files.first(), filter) : files.first();
        const QFileInfo info(path);
        QString question;
        if (info.exists()) {
            question = QObject::tr("%1 already exists.\nDo you want to replace it?");
        } else if (request_.confirmCreate) {
            question = QObject::tr("%1 does not exist.\nDo you want to create it?");
        }
        if (!question.isEmpty() &&
            QMessageBox::question(this, QObject::tr("Confirm Save As"),
                                  question.arg(info.fileName()), QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::Yes) != QMessageBox::Yes)
            return;
        chosen_ = path;
        setOption(DontConfirmOverwrite, true); // asked above, about the final name
        QFileDialog::accept();
    }

private:
    const FileDialogRequest& request_;
    QString chosen_;
};

std::optional<FileDialogResult> RunFileDialog(QWidget* parent, const FileDialogRequest& request,
                                              QFileDialog::AcceptMode mode) {
    TFileDialog dialog(parent, request);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!request.filters.isEmpty()) {
        dialog.setNameFilters(request.filters);
        if (request.selectedFilter >= 0 && request.selectedFilter < request.filters.size())
            dialog.selectNameFilter(request.filters[request.selectedFilter]);
    }
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    if (request.suffixFollowsFilter) {
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
                static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
                const auto match = pattern.match(filter);
                if (match.hasMatch()) dialog.setDefaultSuffix(match.captured(1));
            });
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (request.preview) AttachPreview(dialog, request.preview);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().isEmpty()) return std::nullopt;
    FileDialogResult result;
    result.path = dialog.Chosen();
    result.selectedFilter = int(request.filters.indexOf(dialog.selectedNameFilter()));
    if (result.selectedFilter < 0) result.selectedFilter = 0;
    return result;
}

} // namespace

std::optional<FileDialogResult> QtPlatformServices::OpenFile(QWidget* parent,
                                                             const FileDialogRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptOpen);
}

std::optional<FileDialogResult> QtPlatformServices::SaveFile(QWidget* parent,
                                                             const FileDialogRequest& request) {
    return RunFileDialog(parent, request, QFileDialog::AcceptSave);
}

std::optional<TFontDesc> QtPlatformServices::ChooseFont(QWidget* parent, const TFontDesc& start) {
    TFontColorDialog dialog(start, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.SelectedFont();
}

std::optional<QColor> QtPlatformServices::ChooseColor(QWidget* parent, const QColor& start) {
    QColor c = QColorDialog::getColor(start, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
}

namespace {

// Why nothing opened the address: what kind of program is missing.
QString NoHandlerReason(const QUrl& url) {
    if (url.isLocalFile()) return QObject::tr("no program is installed that can show it");
    if (url.scheme() == QLatin1String("mailto"))
        return QObject::tr("no e-mail program is installed");
    return QObject::tr("no web browser is installed");
}

} // namespace

void QtPlatformServices::OpenUrl(const QString& urlOrPath,
                                 const std::function<void(const QString&)>& failed) {
    QUrl url(urlOrPath);
    if (url.scheme().isEmpty() || QFileInfo(urlOrPath).isAbsolute())
        url = QUrl::fromLocalFile(urlOrPath);
    if (url.isLocalFile() && !QFileInfo(url.toLocalFile()).isFile()) {
        if (failed) failed(QObject::tr("there is no such file"));
        return;
    }
    const QString reason = NoHandlerReason(url);
    // xdg-open says by its exit status whether a handler took the address; Qt's own launcher
    // starts it detached and cannot tell. It is watched without waiting: a browser it starts
    // in the foreground may run for hours.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        if (!QDesktopServices::openUrl(url) && failed) failed(reason);
        return;
    }
    auto* process = new QProcess(qApp);
    // Nothing of ours reaches the handler: it must not die of a closed pipe when we exit.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    // When no handler is found xdg-open ends within moments. One that ran a browser in the
    // foreground ends with the browser, maybe hours later and with the browser's own status,
    // which says nothing about whether the address opened: that is not reported.
    QElapsedTimer running;
    running.start();
    QObject::connect(process, &QProcess::finished, process,
                     [process, failed, reason, running](int exitCode, QProcess::ExitStatus status) {
                         constexpr qint64 kHandlerStartedMs = 10000;
                         if ((status != QProcess::NormalExit || exitCode != 0) && failed &&
                             running.elapsed() < kHandlerStartedMs)
                             failed(reason);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, failed, reason](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         if (failed) failed(reason);
                         process->deleteLater();
                     });
    process->start(xdgOpen, {url.toString(QUrl::FullyEncoded)});
}

void OpenWithDesktop(PlatformServices& services, QWidget* parent, const QString& urlOrPath) {
    const QPointer<QWidget> owner(parent);
    PlatformServices* through = &services;
    // The name the user knows: the file's name, the address without "mailto:".
    QString shown = urlOrPath;
    if (QFileInfo(urlOrPath).isAbsolute()) shown = QFileInfo(urlOrPath).fileName();
    if (shown.startsWith(QLatin1String("mailto:"))) shown = shown.mid(7);
    services.OpenUrl(urlOrPath, [owner, through, shown](const QString& reason) {
        if (!owner) return; // the window (and its services) went away meanwhile
        through->ShowMessage(owner, QApplication::applicationName(),
                             QStringLiteral("Cannot open %1: %2.").arg(shown, reason),
                             MessageIcon::Warning, MessageButtons::Ok);
    });
}

void QtPlatformServices::Beep() {
    QApplication::beep();
}

QString AlphaClipboardFormat() {
    return QStringLiteral("application/x-qt-windows-mime;value=\"Quorlin\"");
}

QByteArray PngWithAlpha(const QImage& picture, const QByteArray& alphaBlock) {
    const qsizetype pixels = qsizetype(picture.width()) * picture.height();
    if (picture.isNull() || alphaBlock.size() != 4 + pixels) return {};
    QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const auto* alpha = reinterpret_cast<const uchar*>(alphaBlock.constData()) + 4;
    for (int y = 0; y < argb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(argb.scanLine(y));
        const uchar* a = alpha + qsizetype(y) * argb.width();
        for (int x = 0; x < argb.width(); ++x)
            row[x] = (row[x] & 0x00FFFFFFu) | (QRgb(a[x]) << 24);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!argb.save(&buffer, "PNG")) return {};
    return png;
}

void QtPlatformServices::SetClipboardPicture(const QImage& picture, const QByteArray& alphaBlock) {
    auto* data = new QMimeData;
    data->setImageData(picture);
    data->setData(AlphaClipboardFormat(), alphaBlock);
    // Other programs that read PNG get the alpha as well; every other picture type offered is
    // made from the opaque picture.
    const QByteArray png = PngWithAlpha(picture, alphaBlock);
    if (!png.isEmpty()) data->setData(QStringLiteral("image/png"), png);
    QGuiApplication::clipboard()->setMimeData(data); // the clipboard owns it from here
}

bool QtPlatformServices::ClipboardHasPicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

QImage QtPlatformServices::ClipboardPicture() {
    return QGuiApplication::clipboard()->image();
}

std::optional<QByteArray> QtPlatformServices::ClipboardAlphaBlock() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(AlphaClipboardFormat())) return std::nullopt;
    return data->data(AlphaClipboardFormat());
}

} // namespace lumetta::ui
