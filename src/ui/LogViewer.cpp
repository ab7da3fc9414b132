#include "ui/LogViewer.h"

#include "base/SafeFile.h"
#include "ui/AboutDialog.h"
#include "ui/Artwork.h"
#include "ui/PlatformServices.h"
#include "ui/PrintJob.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPrinter>
#include <QStringDecoder>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace lumetta::ui {

QString LogText(const std::string& text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

TFoLog::TFoLog(const TDialogContext& context, const std::vector<TJvLogRecord>& records)
    : QDialog(context.parent), owner_(context), records_(records) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);
    setWindowTitle(QStringLiteral("Show Logs"));
    setObjectName(QStringLiteral("FoLog"));
    setSizeGripEnabled(true);
    setMinimumSize(300, 300);
    resize(421, 375);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar->setIconSize(QSize(20, 20));
    actSave = ToolBar->addAction(ToolbarQIcon(ToolbarIcon::Save), QStringLiteral("Save"));
    actSave->setObjectName(QStringLiteral("actSave"));
    actSave->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    actSave->setToolTip(QStringLiteral("Save (Ctrl+S)"));
    actPrint = ToolBar->addAction(ToolbarQIcon(ToolbarIcon::Print), QStringLiteral("&Print"));
    actPrint->setObjectName(QStringLiteral("actPrint"));
    actPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    actPrint->setToolTip(QStringLiteral("Print (Ctrl+P)"));
    for (QAction* a : {actSave, actPrint}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    layout->addWidget(ToolBar);

    ListView = new QTableWidget(int(records_.size()), 3, this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setHorizontalHeaderLabels(
        {QStringLiteral("Time"), QStringLiteral("Title"), QStringLiteral("Description")});
    ListView->setShowGrid(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setWordWrap(false);
    ListView->verticalHeader()->hide();
    ListView->verticalHeader()->setDefaultSectionSize(ListView->fontMetrics().height() + 6);
    ListView->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListView->horizontalHeader()->setHighlightSections(false);
    ListView->setColumnWidth(1, 120);
    ListView->setColumnWidth(2, 150);
    // Hot tracking: the row under the pointer is highlighted.
    ListView->setMouseTracking(true);
    ListView->setStyleSheet(QStringLiteral("QTableView::item:hover { background: #e5f1fb; }"));
    for (int row = 0; row < int(records_.size()); ++row) {
        const TJvLogRecord& r = records_[std::size_t(row)];
        const std::string* cells[3] = {&r.Time, &r.Title, &r.Description};
        for (int column = 0; column < 3; ++column)
            ListView->setItem(row, column, new QTableWidgetItem(LogText(*cells[column])));
    }
    // The Time column shows every timestamp whole.
    ListView->resizeColumnToContents(0);
    ListView->setColumnWidth(0, std::max(115, ListView->columnWidth(0)));
    layout->addWidget(ListView, 1);

    // Failures end in the standard error box; the viewer stays open.
    connect(actSave, &QAction::triggered, this, [this] { owner_.Run([this] { SaveClick(); }); });
    connect(actPrint, &QAction::triggered, this, [this] { owner_.Run([this] { PrintClick(); }); });

    CentreOnScreen(this);
}

QStringList TFoLog::ExportLines() const {
    QStringList lines;
    for (const TJvLogRecord& r : records_)
        lines << LogText(FormatLogExportLine(r));
    return lines;
}

namespace {

// The export types, in the order of the dialog's filters.
enum LogExportType : int { letCsv = 0, letLog = 1 };
const char* const kLogExportSuffix[] = {"csv", "dat"};

// The name the export gets and its type: a typed ".csv" or ".dat" chooses the type; any other
// extension, or none, gets the extension of the selected type appended.
std::pair<QString, int> LogExportTarget(const QString& path, int selectedFilter) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (int type : {letCsv, letLog})
        if (suffix == QLatin1String(kLogExportSuffix[type])) return {path, type};
    const int type = selectedFilter == letLog ? letLog : letCsv;
    return {path + QLatin1Char('.') + QLatin1String(kLogExportSuffix[type]), type};
}

} // namespace

void TFoLog::SaveClick() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.filters = {QStringLiteral("CSV File (*.csv)"), QStringLiteral("Log File (*.dat)")};
    request.defaultSuffix = QStringLiteral("csv");
    request.suffixFollowsFilter = true;
    request.finalName = [](const QString& path, int filter) {
        return LogExportTarget(path, filter).first;
    };
    const auto chosen = owner_.Services().SaveFile(this, request);
    if (!chosen || chosen->path.isEmpty()) return;
    const auto [path, type] = LogExportTarget(chosen->path, chosen->selectedFilter);
    // The records' own bytes are written, not the text shown in the table: CSV with a header
    // row, or the lines of Log.dat itself.
    WriteFileAtomically(path.toStdString(),
                        type == letLog ? TJvLogFile::Format(records_) : FormatLogCsv(records_));
}

void TFoLog::PrintClick() {
    PrintDialogRequest request; // all pages: their number depends on the printer chosen
    const auto target = AskPrintTarget(owner_.Services(), this, request,
                                       QDir::home().filePath(QStringLiteral("Log.pdf")));
    if (!target) return;
    target->printer->setDocName(windowTitle());
    PrintPlainText(*target->printer, ExportLines(), target->job);
}

} // namespace lumetta::ui
