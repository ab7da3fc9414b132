// TfrmMain: Save File — the save dialog, the choice of picture and the writers.
#include "codecs/Encoders.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QFileInfo>
#include <QStackedWidget>

#include <algorithm>
#include <iterator>

namespace lumetta::ui {

namespace {

// The dialog's file types, in the order of the file type index (1 JPG ... 4 GIF).
struct SaveType {
    const char* filter;
    const char* suffix;
};
constexpr SaveType kSaveTypes[] = {
    {"JPG (*.jpg)", "jpg"}, {"PNG (*.png)", "png"}, {"BMP (*.bmp)", "bmp"}, {"GIF (*.gif)", "gif"}};
constexpr int kSaveTypeCount = int(std::size(kSaveTypes));

} // namespace

bool TfrmMain::SaveFile() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Picture");
    request.startFolder = QString::fromStdString(settings_.ScrIniPath);
    // beach.jpeg proposes "beach"; no photo file proposes nothing.
    const std::string& current = doc_->CurrentPhotoFile();
    request.fileName =
        current.empty() ? QString() : QFileInfo(QString::fromStdString(current)).completeBaseName();
    for (const SaveType& type : kSaveTypes)
        request.filters << QString::fromLatin1(type.filter);
    const int selected = std::clamp(saveFilterIndex_, 1, kSaveTypeCount) - 1;
    request.selectedFilter = selected;
    // A name typed without an extension receives the one of the type selected when the dialog
    // closes.
    request.defaultSuffix = QString::fromLatin1(kSaveTypes[selected].suffix);
    request.suffixFollowsFilter = true;

    const auto chosen = services_->SaveFile(this, request);
    if (!chosen) return false;
    saveFilterIndex_ = chosen->selectedFilter + 1;

    // What the page in view shows: the edit picture on the edit page; the picture the print
    // preview shows on that page; otherwise the preview with its clip-art and text layers
    // merged into a copy (the layers stay where they are).
    TBitmap32 picture;
    if (plLeft->currentIndex() == pgPrintSet && !printSource_.Empty()) {
        picture = printSource_;
    } else {
        doc_->PictureInView(OutputPage(), picture);
    }
    // The chosen type, not the typed extension, decides the format.
    SavePicture(picture, chosen->path.toStdString(), saveFilterIndex_, settings_.JpgCompressVar);
    doc_->MarkSaved();
    return true;
}

} // namespace lumetta::ui
