#pragma once
// Print jobs, shared by the main window and the event log viewer: where a job goes (the print
// dialog, or "Save as PDF…" when no printer is installed), sending its sheets with the copies
// rule, and the event log's lines laid out as plain text.
#include "ui/PlatformServices.h"

#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace lumetta::ui {

struct TPrintTarget {
    QPrinter* printer = nullptr;
    PrintDialogResult job;
};

// Asks where the job goes: the print dialog on the current printer, or, with no printer
// installed, the "Save as PDF…" dialog of Qt's PDF writer proposing proposedPdf. Nothing when
// the user cancels.
std::optional<TPrintTarget> AskPrintTarget(PlatformServices& services, QWidget* parent,
                                           const PrintDialogRequest& request,
                                           const QString& proposedPdf);

// Sends sheets to the printer, in order: drawSheet(painter, i) paints sheets[i] with the
// painter's origin at the corner of the printable area, in device pixels. An aborted job ends
// the document and sends no further sheet. A PDF file is written to a temporary file first and
// put in place only when the job has ended well, so a failed job never leaves a damaged file.
// Throws Error "Printing failed" when the printer refuses the job, and EFileError
// "Cannot create file ..." when the PDF file cannot be written.
void RunPrintJob(QPrinter& printer, const std::vector<int>& sheets,
                 const std::function<void(QPainter& painter, int page)>& drawSheet);

// The lines laid out on the printer's pages in its default font: a line wider than the printable
// width wraps (at a word boundary where it can), a page ends when the next line would not fit.
// At least one page, possibly empty.
std::vector<QStringList> LayOutTextPages(QPrinter& printer, const QStringList& lines);

// Prints the lines as laid out by LayOutTextPages, every page of the job with its copies rule.
// Returns the number of pages of one copy.
int PrintPlainText(QPrinter& printer, const QStringList& lines, const PrintDialogResult& job);

} // namespace lumetta::ui
