// TfrmMain: the tone tools of the edit page — Auto Contrast, and the contrast panel whose three
// sliders preview contrast, brightness and gamma live until Update commits them.
#include "edit/Tone.h"
#include "ui/EditPanels.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <exception>
#include <utility>

namespace lumetta::ui {

void TfrmMain::ConnectToneTools() {
    TEditPanels& p = *EditPanel;
    auto bind = [this](QAbstractButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
    };
    bind(p.spEditAuto, &TfrmMain::spEditAutoClick);
    bind(p.spEditAdjust, &TfrmMain::spEditAdjustClick);
    bind(p.btnContrastOK, &TfrmMain::btnContrastOKClick);
    bind(p.btnContrastCancel, &TfrmMain::btnContrastCancelClick);
    // Mouse, keyboard and programmatic moves all arrive here.
    for (QSlider* slider : {p.tbEditContrast, p.tbEditBright, p.tbEditGamma}) {
        connect(slider, &QSlider::valueChanged, this, [this] {
            if (!toneResetting_) {
                RunCommand([this] { tbEditContrastChange(); });
                return;
            }
            // Fired by Adjust Contrast: the error belongs to that command, but must not travel
            // through the slider's signal.
            try {
                tbEditContrastChange();
            } catch (...) {
                if (!toneError_) toneError_ = std::current_exception();
            }
        });
    }
}

void TfrmMain::SetToneSlider(QSlider* slider, int position) {
    toneResetting_ = true;
    toneError_ = nullptr;
    slider->setValue(position); // fires the change only when the slider moves
    toneResetting_ = false;
    if (toneError_) {
        std::exception_ptr error = std::exchange(toneError_, nullptr);
        std::rethrow_exception(error);
    }
}

void TfrmMain::spEditAutoClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    PushSnapshot(picture);
    UpdateUndoRedo();
    EditDirty = true;
    AutoContrast(picture);
}

void TfrmMain::spEditAdjustClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    // The snapshot is taken before the resets: a reset that re-renders replaces the picture
    // with the committed photo, and uncommitted edits (a flip, a cut) must stay within Undo.
    PushSnapshot(picture);
    EditDirty = true;
    UpdateUndoRedo();
    // Gamma keeps its stored value: the resets re-render only where the sliders and the stored
    // values disagree.
    ToneContrast = 0.0;
    ToneBrightness = 0.0;
    TEditPanels& p = *EditPanel;
    SetToneSlider(p.tbEditContrast, 0);
    SetToneSlider(p.tbEditBright, 0);
    SetToneSlider(p.tbEditGamma, 100);
    p.plContrast->show();
}

void TfrmMain::tbEditContrastChange() {
    const TEditPanels& p = *EditPanel;
    const double contrast = p.tbEditContrast->value();
    const double brightness = p.tbEditBright->value();
    const double gamma = p.tbEditGamma->value();
    if (contrast == ToneContrast && brightness == ToneBrightness && gamma == ToneGamma) return;
    ToneContrast = contrast;
    ToneBrightness = brightness;
    ToneGamma = gamma;
    ApplyUpdateImage();
    p.btnContrastOK->setEnabled(true);
}

void TfrmMain::ApplyUpdateImage() {
    // Every render starts again from EditedPhoto, so moves never accumulate. The three passes
    // are one table lookup per channel, written straight into the edit picture's own pixels
    // when no one else holds them: Composite lets go of them first (its contents mean nothing
    // between commands) and takes the result afterwards without a copy.
    TBitmap32& picture = ImgViewEdit->Picture();
    Composite.Assign(EditedPhoto);
    ApplyLookupTable(&picture, &EditedPhoto,
                     SliderToneTable(ToneContrast, ToneBrightness, ToneGamma));
    Composite.Assign(picture);
    ImgViewEdit->Model().Invalidate();
}

void TfrmMain::ApplyToneTables(TBitmap32& bitmap) {
    ApplyLookupTable(&bitmap, &bitmap, SliderToneTable(ToneContrast, ToneBrightness, ToneGamma));
}

void TfrmMain::btnContrastOKClick() {
    ApplyUpdateImage();
    PushSnapshot(EditedPhoto); // the photo before this adjustment
    EditedPhoto.Assign(ImgViewEdit->Picture());
    EditPanel->plContrast->hide();
    EditPanel->btnContrastOK->setEnabled(false);
    UpdateUndoRedo();
    // EditDirty stays set: the next mode change stores the adjusted picture once more.
}

void TfrmMain::btnContrastCancelClick() {
    // The sliders, the stored values and Update stay as they are.
    EditPanel->plContrast->hide();
    if (EditDirty) {
        ImgViewEdit->Picture().Assign(EditedPhoto);
        EditDirty = false;
    }
}

} // namespace lumetta::ui
