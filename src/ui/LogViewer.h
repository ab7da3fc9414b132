#pragma once
// The event log viewer: the records of Log.dat in a table, exported as CSV or printed.
#include "tools/EventLog.h"
#include "ui/DialogContext.h"

#include <QDialog>

#include <vector>

class QAction;
class QTableWidget;
class QToolBar;

namespace lumetta::ui {

// Log text is single-byte: shown as UTF-8 when it is valid UTF-8, else as Latin-1.
QString LogText(const std::string& text);

class TFoLog : public QDialog {
    Q_OBJECT
public:
    TFoLog(const TDialogContext& context, const std::vector<TJvLogRecord>& records);

    // The printed lines "[time] title > description", one per row, in row order.
    QStringList ExportLines() const;
    // Asks for a file and writes the records as CSV with a header row, or, as a ".dat" file,
    // in the lines of Log.dat. Failures propagate.
    void SaveClick();
    // Prints the lines through the print dialog on the current printer (or as a PDF file when
    // no printer is installed), wrapping lines wider than the page. Failures propagate.
    void PrintClick();

    QToolBar* ToolBar;
    QAction* actSave;
    QAction* actPrint;
    QTableWidget* ListView;

private:
    TDialogContext owner_;
    std::vector<TJvLogRecord> records_;
};

} // namespace lumetta::ui
