// TfrmMain: the left panel's pages and the hooks the decoration tools fill in.
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindows.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace lumetta::ui {

void TfrmMain::ShowResizeFields(int width, int height) {
    resizeWidth_ = width;
    resizeHeight_ = height;
    aspectRatio_ = height != 0 ? double(width) / double(height) : 0.0;
    ShowResizeFieldValues();
}

} // namespace lumetta::ui
