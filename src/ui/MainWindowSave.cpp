// TfrmMain: Save File — the save dialog, the name and type of the file, the choice of picture.
#include "codecs/Encoders.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QFileInfo>
#include <QStackedWidget>

#include <algorithm>
#include <iterator>
#include <utility>

namespace lumetta::ui {

namespace {

// The dialog's file types, in the order of the file type index (1 JPG ... 4 GIF).
constexpr const char* kSaveTypes[] = {"JPG (*.jpg)", "PNG (*.png)", "BMP (*.bmp)", "GIF (*.gif)"};
constexpr int kSaveTypeCount = int(std::size(kSaveTypes));

// The name a file gets and the type written into it: a typed extension of a writable type
// chooses the type; any other extension, or none, gets the extension of the type selected in
// the dialog (1 JPG ... 4 GIF) appended. A file's bytes thus always match its name.
std::pair<QString, int> SaveTarget(const QString& path, int selectedType) {
    if (const int typed = FileTypeOfName(path.toStdString())) return {path, typed};
    const int type = std::clamp(selectedType, 1, kSaveTypeCount);
    return {path + QLatin1Char('.') + QLatin1String(FileTypeExtension(type)), type};
}

} // namespace

bool TfrmMain::SaveFile() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Picture");
    request.startFolder = QString::fromStdString(settings_.ScrIniPath);
    // beach.jpeg proposes "beach"; no photo file proposes nothing.
    const std::string& current = doc_->CurrentPhotoFile();
    request.fileName =
        current.empty() ? QString() : QFileInfo(QString::fromStdString(current)).completeBaseName();
    for (const char* filter : kSaveTypes)
        request.filters << QString::fromLatin1(filter);
    const int selected = std::clamp(saveFilterIndex_, 1, kSaveTypeCount) - 1;
    request.selectedFilter = selected;
    // A name typed without an extension receives the one of the type selected when the dialog
    // closes.
    request.defaultSuffix = QString::fromLatin1(FileTypeExtension(selected + 1));
    request.suffixFollowsFilter = true;
    request.finalName = [](const QString& path, int filter) {
        return SaveTarget(path, filter + 1).first;
    };
    request.confirmCreate = true;

    const auto chosen = services_->SaveFile(this, request);
    if (!chosen) return false;
    // The typed extension decides the format and becomes the remembered type.
    const auto [path, type] = SaveTarget(chosen->path, chosen->selectedFilter + 1);
    saveFilterIndex_ = type;

    // What the page in view shows: the edit picture on the edit page; the picture the print
    // preview shows on that page; otherwise the preview with its clip-art and text layers
    // merged into a copy (the layers stay where they are).
    TBitmap32 picture;
    if (plLeft->currentIndex() == pgPrintSet && !printSource_.Empty()) {
        picture = printSource_;
    } else {
        doc_->PictureInView(OutputPage(), picture);
    }
    SavePicture(picture, path.toStdString(), type, settings_.JpgCompressVar);
    doc_->MarkSaved();
    return true;
}

} // namespace lumetta::ui
