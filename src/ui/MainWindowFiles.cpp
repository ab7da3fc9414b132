// TfrmMain: the title bar, File > Recent Photos, files dropped on the window and the file named
// on the command line.
#include "LumettaBuild.h"
#include "library/ObjectCatalog.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QStackedWidget>
#include <QUrl>

namespace lumetta::ui {

namespace {

// The local files among the dragged items, in their order.
QStringList LocalFiles(const QMimeData* data) {
    QStringList files;
    if (!data) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

} // namespace

// ------------------------------------------------------------------ title bar

void TfrmMain::UpdateWindowTitle() {
    // "Lumetta V2.3 - holiday.jpg *": the photo's name, and a star while it holds unsaved work.
    QString title = QStringLiteral("Lumetta V") + QLatin1String(kLumettaVersion);
    if (doc_ && doc_->HasPhoto()) {
        const QString file = QString::fromStdString(doc_->CurrentPhotoFile());
        if (!file.isEmpty()) title += QStringLiteral(" - ") + QFileInfo(file).fileName();
        if (doc_->HasUnsavedWork()) title += QStringLiteral(" *");
    }
    if (windowTitle() != title) setWindowTitle(title);
}

// ------------------------------------------------------------------ Recent Photos

void TfrmMain::UpdateRecentPhotosMenu() {
    if (!recentMenu_) return;
    recentMenu_->clear();
    const std::vector<std::string>& recent = settings_.RecentPhotos;
    int number = 0;
    for (const std::string& entry : recent) {
        const QString path = QString::fromStdString(entry);
        const QFileInfo info(path);
        // The file name, and its folder too when another entry has the same name.
        int sameName = 0;
        for (const std::string& other : recent)
            sameName += QFileInfo(QString::fromStdString(other)).fileName() == info.fileName();
        QString text = info.fileName();
        if (sameName > 1) text += QStringLiteral("  (%1)").arg(info.absolutePath());
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        ++number;
        QAction* item = recentMenu_->addAction(
            number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(text) : text);
        item->setToolTip(path);
        item->setData(path);
        connect(item, &QAction::triggered, this,
                [this, path] { RunCommand([this, path] { OpenRecentPhoto(path); }); });
    }
    if (!recent.empty()) recentMenu_->addSeparator();
    recentMenu_->addAction(act_.actClearRecent);
    act_.actClearRecent->setEnabled(!recent.empty());
    recentMenu_->setEnabled(!recent.empty());
}

void TfrmMain::OpenRecentPhoto(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        // Moved, renamed or deleted since: it leaves the list, and the user is told why.
        RemoveRecentPhoto(settings_, path.toStdString());
        UpdateRecentPhotosMenu();
        services_->ShowMessage(this, QApplication::applicationName(),
                               QStringLiteral("%1 is no longer in %2. It has been removed from "
                                              "Recent Photos.")
                                   .arg(info.fileName(), info.absolutePath()),
                               MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    OpenPhotoFile(path);
}

// ------------------------------------------------------------------ dropped files

void TfrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        QMainWindow::dragEnterEvent(event);
    }
}

void TfrmMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!LocalFiles(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    } else {
        QMainWindow::dragMoveEvent(event);
    }
}

void TfrmMain::dropEvent(QDropEvent* event) {
    const QStringList files = LocalFiles(event->mimeData());
    if (files.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    // The file manager waits for the drop to end: answer it first, then open.
    RunCommand([this, files] { DropFiles(files); });
}

void TfrmMain::DropFiles(const QStringList& paths) {
    if (paths.isEmpty()) return;
    const QString& path = paths.first();
    // On the object page a thumbnail of the list in view (a file of the Data folder) is the
    // library's own object: it is applied as if dragged from the list.
    if (plLeft->currentIndex() == pgObject && doc_->HasPhoto()) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        for (int i = 0; i < ivLeft->Count(); ++i) {
            if (canonical.isEmpty() ||
                QFileInfo(ivLeft->ItemPath(i)).canonicalFilePath() != canonical)
                continue;
            ivLeft->SetSelectedIndex(i);
            currentObjectName_ = ObjectNameOf(ivLeft->ItemPath(i).toStdString());
            imgViewDragDrop();
            return;
        }
    }
    OpenPhotoFile(path);
}

// ------------------------------------------------------------------ the command line

void TfrmMain::OpenGivenFile(const QString& argument) {
    RunCommand([this, argument] {
        QString path = argument;
        const QUrl url(argument);
        if (url.isLocalFile()) path = url.toLocalFile();
        // Kept absolute, as the recent list and the save dialog's folder expect.
        OpenPhotoFile(QDir::current().absoluteFilePath(path));
    });
}

} // namespace lumetta::ui
