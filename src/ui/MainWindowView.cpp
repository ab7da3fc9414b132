// TfrmMain: seeing the whole photo (Fit to Window, Actual Size, fitting new photos), File >
// Recent Photos in the menu, and the usual keys beside the window's own shortcuts.
#include "edit/EditGeometry.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QMenu>
#include <QStackedWidget>

#include <algorithm>
#include <cmath>

namespace lumetta::ui {

namespace {

constexpr float kPreviewLargestScale = 20.0f; // the wheel's limit

// The largest scale that shows the whole picture in the view's viewport, at most the page's
// largest zoom; 0 when there is nothing to fit.
float FitScaleOf(ImageViewWidget* view, float largest) {
    const TBitmap32& picture = view->Picture();
    const TRect viewport = view->Model().ViewportRect();
    if (picture.Empty() || viewport.Width() <= 0 || viewport.Height() <= 0) return 0.0f;
    const float scale = std::min(float(viewport.Width()) / float(picture.Width()),
                                 float(viewport.Height()) / float(picture.Height()));
    return std::min(scale, largest);
}

void AddShortcut(QAction* action, const QKeySequence& key) {
    QList<QKeySequence> keys = action->shortcuts();
    keys << key;
    action->setShortcuts(keys);
}

} // namespace

void TfrmMain::CreateAdditions(QMenu* fileMenu, QMenu* viewMenu) {
    // File > Recent Photos, right under Open File.
    act_.actClearRecent = new QAction(QStringLiteral("Clear List"), this);
    act_.actClearRecent->setObjectName(QStringLiteral("actClearRecent"));
    connect(act_.actClearRecent, &QAction::triggered, this, [this] {
        RunCommand([this] {
            settings_.RecentPhotos.clear();
            UpdateRecentPhotosMenu();
        });
    });
    recentMenu_ = new QMenu(QStringLiteral("Recent Photos"), this);
    recentMenu_->setObjectName(QStringLiteral("RecentPhotos"));
    recentMenu_->setToolTipsVisible(true);
    QAction* before = fileMenu->actions().value(1);
    fileMenu->insertMenu(before, recentMenu_);
    UpdateRecentPhotosMenu();

    // View > Fit to Window, Actual Size.
    act_.actFitToWindow =
        MakeAction("Fit to Window", "Fit to Window", "Ctrl+0", &TfrmMain::actFitToWindowExecute);
    act_.actActualSize =
        MakeAction("Actual Size", "Actual Size", "Ctrl+1", &TfrmMain::actActualSizeExecute);
    viewMenu->addSeparator();
    viewMenu->addAction(act_.actFitToWindow);
    viewMenu->addAction(act_.actActualSize);

    // The usual keys, beside the window's own, which stay as they are.
    AddShortcut(act_.actSaveFile, QKeySequence(QStringLiteral("Ctrl+S")));
    AddShortcut(act_.actExit, QKeySequence(QStringLiteral("Ctrl+Q")));
    AddShortcut(act_.actArtDelete, QKeySequence(Qt::Key_Delete));
    act_.actCopy = MakeAction("Copy", "Copy", "Ctrl+C", nullptr);
    connect(act_.actCopy, &QAction::triggered, this,
            [this] { RunCommand([this] { spEditCopyClick(); }); });
    act_.actPaste = MakeAction("Paste", "Paste", "Ctrl+V", nullptr);
    connect(act_.actPaste, &QAction::triggered, this,
            [this] { RunCommand([this] { spEditPasteClick(); }); });
    act_.actDeselect = MakeAction("Deselect", "Deselect", "Esc", &TfrmMain::actDeselectExecute);
    const std::pair<QAction*, const char*> added[] = {{act_.actFitToWindow, "actFitToWindow"},
                                                      {act_.actActualSize, "actActualSize"},
                                                      {act_.actCopy, "actCopy"},
                                                      {act_.actPaste, "actPaste"},
                                                      {act_.actDeselect, "actDeselect"}};
    for (const auto& [action, name] : added) {
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
}

// ------------------------------------------------------------------ seeing the whole photo

void TfrmMain::ApplyEditZoom() {
    // Without a fraction this is exactly ZoomStep / 10.
    ImgViewEdit->SetScale(zoomFraction_ == 0.0f ? ZoomScale(zoomStep_)
                                                : (float(zoomStep_) + zoomFraction_) / 10.0f);
}

void TfrmMain::actFitToWindowExecute() {
    const int page = PageListMain->currentIndex();
    if (page == plEditPhoto) {
        const float scale = FitScaleOf(ImgViewEdit, ZoomScale(kZoomStepMax));
        if (scale <= 0) return;
        // The zoom buttons go on from here in steps of a tenth.
        const float steps = scale * 10.0f;
        zoomStep_ = int(std::floor(steps));
        zoomFraction_ = steps - float(zoomStep_);
        ApplyEditZoom();
    } else if (page == plPreview) {
        const float scale = FitScaleOf(imgView, kPreviewLargestScale);
        if (scale > 0) imgView->SetScale(scale);
    }
}

void TfrmMain::actActualSizeExecute() {
    const int page = PageListMain->currentIndex();
    if (page == plEditPhoto) {
        zoomStep_ = kZoomStepActual;
        zoomFraction_ = 0.0f;
        ApplyEditZoom();
    } else if (page == plPreview) {
        imgView->SetScale(1.0f);
    }
}

void TfrmMain::FitNewPhoto() {
    if (!settings_.FitNewPhotos) return;
    // Only a photo larger than the window is scaled: a small one keeps its pixels at 1:1.
    const float scale = FitScaleOf(ImgViewEdit, 1.0f);
    if (scale <= 0 || scale >= 1.0f) return;
    const float steps = scale * 10.0f;
    zoomStep_ = int(std::floor(steps));
    zoomFraction_ = steps - float(zoomStep_);
    ApplyEditZoom();
    imgView->SetScale(scale);
}

void TfrmMain::actDeselectExecute() {
    // Escape leaves the selection of the page in view.
    if (PageListMain->currentIndex() == plEditPhoto) {
        RemoveSelection();
    } else if (PageListMain->currentIndex() == plPreview && doc_->SelectedLayer()) {
        doc_->SelectLayer(nullptr);
        HideClipArtTools();
    }
}

} // namespace lumetta::ui
