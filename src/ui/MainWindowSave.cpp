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

void TfrmMain::actSaveFileExecute() {
    FileDialogRequest request;
    request.title = QStringLiteral("Save Picture");
    request.startFolder = QString::fromStdString(settings_.ScrIniPath);
    // beach.jpeg proposes "beach"; no photo file proposes nothing.
    request.fileName = CurrentPhotoFile.empty()
                           ? QString()
                           : QFileInfo(QString::fromStdString(CurrentPhotoFile)).completeBaseName();
    for (const SaveType& type : kSaveTypes)
        request.filters << QString::fromLatin1(type.filter);
    const int selected = std::clamp(SaveFilterIndex, 1, kSaveTypeCount) - 1;
    request.selectedFilter = selected;
    // A name typed without an extension receives the one of the type selected when the dialog
    // closes.
    request.defaultSuffix = QString::fromLatin1(kSaveTypes[selected].suffix);
    request.suffixFollowsFilter = true;

    const auto chosen = services_->SaveFile(this, request);
    if (!chosen) return;
    SaveFilterIndex = chosen->selectedFilter + 1;

    // Unsaved edits on the edit page are saved as they are; otherwise the preview with its
    // clip-art and text layers merged, which removes the layers from the preview.
    const TBitmap32* source = &Composite;
    if (EditDirty && plLeft->currentIndex() == pgEdit) {
        source = &ImgViewEdit->Picture();
    } else {
        FlattenLayersTo(Composite);
    }
    // The chosen type, not the typed extension, decides the format.
    SavePicture(*source, chosen->path.toStdString(), SaveFilterIndex, settings_.JpgCompressVar);
}

} // namespace lumetta::ui
