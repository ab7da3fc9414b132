#include "ui/PrintJob.h"

#include "base/Error.h"
#include "base/SafeFile.h"
#include "output/PrintLayout.h"

#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTextLayout>

#include <algorithm>

namespace lumetta::ui {

std::optional<TPrintTarget> AskPrintTarget(PlatformServices& services, QWidget* parent,
                                           const PrintDialogRequest& request,
                                           const QString& proposedPdf) {
    const bool toPdf = services.PrinterCount() == 0;
    const auto job = toPdf ? services.SaveAsPdfDialog(parent, request, proposedPdf)
                           : services.PrintDialog(parent, request);
    if (!job) return std::nullopt;
    return TPrintTarget{toPdf ? &services.PdfPrinter() : &services.CurrentPrinter(), *job};
}

namespace {

// While a job writes a PDF file, the printer writes a temporary file instead; the chosen name
// is given back to the printer afterwards, whatever happens.
class TPdfRedirect {
public:
    explicit TPdfRedirect(QPrinter& printer) : printer_(printer) {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return;
        target_ = printer.outputFileName();
        temp_.setFileTemplate(QDir::temp().filePath(QStringLiteral("lumetta-XXXXXX.pdf")));
        if (!temp_.open())
            throw EFileError("Cannot create file \"" + target_.toStdString() + "\". " +
                             temp_.errorString().toStdString());
        temp_.close(); // the printer opens it by name
        printer.setOutputFileName(temp_.fileName());
    }
    ~TPdfRedirect() {
        if (!target_.isEmpty()) printer_.setOutputFileName(target_);
    }
    TPdfRedirect(const TPdfRedirect&) = delete;
    TPdfRedirect& operator=(const TPdfRedirect&) = delete;

    bool Active() const { return !target_.isEmpty(); }
    const QString& Target() const { return target_; }
    // Puts the finished file in place of the chosen one, atomically.
    void Commit() {
        if (!Active()) return;
        WriteFileAtomically(target_.toStdString(), ReadWholeFile(temp_.fileName().toStdString()));
    }

private:
    QPrinter& printer_;
    QString target_;
    QTemporaryFile temp_;
};

} // namespace

void RunPrintJob(QPrinter& printer, const std::vector<int>& sheets,
                 const std::function<void(QPainter& painter, int page)>& drawSheet) {
    if (sheets.empty()) return;
    TPdfRedirect pdf(printer);
    const auto failed = [&]() -> std::string {
        if (pdf.Active()) return "Cannot create file \"" + pdf.Target().toStdString() + "\"";
        return "Printing failed";
    };
    QPainter painter;
    for (std::size_t n = 0; n < sheets.size(); ++n) {
        if (printer.printerState() == QPrinter::Aborted) {
            // Nothing more is sent, and an unfinished PDF never takes the chosen name.
            if (painter.isActive()) painter.end();
            return;
        }
        if (n == 0) {
            if (!painter.begin(&printer)) throw Error(failed());
        } else if (!printer.newPage()) {
            painter.end();
            throw Error(failed());
        }
        painter.save();
        drawSheet(painter, sheets[n]);
        painter.restore();
    }
    // The job is only done when the printing system has taken all of it.
    if (!painter.end() || printer.printerState() == QPrinter::Error) throw Error(failed());
    if (printer.printerState() == QPrinter::Aborted) return;
    pdf.Commit();
}

namespace {

// Where text goes, in the coordinates of a painter on the printer (origin at the printable
// area's corner): the printable area, kept at least half an inch from the sheet's edges (a PDF
// writer can print to the very edge).
QRect TextArea(QPrinter& printer) {
    const int dpiX = printer.resolution(), dpiY = printer.resolution();
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toAlignedRect();
    const QRect printable = printer.pageRect(QPrinter::DevicePixel).toAlignedRect();
    const QRect inset = paper.adjusted(dpiX / 2, dpiY / 2, -dpiX / 2, -dpiY / 2);
    QRect area = printable.intersected(inset);
    if (area.isEmpty()) area = printable;
    return area.translated(-printable.topLeft());
}

} // namespace

std::vector<QStringList> LayOutTextPages(QPrinter& printer, const QStringList& lines) {
    // The printer's default font at the printer's resolution, as a painter on it starts with.
    const QFont font(QFont(), &printer);
    const QFontMetrics metrics(font, &printer);
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const QRect area = TextArea(printer);
    const int perPage = std::max(1, area.height() / lineHeight);
    const qreal width = std::max(1, area.width());

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    std::vector<QStringList> pages(1);
    const auto put = [&](const QString& text) {
        if (pages.back().size() >= perPage) pages.emplace_back();
        pages.back() << text;
    };
    for (const QString& line : lines) {
        if (line.isEmpty()) {
            put(QString());
            continue;
        }
        QTextLayout layout(line, font, &printer);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(width);
            put(line.mid(row.textStart(), row.textLength()));
        }
        layout.endLayout();
    }
    return pages;
}

int PrintPlainText(QPrinter& printer, const QStringList& lines, const PrintDialogResult& job) {
    const std::vector<QStringList> pages = LayOutTextPages(printer, lines);
    const int count = int(pages.size());
    const QFont font(QFont(), &printer);
    const int lineHeight = std::max(1, QFontMetrics(font, &printer).lineSpacing());
    const QRect area = TextArea(printer);
    const int from = job.allPages ? 0 : job.fromPage - 1;
    const int to = job.allPages ? count - 1 : job.toPage - 1;
    RunPrintJob(printer, PrintSheetOrder(from, to, count, job.copies, job.collate),
                [&](QPainter& painter, int page) {
                    painter.setFont(font);
                    int y = area.top();
                    for (const QString& text : pages[std::size_t(page)]) {
                        painter.drawText(QRect(area.left(), y, area.width(), lineHeight),
                                         Qt::AlignLeft | Qt::TextSingleLine, text);
                        y += lineHeight;
                    }
                });
    return count;
}

} // namespace lumetta::ui
