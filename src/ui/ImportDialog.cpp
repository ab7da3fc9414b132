#include "ui/ImportDialog.h"

#include "base/SafeFile.h"
#include "tools/ObjectPack.h"
#include "tools/Settings.h"
#include "ui/AboutDialog.h"
#include "ui/PlatformServices.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace lumetta::ui {

TfrmAddObject::TfrmAddObject(const TDialogContext& context)
    : QDialog(context.parent), owner_(context) {
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Import Object"));
    setObjectName(QStringLiteral("frmAddObject"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(new QLabel(QStringLiteral("Select Pack File:"), this));

    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(2);
    edtSelFile = new QLineEdit(this);
    edtSelFile->setObjectName(QStringLiteral("edtSelFile"));
    edtSelFile->setMinimumWidth(300);
    btnSelFile = new QToolButton(this);
    btnSelFile->setObjectName(QStringLiteral("btnSelFile"));
    btnSelFile->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnSelFile->setToolTip(QStringLiteral("Select File"));
    btnSelFile->setFixedHeight(edtSelFile->sizeHint().height());
    fileRow->addWidget(edtSelFile, 1);
    fileRow->addWidget(btnSelFile);
    layout->addLayout(fileRow);

    ProgressDonw = new QProgressBar(this);
    ProgressDonw->setObjectName(QStringLiteral("ProgressDonw"));
    ProgressDonw->setMinimum(0);
    ProgressDonw->setValue(0);
    ProgressDonw->setTextVisible(false);
    ProgressDonw->setFixedHeight(16);
    layout->addWidget(ProgressDonw);

    auto* buttons = new QHBoxLayout;
    btnImport = new QPushButton(QStringLiteral("&Import"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnDown = new QPushButton(QStringLiteral("&Download"), this);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    buttons->addWidget(btnImport);
    buttons->addWidget(btnDown);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);

    // Errors of the buttons end in the program's standard error box; the dialog stays open.
    connect(btnSelFile, &QToolButton::clicked, this,
            [this] { owner_.Run([this] { SelectFileClick(); }); });
    connect(btnImport, &QPushButton::clicked, this,
            [this] { owner_.Run([this] { btnImportClick(); }); });
    connect(btnDown, &QPushButton::clicked, this,
            [this] { owner_.Run([this] { btnDownClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(sizeHint());
    CentreOnScreen(this);
}

bool RunImportDialog(const TDialogContext& context, const QString& packPath) {
    TfrmAddObject dialog(context);
    if (!packPath.isEmpty()) dialog.edtSelFile->setText(packPath);
    dialog.exec();
    return dialog.RestartRequested();
}

void TfrmAddObject::SelectFileClick() {
    FileDialogRequest request;
    request.title = QStringLiteral("Select File");
    request.filters = {QStringLiteral("Lumetta Pack (*.PSP)")};
    const QFileInfo current(edtSelFile->text());
    if (!edtSelFile->text().isEmpty()) {
        request.startFolder = current.absolutePath();
        request.fileName = current.fileName();
    }
    if (auto chosen = owner_.Services().OpenFile(this, request)) edtSelFile->setText(chosen->path);
}

void TfrmAddObject::btnImportClick() {
    const QString path = edtSelFile->text();
    const std::string pack = path.toStdString();
    if (path.isEmpty() || !FileExists(pack)) return;

    std::error_code ec;
    std::filesystem::create_directories(owner_.userDir, ec); // a failure shows as the import's
    // The bar runs from 0 to the file's declared size; it is repainted only when its
    // percentage moves, so that a pack of many small pieces costs no time in painting.
    int shownPercent = -1;
    ImportObjectPack(pack, owner_.userDir, [&](std::int64_t written, std::int32_t size) {
        constexpr std::int64_t top = std::numeric_limits<int>::max();
        const std::int64_t whole = std::max<std::int64_t>(1, size);
        const int percent = int(std::clamp<std::int64_t>(written * 100 / whole, 0, 100));
        const int maximum = int(whole);
        if (percent == shownPercent && ProgressDonw->maximum() == maximum) return;
        shownPercent = percent;
        // An empty file would turn the bar into a busy indicator.
        ProgressDonw->setMaximum(maximum);
        ProgressDonw->setValue(int(std::clamp<std::int64_t>(written, 0, top)));
        repaint();
    });
    ProgressDonw->setValue(0);
    Settings().PspVer = PspVersionFromPackName(QFileInfo(path).fileName().toStdString());

    const MessageResult answer = owner_.Services().ShowMessage(
        this, QApplication::applicationName(),
        QStringLiteral("Object Import has completed.\r\n\r\nPlease restart the program."),
        MessageIcon::Information, MessageButtons::Yes);
    if (answer == MessageResult::Yes) {
        restartRequested_ = true;
        accept();
    }
}

void TfrmAddObject::btnDownClick() {
    OpenWithDesktop(owner_.Services(), owner_.parent, DownloadPageUrl(Settings().PspVer));
}

} // namespace lumetta::ui
