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

    p.ActHPercEdit->KeyFilter = [this](char32_t c) { return ActHPercEditKeyPress(c); };
    p.ActVPercEdit->KeyFilter = [this](char32_t c) { return ActVPercEditKeyPress(c); };
    connect(p.ActHPercEdit, &TSizeEdit::keyReleased, this,
            [this] { RunCommand([this] { ActHPercEditKeyUp(); }); });
    connect(p.ActVPercEdit, &TSizeEdit::keyReleased, this,
            [this] { RunCommand([this] { ActVPercEditKeyUp(); }); });

    // The view reports presses and moves after its layers have handled them.
    TImgView32& view = ImgViewEdit->Model();
    view.OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y, TCustomLayer*) {
        RunCommand([&] { ImgViewEditMouseDown(button, shift, x, y); });
    };
    view.OnMouseMove = [this](TMouseButtons buttons, TShiftState shift, int x, int y,
                              TCustomLayer*) {
        RunCommand([&] { ImgViewEditMouseMove(buttons, shift, x, y); });
    };
}

// ------------------------------------------------------------------ tools and selection

void TfrmMain::spEditArrowClick() {
    Selecting = false;
    RemoveSelection();
}

void TfrmMain::spEditSelectClick() {
    // The button shows down in any case; with no picture there is nothing to select yet.
    if (!ImgViewEdit->Picture().Empty()) Selecting = true;
}

void TfrmMain::ImgViewEditMouseDown(TMouseButton, TShiftState, int x, int y) {
    Selecting = !EditPanel->spEditArrow->isChecked();
    if (!Selecting) {
        // Also a press on the frame itself: in arrow mode any press discards the selection.
        RemoveSelection();
        return;
    }
    // An existing frame stays where it is until the pointer moves.
    SelAnchor = SelCorner = ImgViewEdit->Model().ControlToBitmap(x, y);
}

void TfrmMain::ImgViewEditMouseMove(TMouseButtons buttons, TShiftState, int x, int y) {
    if (!Selecting || !(buttons & mbsLeft)) return;
    // This runs after the frame has handled the move, so a drag that starts on the frame or
    // one of its handles also redefines the selection from the press point.
    SelCorner = ImgViewEdit->Model().ControlToBitmap(x, y);
    UpdateSelection();
}

void TfrmMain::UpdateSelection() {
    const TBitmap32& picture = ImgViewEdit->Picture();
    ShowSelectionFrame(DragSelection(SelAnchor, SelCorner, picture.Width(), picture.Height()));
}

void TfrmMain::ShowSelectionFrame(const TRect& r) {
    if (!Selecting) return;
    if (!HasSelection) {
        EditSelection = ImgViewEdit->Model().Layers().Add<TRubberbandLayer>();
        HasSelection = true;
    }
    TRubberbandLayer& frame = *EditSelection;
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
    if (!HasSelection) return;
    HasSelection = false;
    TRubberbandLayer* frame = EditSelection;
    EditSelection = nullptr;
    if (frame) frame->Free();
    ImgViewEdit->Model().Invalidate();
}

TRect TfrmMain::EditSelectionRect() const {
    if (!EditSelection) return {};
    const TBitmap32& picture = ImgViewEdit->Picture();
    return SelectionRectIn(EditSelection->Location(), picture.Width(), picture.Height());
}

// ------------------------------------------------------------------ commands on the picture

void TfrmMain::pbEditCutClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty() || !HasSelection) return;
    PushSnapshot(picture);
    UpdateUndoRedo();
    EditDirty = true;

    // Whatever happens to the crop, the tools return to Arrow without a selection.
    auto backToArrow = [this] {
        Selecting = false;
        RemoveSelection();
        EditPanel->spEditArrow->setChecked(true);
    };
    try {
        const TRect r = EditSelectionRect();
        const int w = r.Width();
        const int h = r.Height();
        Composite.SetSize(w, h);
        Composite.Draw(TRect{0, 0, w, h}, r, picture);
        picture.Assign(Composite);
        ShowPhotoSize();
    } catch (...) {
        backToArrow();
        throw;
    }
    backToArrow();
}

void TfrmMain::spEditFlipvClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    PushSnapshot(picture);
    EditDirty = true;
    UpdateUndoRedo();
    picture.FlipVert();
}

void TfrmMain::spEditFiphClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    PushSnapshot(picture);
    EditDirty = true;
    UpdateUndoRedo();
    picture.FlipHorz();
}

// ------------------------------------------------------------------ zoom

void TfrmMain::SetEditZoom(int zoomStep) {
    ZoomStep = zoomStep;
    ImgViewEdit->SetScale(ZoomScale(ZoomStep));
}

void TfrmMain::spEditZoomOutClick() {
    // "Zoom Out" shows the picture larger.
    if (ImgViewEdit->Picture().Empty()) return;
    if (ZoomStep < kZoomStepMax) SetEditZoom(ZoomStep + 1);
}

void TfrmMain::spEditZoomInClick() {
    // "Zoom In" shows the picture smaller.
    if (ImgViewEdit->Picture().Empty()) return;
    if (ZoomStep > kZoomStepMin) SetEditZoom(ZoomStep - 1);
}

void TfrmMain::spEditZoonClick() {
    if (ImgViewEdit->Picture().Empty()) return;
    SetEditZoom(kZoomStepActual);
}

// ------------------------------------------------------------------ resize

bool TfrmMain::ActHPercEditKeyPress(char32_t typed) {
    if (IsSizeFieldChar(typed)) return true;
    Services().Beep();
    return false;
}

bool TfrmMain::ActVPercEditKeyPress(char32_t typed) {
    return ActHPercEditKeyPress(typed);
}

void TfrmMain::ActHPercEditKeyUp() {
    if (ImgViewEdit->Picture().Empty()) return;
    const QString text = EditPanel->ActHPercEdit->text();
    if (text.isEmpty()) return;
    ResizeWidth = SizeFieldValue(text.toStdString());
    if (EditPanel->SynchronCheck->isChecked()) {
        ResizeHeight = HeightForWidth(ResizeWidth, AspectRatio);
        EditPanel->ActVPercEdit->setText(QString::number(ResizeHeight));
    }
    EditPanel->btnSizeOK->setEnabled(true);
}

void TfrmMain::ActVPercEditKeyUp() {
    if (ImgViewEdit->Picture().Empty()) return;
    const QString text = EditPanel->ActVPercEdit->text();
    if (text.isEmpty()) return;
    ResizeHeight = SizeFieldValue(text.toStdString());
    if (EditPanel->SynchronCheck->isChecked()) {
        ResizeWidth = WidthForHeight(ResizeHeight, AspectRatio);
        EditPanel->ActHPercEdit->setText(QString::number(ResizeWidth));
    }
    EditPanel->btnSizeOK->setEnabled(true);
}

void TfrmMain::btnSizeOKClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    // Resize reports nothing: a size of 0, or one whose pixels cannot be allocated, ends the
    // block and leaves what was done so far.
    try {
        PushSnapshot(picture);
        EditDirty = true;
        ResampleBitmap(picture, ResizeWidth, ResizeHeight, sfLanczos);
        EditedPhoto.Assign(picture);
        ShowPhotoSize();
        UpdateUndoRedo();
        EditPanel->btnSizeOK->setEnabled(false);
    } catch (...) {
        // The picture before the attempt is in the history: keep Undo within reach.
        try {
            UpdateUndoRedo();
        } catch (...) {}
    }
}

void TfrmMain::ShowResizeFieldValues() {
    if (!EditPanel) return;
    EditPanel->ActHPercEdit->setText(QString::number(ResizeWidth));
    EditPanel->ActVPercEdit->setText(QString::number(ResizeHeight));
    EditPanel->ActHPercEdit->setEnabled(true);
    EditPanel->ActVPercEdit->setEnabled(true);
}

} // namespace lumetta::ui
