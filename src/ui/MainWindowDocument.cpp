// TfrmMain: the photo document — Open File, Close, Undo, Redo, the page modes and the mouse on
// the preview.
#include "base/Error.h"
#include "codecs/ImageIO.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QStackedWidget>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace lumetta::ui {

namespace {

// The open dialog's file types: "All" first, then one entry per registered extension.
QStringList OpenDialogFilters() {
    QStringList filters;
    QStringList all;
    for (const auto& format : RegisteredFormats())
        all << QStringLiteral("*.") + QString::fromStdString(format.Extension);
    filters << QStringLiteral("All (%1)").arg(all.join(' '));
    for (const auto& format : RegisteredFormats())
        filters << QStringLiteral("%1 (*.%2)")
                       .arg(QString::fromStdString(format.Description),
                            QString::fromStdString(format.Extension));
    return filters;
}

// A small picture of the file for the open dialog's preview pane.
QImage PreviewOf(const QString& path) {
    try {
        TBitmap32 picture;
        LoadPictureFile(picture, path.toStdString());
        if (picture.Empty()) return {};
        QImage image(reinterpret_cast<const uchar*>(picture.ConstBits()), picture.Width(),
                     picture.Height(), picture.Width() * 4, QImage::Format_ARGB32);
        return image.scaled(192, 192, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } catch (const std::exception&) {
        return {};
    }
}

std::string CannotOpen(const std::string& path, const std::string& reason) {
    return "Cannot open file \"" + path + "\". " + reason;
}

// The folder of a file, without a trailing "/" except at the root.
std::string FolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::string text = folder.string();
    if (text.empty()) return "/";
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

void TfrmMain::actOpenFileExecute() {
    FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.startFolder = QString::fromStdString(settings_.ScrIniPath);
    request.filters = OpenDialogFilters();
    request.preview = PreviewOf;
    const auto chosen = services_->OpenFile(this, request);
    if (!chosen) return;
    try {
        OpenPhotoFile(chosen->path);
    } catch (...) {
        // Open File reports nothing: a file that cannot be opened leaves the document as it was.
    }
}

void TfrmMain::OpenPhotoFile(const QString& path) {
    CurrentPhotoFile = path.toStdString();
    const QFileInfo info(path);
    if (!info.exists()) throw EFileError(CannotOpen(CurrentPhotoFile, std::strerror(ENOENT)));
    if (info.isDir()) throw EFileError(CannotOpen(CurrentPhotoFile, std::strerror(EISDIR)));
    if (!info.isFile()) throw EFileError(CannotOpen(CurrentPhotoFile, "It is not a regular file"));

    // From here on the document may change: its watchers hear of it whatever the outcome.
    struct Changed {
        TfrmMain* window;
        ~Changed() { emit window->documentChanged(); }
    } changed{this};

    TBitmap32 tested;
    TBitmap32 loaded;
    if (!LoadImageFile(CurrentPhotoFile, tested, &loaded)) {
        // Decode once more for the reason; the loader above only tells whether it worked.
        std::string reason = "The file is not a picture Lumetta can read";
        try {
            TBitmap32 probe;
            LoadPictureFile(probe, CurrentPhotoFile);
        } catch (const std::exception& e) {
            reason = e.what();
        }
        if (reason.rfind("Cannot open file", 0) == 0) throw EFileError(reason);
        throw EImageError(CannotOpen(CurrentPhotoFile, reason));
    }

    // What was done stays done should a later step fail.
    loaded.DrawMode = EditedPhoto.DrawMode;
    EditedPhoto.AssignPicture(loaded, true);

    ClearPreviewLayers();
    RemoveSelection();
    imgView->SetScale(1.0f);
    ImgViewEdit->SetScale(1.0f);
    ZoomStep = 10;
    iPhotos.Clear();
    plLeft->setCurrentIndex(pgEdit);
    PageListMain->setCurrentIndex(plEditPhoto);
    settings_.ScrIniPath = FolderOf(CurrentPhotoFile);
    PushSnapshot(EditedPhoto);
    ImgViewEdit->Picture().Assign(EditedPhoto);
    imgView->Picture().Assign(EditedPhoto);
    UpdatePhotoCommands();
    ShowPhotoSize();
}

void TfrmMain::ActCloseExecute() {
    if (services_->ShowMessage(this, QStringLiteral("Confirm"),
                               QStringLiteral("Are you sure you want to close the current photo?"),
                               MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes)
        return;
    ClearPreviewLayers();
    RemoveSelection();
    iPhotos.Clear();
    plLeft->setCurrentIndex(pgEdit);
    PageListMain->setCurrentIndex(plEditPhoto);
    ImgViewEdit->Picture().SetSize(0, 0);
    imgView->Picture().SetSize(0, 0);
    EditedPhoto.SetSize(0, 0);
    UpdatePhotoCommands();
    ShowPhotoSize();
    emit documentChanged();
}

void TfrmMain::actUndoExecute() {
    iPhotos.HistoryIndex -= 1;
    TBitmap32& target =
        PageListMain->currentIndex() == plEditPhoto ? ImgViewEdit->Picture() : imgView->Picture();
    RestoreSnapshot(iPhotos.HistoryIndex, target);
    UpdateUndoRedo();
    ShowPhotoSize();
}

void TfrmMain::actRedoExecute() {
    iPhotos.HistoryIndex += 1;
    TBitmap32& target =
        PageListMain->currentIndex() == plEditPhoto ? ImgViewEdit->Picture() : imgView->Picture();
    RestoreSnapshot(iPhotos.HistoryIndex, target);
    UpdateUndoRedo();
    ShowPhotoSize();
}

void TfrmMain::SwitchMode(int mode) {
    if (mode < pmEditPhoto || mode > pmAddShadow) return;
    if (EditDirty) {
        EditedPhoto.Assign(ImgViewEdit->Picture());
        PushSnapshot(ImgViewEdit->Picture());
        EditDirty = false;
    }
    if (PreviewDirty) {
        PushSnapshot(imgView->Picture());
        PreviewDirty = false;
    }
    if (imgView->LayerCount() > 0) FlattenPreviewLayers();
    ClearPreviewLayers();
    HideClipArtTools();

    static const char* const kModeText[] = {"Option : Edit photo", "Option : Add Mask",
                                            "Option : Add ClipArt", "Option : Add Frame",
                                            "Option : Add Shadow"};
    if (mode == pmEditPhoto) {
        plLeft->setCurrentIndex(pgEdit);
        PageListMain->setCurrentIndex(plEditPhoto);
        ImgViewEdit->Picture().Assign(EditedPhoto);
    } else {
        RemoveSelection();
        // Mode 2 is clip art (kind 3) and mode 3 frames (kind 2).
        static const int kKind[] = {0, 1, 3, 2, 4};
        static const char* const kMask[] = {"", "Mask*.jpg", "ClipArt*.jpg", "Frame*.jpg",
                                            "Shadow*.jpg"};
        SetObjectKind(kKind[mode], QString::fromLatin1(kMask[mode]));
        plLeft->setCurrentIndex(pgObject);
        PageListMain->setCurrentIndex(plPreview);
        RestoreSnapshot(iPhotos.HistoryIndex, imgView->Picture());
    }
    SetStatusText(0, QString::fromLatin1(kModeText[mode]));
    UpdateUndoRedo();
    ShowPhotoSize();
    emit documentChanged();
}

void TfrmMain::actAddTextExecute() {
    SwitchMode(pmAddClipArt);
    ShowTextInput();
}

void TfrmMain::actShowPreviewExecute() {
    PageListMain->setCurrentIndex(plPreview);
}

void TfrmMain::actWelcomeExecute() {
    PageListMain->setCurrentIndex(plWelcome);
}

void TfrmMain::actExitExecute() {
    close();
}

void TfrmMain::actClearLogsExecute() {
    if (services_->ShowMessage(this, QApplication::applicationName(),
                               QStringLiteral("Are you sure you want to clean logs?"),
                               MessageIcon::Question, MessageButtons::YesNo) == MessageResult::Yes)
        LogFileMain.Clear();
}

void TfrmMain::OnPreviewWheel(int delta) {
    // Single precision throughout, clamped to 0.2 .. 20.
    float scale = imgView->Scale();
    if (delta < 0) {
        scale = scale * 1.1f;
        if (scale > 20.0f) scale = 20.0f;
    } else if (delta > 0) {
        scale = scale / 1.1f;
        if (scale < 0.2f) scale = 0.2f;
    }
    imgView->SetScale(scale);
}

void TfrmMain::OnPreviewMouseDown(int, int, int, bool layerHit) {
    if (layerHit) return;
    SelectLayer(nullptr);
    imgView->ReleaseMouseCapture();
    HideClipArtTools();
}

} // namespace lumetta::ui
