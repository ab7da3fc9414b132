// TfrmMain: the object page and the decorations — frames, shadows and masks composed into the
// preview, clip-art and text layers floating over it.
#include "codecs/ImageIO.h"
#include "decorate/Compose.h"
#include "decorate/FloatingLayers.h"
#include "decorate/TextLayer.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"

#include <QAction>
#include <QLineEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace lumetta::ui {

// ------------------------------------------------------------------ the object page

void TfrmMain::EnsureObjectPage() {
    if (ivLeft) return;
    auto* layout = new QVBoxLayout(pageObject_);
    layout->setContentsMargins(0, 0, 0, 0);
    ivLeft = new TThumbnailList(pageObject_);
    ivLeft->setObjectName(QStringLiteral("ivLeft"));
    layout->addWidget(ivLeft);
    ivLeft->SetFolders(thumbnailFolders_);

    connect(ivLeft, &TThumbnailList::itemPressed, this, [this](int index) {
        currentObjectName_ = ObjectNameOf(ivLeft->ItemPath(index).toStdString());
    });
    connect(ivLeft, &TThumbnailList::itemDoubleClicked, this,
            [this](int) { RunCommand([this] { ivLeftDblClick(); }); });
}

TThumbnailList* TfrmMain::ObjectList() {
    EnsureObjectPage();
    return ivLeft;
}

void TfrmMain::CreateDecorationTools() {
    imgView->SetAcceptPictureDrops(true);
    connect(imgView, &ImageViewWidget::pictureDropped, this,
            [this] { RunCommand([this] { imgViewDragDrop(); }); });

    // The clip-art commands live on the clip-art tool window only.
    act_.actArtDelete =
        MakeAction("", "Delete ClipArt", "Ctrl+Del", &TfrmMain::actArtDeleteExecute);
    act_.actArtFlipHorz = MakeAction("", "Flip Horizontally", "", &TfrmMain::actArtFlipHorzExecute);
    act_.actArtFlipVert = MakeAction("", "Flip Vertically", "", &TfrmMain::actArtFlipVertExecute);
    act_.actArtRotate90 =
        MakeAction("", QString::fromUtf8("Rotate 90°"), "", &TfrmMain::actArtRotate90Execute);
    act_.actArtRotate270 =
        MakeAction("", QString::fromUtf8("Rotate -90°"), "", &TfrmMain::actArtRotate270Execute);
    act_.actArtFlattenLayers = MakeAction("", "Apply", "", &TfrmMain::actArtFlattenLayersExecute);
    for (QAction* a : {act_.actArtDelete, act_.actArtFlipHorz, act_.actArtFlipVert,
                       act_.actArtRotate90, act_.actArtRotate270, act_.actArtFlattenLayers}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    act_.actArtDelete->setObjectName(QStringLiteral("actArtDelete"));
    act_.actArtFlattenLayers->setObjectName(QStringLiteral("actArtFlattenLayers"));
}

void TfrmMain::SetObjectKind(int kind, const QString& mask) {
    EnsureObjectPage();
    ivLeft->ObjectKind = kind;
    ivLeft->SetFileMask(mask);
}

void TfrmMain::ivLeftDblClick() {
    if (doc_->PreviewPicture().Empty()) actOpenFileExecute();
    const int index = ivLeft->SelectedIndex();
    if (index < 0) return;
    currentObjectName_ = ObjectNameOf(ivLeft->ItemPath(index).toStdString());
    SetStatusText(2, QStringLiteral("No:") + QString::fromStdString(currentObjectName_));
    DispatchObject(currentObjectName_);
}

void TfrmMain::imgViewDragDrop() {
    SetStatusText(2, QStringLiteral("No:") + QString::fromStdString(currentObjectName_));
    DispatchObject(currentObjectName_);
}

void TfrmMain::DispatchObject(const std::string& name) {
    // With no photo there is nothing to decorate.
    if (!doc_->HasPhoto()) return;
    // The decoration is made on the preview: that is what the user is shown.
    if (PageListMain->currentIndex() != plPreview) PageListMain->setCurrentIndex(plPreview);
    switch (ObjectList()->ObjectKind) {
    case okFrame:
        ApplyFrame(name);
        break;
    case okClipArt:
        AddClipArtLayer(name);
        break;
    case okShadow:
        ApplyShadow(name);
        break;
    default:
        ApplyMask(name);
        break;
    }
}

// ------------------------------------------------------------------ frames, shadows, masks

void TfrmMain::ApplyFrameLike(const std::string& name, const char* section, TFrameSpec& placement) {
    LoadObjectImage(objectPack_, name + ".png", doc_->ObjectImage());
    ReadFrameSpec(placementIndex_, section, name, placement);
    TBitmap32& frame = doc_->ObjectImage();
    const TFrameSpec record = placement; // the decoration keeps its own copy
    doc_->Decorate([&](TBitmap32& composite) { ApplyFrameTemplate(composite, frame, record); });
}

void TfrmMain::ApplyFrame(const std::string& name) {
    ApplyFrameLike(name, "Frames", currentFrameSpec_);
}

void TfrmMain::ApplyShadow(const std::string& name) {
    ApplyFrameLike(name, "Shadows", currentShadowSpec_);
}

void TfrmMain::ApplyMask(const std::string& name) {
    LoadObjectImage(objectPack_, name + ".png", doc_->ObjectImage());
    TBitmap32& mask = doc_->ObjectImage();
    doc_->Decorate([&](TBitmap32& composite) { ApplyMaskTo(composite, mask); });
}

// ------------------------------------------------------------------ layers

TPoint TfrmMain::PreviewCentre() const {
    TImgView32& view = imgView->Model();
    const TRect vp = view.ViewportRect();
    return view.ControlToBitmap((vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2);
}

void TfrmMain::ShowPreviewForLayers() {
    // Layers float over the preview. Text added while another page shows would land on a
    // picture the user cannot see (and one the edit page may since have changed): commit and
    // show the preview first, as the clip-art mode does.
    if (plLeft->currentIndex() != pgObject) {
        SwitchMode(pmAddClipArt);
    } else if (PageListMain->currentIndex() != plPreview) {
        PageListMain->setCurrentIndex(plPreview);
    }
}

void TfrmMain::AddClipArtLayer(const std::string& name) {
    LoadObjectImage(objectPack_, name + ".png", doc_->ObjectImage());
    FitClipArtTo(doc_->ObjectImage(), imgView->Picture().Width(), imgView->Picture().Height());
    TBitmapLayer* layer = doc_->AddLayer(doc_->ObjectImage(), PreviewCentre());
    ShowClipArtTools(layer);
}

void TfrmMain::AddTextLayer(const std::string& text) {
    if (!doc_->HasPhoto()) return;
    // The text window was changing a layer: that layer takes the text, where it is.
    if (editingText_) {
        TTextLayer* layer = editingText_;
        const TFontDesc font = editFont_;
        EndTextEdit();
        if (doc_->EditTextLayer(layer, text, font)) return;
        // The layer was merged or deleted meanwhile: the text becomes a new layer.
        ShowPreviewForLayers();
        if (TTextLayer* added = doc_->AddTextLayer(text, font, PreviewCentre()))
            ShowClipArtTools(added);
        return;
    }
    ShowPreviewForLayers();
    TTextLayer* layer = doc_->AddTextLayer(text, textFont_, PreviewCentre());
    if (layer) ShowClipArtTools(layer);
}

void TfrmMain::EditTextLayerAt(int x, int y) {
    if (PageListMain->currentIndex() != plPreview) return;
    auto* layer = dynamic_cast<TTextLayer*>(doc_->LayerAt(x, y));
    if (!layer) return;
    doc_->SelectLayer(layer);
    editingText_ = layer;
    editFont_ = layer->Font;
    frmTextInput->BeginEdit(QString::fromStdString(layer->Text));
    ShowTextInput();
}

void TfrmMain::EndTextEdit() {
    if (!editingText_) return;
    editingText_ = nullptr;
    if (frmTextInput) frmTextInput->EndEdit();
}

void TfrmMain::LayerPressed() {
    ShowClipArtTools(nullptr);
}

void TfrmMain::ShowClipArtTools(const TPositionedLayer* layer) {
    if (frmClipArtTools->isVisible()) return;
    if (layer && frmClipArtTools->ShownBefore()) {
        // Beside the layer as the user sees it (through the zoom and the scroll position):
        // centred below it, above it when there is no room below, always on the screen.
        const TFloatRect at = layer->AdjustedLocation();
        const QPoint topLeft =
            imgView->viewport()->mapToGlobal(QPoint(int(std::floor(at.Left)), int(at.Top)));
        const QPoint bottomRight = imgView->viewport()->mapToGlobal(
            QPoint(int(std::ceil(at.Right)), int(std::ceil(at.Bottom))));
        const QSize size = frmClipArtTools->frameGeometry().size();
        const QScreen* screen = this->screen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        int x = (topLeft.x() + bottomRight.x()) / 2 - size.width() / 2;
        int y = bottomRight.y() + 8;
        if (y + size.height() > area.bottom()) y = topLeft.y() - 8 - size.height();
        x = std::clamp(x, area.left(), std::max(area.left(), area.right() - size.width()));
        y = std::clamp(y, area.top(), std::max(area.top(), area.bottom() - size.height()));
        frmClipArtTools->move(x, y);
    }
    frmClipArtTools->ShowBesideOwner();
}

void TfrmMain::HideClipArtTools() {
    if (frmClipArtTools && frmClipArtTools->isVisible()) frmClipArtTools->hide();
}

void TfrmMain::actArtFlattenLayersExecute() {
    doc_->Apply(OutputPage());
    HideClipArtTools();
}

void TfrmMain::actArtDeleteExecute() {
    doc_->DeleteSelectedLayer();
    if (!doc_->HasLayers()) HideClipArtTools();
}

void TfrmMain::actArtFlipHorzExecute() {
    doc_->FlipSelectedLayer(true);
}

void TfrmMain::actArtFlipVertExecute() {
    doc_->FlipSelectedLayer(false);
}

void TfrmMain::actArtRotate90Execute() {
    doc_->TurnSelectedLayer(true);
}

void TfrmMain::actArtRotate270Execute() {
    doc_->TurnSelectedLayer(false);
}

// ------------------------------------------------------------------ the text window

void TfrmMain::btnSetFontClick() {
    // While a text layer is changed, the font is that layer's; otherwise the one of new text.
    TFontDesc& font = editingText_ ? editFont_ : textFont_;
    if (auto chosen = services_->ChooseFont(frmTextInput, font)) font = *chosen;
}

void TfrmMain::ShowTextInput() {
    if (!frmTextInput || frmTextInput->isVisible()) return;
    frmTextInput->ShowBesideOwner();
    // The user types at once: give the edit box the keyboard.
    frmTextInput->activateWindow();
    frmTextInput->edtText->setFocus();
}

} // namespace lumetta::ui
