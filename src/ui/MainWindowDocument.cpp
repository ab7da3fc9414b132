// TfrmMain: the photo document — Open File, Close, Undo, Redo, the page modes and the mouse on
// the preview.
#include "base/Error.h"
#include "base/PixelMemory.h"
#include "codecs/ImageIO.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QStackedWidget>

#include <algorithm>
#include <filesystem>

namespace lumetta::ui {

namespace {

// The open dialog's file types: "All" first, then one entry per registered extension. Only
// extensions Lumetta can decode are offered: a type the dialog lists must open.
QStringList OpenDialogFilters() {
    QStringList filters;
    QStringList all;
    for (const auto& format : RegisteredFormats())
        if (format.HasDecoder)
            all << QStringLiteral("*.") + QString::fromStdString(format.Extension);
    filters << QStringLiteral("All (%1)").arg(all.join(' '));
    for (const auto& format : RegisteredFormats())
        if (format.HasDecoder)
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

// The folder of a file, without a trailing "/" except at the root.
std::string FolderOf(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::string text = folder.string();
    if (text.empty()) return "/";
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

// The photo as Open File takes it: the file decoded by its extension, tested as LoadImageFile
// tests it. False when it cannot be read; `photo` changes only on success.
bool DecodePhoto(const std::string& file, TBitmap32& photo) {
    TBitmap32 tested;
    return LoadImageFile(file, tested, &photo);
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
    OpenPhotoFile(chosen->path);
}

bool TfrmMain::OpenPhotoFile(const QString& path) {
    const std::string file = path.toStdString();
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile())
        throw Error("Cannot open " + name.toStdString() + ": there is no such file");

    // The photo that is open now may hold unsaved work: asked about before the new file is
    // read, so that what the answer lets go need not stay in memory beside the new photo.
    bool discarded = false;
    if (!ConfirmUnsavedWork(&discarded)) return false;

    // A photo that is its file exactly, or whose changes were just discarded, is set aside
    // while the new one decodes, so that an Open never holds two photos (and their history) at
    // once; should the new file fail, the old one is read again from its file. Any other photo
    // (one with history worth keeping) stays whole until the new one has decoded.
    std::string setAside;
    if (doc_->HasPhoto() &&
        (discarded || (doc_->MatchesItsFile() && openedUpright_ == UprightPhotos()))) {
        setAside = doc_->CurrentPhotoFile();
        RemoveSelection();
        HideClipArtTools();
        doc_->Close();
        // Its storage is not kept for reuse: the next photo is decoded into fresh memory.
        PixelMemory::Trim();
    }

    TBitmap32 loaded;
    try {
        if (!DecodePhoto(file, loaded)) {
            // The loader only tells whether it worked; the decoder by extension tells why not.
            TBitmap32 probe;
            LoadPictureFile(probe, file);
            throw Error("the file is not a picture Lumetta can read");
        }
    } catch (const std::exception& e) {
        const Error failure("Cannot open " + name.toStdString() + ": " + e.what());
        if (!setAside.empty() || discarded) ReopenSetAside(setAside);
        throw failure;
    }
    RemoveSelection();
    HideClipArtTools();
    doc_->Open(loaded, file);
    openedUpright_ = UprightPhotos();
    loaded.AssignNil();
    imgView->SetScale(1.0f);
    ImgViewEdit->SetScale(1.0f);
    zoomStep_ = 10;
    zoomFraction_ = 0.0f;
    plLeft->setCurrentIndex(pgEdit);
    PageListMain->setCurrentIndex(plEditPhoto);
    settings_.ScrIniPath = FolderOf(file);
    AddRecentPhoto(settings_, QFileInfo(path).absoluteFilePath().toStdString());
    UpdateRecentPhotosMenu();
    FitNewPhoto();
    ShowPhotoSize(true);
    emit documentChanged();
    return true;
}

void TfrmMain::ReopenSetAside(const std::string& file) {
    TBitmap32 loaded;
    if (!file.empty() && DecodePhoto(file, loaded)) {
        doc_->Open(loaded, file);
        openedUpright_ = UprightPhotos();
    } else {
        // Its changes were discarded and it has no readable file: nothing is open any more.
        doc_->Close();
    }
    plLeft->setCurrentIndex(pgEdit);
    PageListMain->setCurrentIndex(plEditPhoto);
    ShowPhotoSize(true);
    emit documentChanged();
}

void TfrmMain::ActCloseExecute() {
    // With unsaved work the question is whether to save it; otherwise the plain confirmation.
    if (doc_->HasUnsavedWork()) {
        if (!ConfirmUnsavedWork()) return;
    } else if (services_->ShowMessage(
                   this, QStringLiteral("Confirm"),
                   QStringLiteral("Are you sure you want to close the current photo?"),
                   MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    RemoveSelection();
    HideClipArtTools();
    doc_->Close();
    plLeft->setCurrentIndex(pgEdit);
    PageListMain->setCurrentIndex(plEditPhoto);
    emit documentChanged();
}

void TfrmMain::actUndoExecute() {
    doc_->Undo(UndoPage());
    ShowPhotoSize(true);
}

void TfrmMain::actRedoExecute() {
    doc_->Redo(UndoPage());
    ShowPhotoSize(true);
}

void TfrmMain::SwitchMode(int mode) {
    if (mode < pmEditPhoto || mode > pmAddShadow) return;
    doc_->CommitForModeSwitch();
    HideClipArtTools();

    static const char* const kModeText[] = {"Option : Edit photo", "Option : Add Mask",
                                            "Option : Add ClipArt", "Option : Add Frame",
                                            "Option : Add Shadow"};
    if (mode == pmEditPhoto) {
        plLeft->setCurrentIndex(pgEdit);
        PageListMain->setCurrentIndex(plEditPhoto);
        doc_->ShowEditPage();
    } else {
        RemoveSelection();
        // Mode 2 is clip art (kind 3) and mode 3 frames (kind 2).
        static const int kKind[] = {0, 1, 3, 2, 4};
        static const char* const kMask[] = {"", "Mask*.jpg", "ClipArt*.jpg", "Frame*.jpg",
                                            "Shadow*.jpg"};
        SetObjectKind(kKind[mode], QString::fromLatin1(kMask[mode]));
        plLeft->setCurrentIndex(pgObject);
        PageListMain->setCurrentIndex(plPreview);
        doc_->ShowPreviewPage();
    }
    SetStatusText(0, QString::fromLatin1(kModeText[mode]));
    ShowPhotoSize(true);
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
    // The close event asks about unsaved work.
    close();
}

void TfrmMain::OnPreviewWheel(int delta) {
    // Single precision throughout, clamped to 0.2 .. 20.
    float scale = imgView->Scale();
    if (delta < 0) {
        scale = scale * 1.1f;
        if (scale > 20.0f) scale = 20.0f;
    } else if (delta > 0) {
        // Below 0.2 only after Fit to Window: the picture is not made smaller still.
        const float fitted = scale;
        scale = scale / 1.1f;
        if (scale < 0.2f) scale = std::min(0.2f, fitted);
    }
    imgView->SetScale(scale);
}

void TfrmMain::OnPreviewMouseDown(int, int, int, bool layerHit) {
    if (doc_->SelectedLayer()) layerLocationAtPress_ = doc_->SelectedLayer()->Location();
    if (layerHit) return;
    doc_->SelectLayer(nullptr);
    imgView->ReleaseMouseCapture();
    HideClipArtTools();
}

} // namespace lumetta::ui
