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
    if (doc_->EditPicture().Empty()) return;
    doc_->AutoContrast();
}

void TfrmMain::spEditAdjustClick() {
    if (doc_->EditPicture().Empty()) return;
    // The adjustment previews from the picture as it is now, uncommitted edits included; the
    // document keeps that picture in the history and for Cancel.
    doc_->BeginTone();
    // Gamma keeps its stored value: the resets re-render only where the sliders and the stored
    // values disagree.
    toneContrast_ = 0.0;
    toneBrightness_ = 0.0;
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
    if (contrast == toneContrast_ && brightness == toneBrightness_ && gamma == toneGamma_) return;
    toneContrast_ = contrast;
    toneBrightness_ = brightness;
    toneGamma_ = gamma;
    // A slider moved while no adjustment is under way (the panel was closed by another
    // command) starts one from the picture in view.
    if (!doc_->ToneOpen()) {
        if (doc_->EditPicture().Empty()) return;
        doc_->BeginTone();
        EditPanel->plContrast->show();
    }
    ApplyUpdateImage();
    p.btnContrastOK->setEnabled(true);
}

void TfrmMain::ApplyUpdateImage() {
    // Every render starts again from the picture the adjustment began from, so moves never
    // accumulate. The three passes are one table lookup per channel.
    doc_->RenderTone(SliderToneTable(toneContrast_, toneBrightness_, toneGamma_));
}

void TfrmMain::btnContrastOKClick() {
    if (doc_->ToneOpen()) {
        ApplyUpdateImage();
        doc_->CommitTone();
    }
    EditPanel->plContrast->hide();
    EditPanel->btnContrastOK->setEnabled(false);
}

void TfrmMain::btnContrastCancelClick() {
    // The sliders, the stored values and Update stay as they are.
    EditPanel->plContrast->hide();
    doc_->CancelTone();
}

} // namespace lumetta::ui
