// TfrmMain: the left panel's pages and the hooks the decoration tools fill in.
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindows.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace lumetta::ui {

void TfrmMain::BuildLeftPages(QWidget* pageEdit, QWidget* pageObject, QWidget* pagePrint) {
    BuildEditPage(pageEdit);
    CreateDecorationTools(pageObject);
    BuildPrintOptionsPage(pagePrint);
}

void TfrmMain::ShowResizeFields(int width, int height) {
    ResizeWidth = width;
    ResizeHeight = height;
    AspectRatio = height != 0 ? double(width) / double(height) : 0.0;
    ShowResizeFieldValues();
}

void TfrmMain::HideClipArtTools() {
    if (frmClipArtTools && frmClipArtTools->isVisible()) frmClipArtTools->hide();
}

void TfrmMain::ShowTextInput() {
    if (!frmTextInput || frmTextInput->isVisible()) return;
    frmTextInput->ShowBesideOwner();
    // The user types at once: give the edit box the keyboard.
    frmTextInput->activateWindow();
    frmTextInput->edtText->setFocus();
}

} // namespace lumetta::ui
