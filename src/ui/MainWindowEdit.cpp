// TfrmMain: the edit page — the tool buttons, the selection frame, Cut, the flips, the zoom of
// the edit view and the resize panel.
#include "decorate/LayerGeometry.h"
#include "edit/EditGeometry.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QPushButton>
#include <QToolButton>

namespace lumetta::ui {

void TfrmMain::BuildEditPage(QWidget* pageEdit) {
    EditPanel = new TEditPanels(pageEdit);
    EditPanel->setObjectName(QStringLiteral("EditPanel"));
    PutInScroller(pageEdit, EditPanel);

    auto bind = [this](QAbstractButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    };
    TEditPanels& p = *EditPanel;
    bind(p.spEditArrow, &TfrmMain::spEditArrowClick);
    bind(p.spEditSelect, &TfrmMain::spEditSelectClick);
    bind(p.pbEditCut, &TfrmMain::pbEditCutClick);
    bind(p.spEditCopy, &TfrmMain::spEditCopyClick);
    bind(p.spEditPaste, &TfrmMain::spEditPasteClick);
    bind(p.spEditFlipv, &TfrmMain::spEditFlipvClick);
    bind(p.spEditFiph, &TfrmMain::spEditFiphClick);
    bind(p.spEditZoomOut, &TfrmMain::spEditZoomOutClick);
    bind(p.spEditZoomIn, &TfrmMain::spEditZoomInClick);
    bind(p.spEditZoon, &TfrmMain::spEditZoonClick);
    bind(p.btnSizeOK, &TfrmMain::btnSizeOKClick);
    ConnectToneTools();

    p.ActHPercEdit->KeyFilter = [this](char32_t c) { return SizeFieldKeyPress(c); };
    p.ActVPercEdit->KeyFilter = [this](char32_t c) { return SizeFieldKeyPress(c); };
    connect(p.ActHPercEdit, &TSizeEdit::keyReleased, this,
            [this] { RunCommand([this] { ActHPercEditKeyUp(); }); });
    connect(p.ActVPercEdit, &TSizeEdit::keyReleased, this,
            [this] { RunCommand([this] { ActVPercEditKeyUp(); }); });

    // The view reports presses, moves and releases after its layers have handled them.
    TImgView32& view = ImgViewEdit->Model();
    view.OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y,
                              TCustomLayer* layer) {
        RunCommand([&] { ImgViewEditMouseDown(button, shift, x, y, layer); });
    };
    view.OnMouseMove = [this](TMouseButtons buttons, TShiftState shift, int x, int y,
                              TCustomLayer*) {
        RunCommand([&] { ImgViewEditMouseMove(buttons, shift, x, y); });
    };
    view.OnMouseUp = [this](TMouseButton, TMouseButtons buttons, TShiftState, int, int,
                            TCustomLayer*) {
        if (buttons == mbsNone) draggingFrame_ = false;
        UpdateActions();
    };
}

// ------------------------------------------------------------------ tools and selection

void TfrmMain::spEditArrowClick() {
    selecting_ = false;
    RemoveSelection();
}

void TfrmMain::spEditSelectClick() {
    // The button shows down in any case; with no picture there is nothing to select yet.
    if (!doc_->EditPicture().Empty()) selecting_ = true;
}

void TfrmMain::ImgViewEditMouseDown(TMouseButton button, TShiftState, int x, int y,
                                    TCustomLayer* layer) {
    selecting_ = !EditPanel->spEditArrow->isChecked();
    if (!selecting_) {
        // Also a press on the frame itself: in arrow mode any press discards the selection.
        RemoveSelection();
        return;
    }
    // A left press on the frame grabs it: its handles resize it and its inside moves it,
    // instead of starting a new selection from the press point.
    if (button == mbLeft && layer && layer == editSelection_) {
        draggingFrame_ = true;
        return;
    }
    draggingFrame_ = false;
    // An existing frame stays where it is until the pointer moves.
    selAnchor_ = selCorner_ = ImgViewEdit->Model().ControlToBitmap(x, y);
}

void TfrmMain::ImgViewEditMouseMove(TMouseButtons buttons, TShiftState, int x, int y) {
    if (!selecting_ || draggingFrame_ || !(buttons & mbsLeft)) return;
    selCorner_ = ImgViewEdit->Model().ControlToBitmap(x, y);
    UpdateSelection();
}

void TfrmMain::UpdateSelection() {
    const TBitmap32& picture = doc_->EditPicture();
    ShowSelectionFrame(DragSelection(selAnchor_, selCorner_, picture.Width(), picture.Height()));
}

void TfrmMain::ShowSelectionFrame(const TRect& r) {
    if (!selecting_) return;
    if (!hasSelection_) {
        editSelection_ = ImgViewEdit->Model().Layers().Add<TRubberbandLayer>();
        hasSelection_ = true;
    }
    TRubberbandLayer& frame = *editSelection_;
    frame.SetLayerOptions(LayerVisible | LayerMouseEvents);
    frame.OnResizing = [](const TFloatRect& oldLocation, TFloatRect& newLocation,
                          RubberBandDragState state, TShiftState shift) {
        SymmetricResize(oldLocation, newLocation, state, shift);
    };
    frame.SetScaled(true);
    frame.SetVisible(true);
    frame.SetLocation(TFloatRect{float(r.Left), float(r.Top), float(r.Right), float(r.Bottom)});
    frame.SetVisible(true);
    frame.BringToFront();
    ImgViewEdit->Model().Invalidate();
}

void TfrmMain::RemoveSelection() {
    draggingFrame_ = false;
    if (!hasSelection_) return;
    hasSelection_ = false;
    TRubberbandLayer* frame = editSelection_;
    editSelection_ = nullptr;
    if (frame) frame->Free();
    ImgViewEdit->Model().Invalidate();
}

TRect TfrmMain::EditSelectionRect() const {
    if (!editSelection_ || !doc_) return {};
    const TBitmap32& picture = doc_->EditPicture();
    return SelectionRectIn(editSelection_->Location(), picture.Width(), picture.Height());
}

// ------------------------------------------------------------------ commands on the picture

void TfrmMain::pbEditCutClick() {
    if (doc_->EditPicture().Empty() || !hasSelection_) return;
    // Whatever happens to the crop, the tools return to Arrow without a selection.
    const TRect r = EditSelectionRect();
    struct BackToArrow {
        TfrmMain& w;
        ~BackToArrow() {
            w.selecting_ = false;
            w.RemoveSelection();
            w.EditPanel->spEditArrow->setChecked(true);
        }
    } backToArrow{*this};
    // A selection without area would crop the photo away: Cut is disabled for it.
    doc_->Cut(r);
    ShowPhotoSize(true);
}

void TfrmMain::spEditFlipvClick() {
    if (doc_->EditPicture().Empty()) return;
    doc_->Flip(false);
}

void TfrmMain::spEditFiphClick() {
    if (doc_->EditPicture().Empty()) return;
    doc_->Flip(true);
}

// ------------------------------------------------------------------ zoom

void TfrmMain::SetEditZoom(int zoomStep) {
    zoomStep_ = zoomStep;
    zoomFraction_ = 0.0f;
    ApplyEditZoom();
}

void TfrmMain::spEditZoomOutClick() {
    // "Zoom Out" shows the picture larger.
    if (doc_->EditPicture().Empty()) return;
    // After Fit to Window the steps go on from the fitted scale, up to the largest one.
    if (float(zoomStep_) + zoomFraction_ >= float(kZoomStepMax)) return;
    ++zoomStep_;
    if (float(zoomStep_) + zoomFraction_ > float(kZoomStepMax)) {
        zoomStep_ = kZoomStepMax;
        zoomFraction_ = 0.0f;
    }
    ApplyEditZoom();
}

void TfrmMain::spEditZoomInClick() {
    // "Zoom In" shows the picture smaller.
    if (doc_->EditPicture().Empty()) return;
    // A fitted scale below the smallest step stays where it is.
    if (float(zoomStep_) + zoomFraction_ <= float(kZoomStepMin)) return;
    --zoomStep_;
    if (float(zoomStep_) + zoomFraction_ < float(kZoomStepMin)) {
        zoomStep_ = kZoomStepMin;
        zoomFraction_ = 0.0f;
    }
    ApplyEditZoom();
}

void TfrmMain::spEditZoonClick() {
    if (doc_->EditPicture().Empty()) return;
    SetEditZoom(kZoomStepActual);
}

// ------------------------------------------------------------------ resize

bool TfrmMain::SizeFieldKeyPress(char32_t typed) {
    if (IsSizeFieldChar(typed)) return true;
    Services().Beep();
    return false;
}

void TfrmMain::ActHPercEditKeyUp() {
    if (doc_->EditPicture().Empty()) return;
    const QString text = EditPanel->ActHPercEdit->text();
    if (text.isEmpty()) return;
    resizeWidth_ = SizeFieldValue(text.toStdString());
    if (EditPanel->SynchronCheck->isChecked()) {
        resizeHeight_ = HeightForWidth(resizeWidth_, aspectRatio_);
        EditPanel->ActVPercEdit->setText(QString::number(resizeHeight_));
    }
    EditPanel->btnSizeOK->setEnabled(true);
}

void TfrmMain::ActVPercEditKeyUp() {
    if (doc_->EditPicture().Empty()) return;
    const QString text = EditPanel->ActVPercEdit->text();
    if (text.isEmpty()) return;
    resizeHeight_ = SizeFieldValue(text.toStdString());
    if (EditPanel->SynchronCheck->isChecked()) {
        resizeWidth_ = WidthForHeight(resizeHeight_, aspectRatio_);
        EditPanel->ActHPercEdit->setText(QString::number(resizeWidth_));
    }
    EditPanel->btnSizeOK->setEnabled(true);
}

void TfrmMain::btnSizeOKClick() {
    if (doc_->EditPicture().Empty()) return;
    // A size the program cannot hold is refused with a message before anything changes; a
    // resize that fails leaves the picture as it was.
    doc_->Resize(resizeWidth_, resizeHeight_);
    ShowPhotoSize(true);
    EditPanel->btnSizeOK->setEnabled(false);
}

void TfrmMain::ShowResizeFieldValues() {
    if (!EditPanel) return;
    EditPanel->ActHPercEdit->setText(QString::number(resizeWidth_));
    EditPanel->ActVPercEdit->setText(QString::number(resizeHeight_));
    EditPanel->ActHPercEdit->setEnabled(true);
    EditPanel->ActVPercEdit->setEnabled(true);
}

} // namespace lumetta::ui
