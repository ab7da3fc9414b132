// TfrmMain: the object page and the decorations — frames, shadows and masks composed into the
// preview, clip-art and text layers floating over it.
#include "codecs/ImageIO.h"
#include "decorate/Compose.h"
#include "decorate/FloatingLayers.h"
#include "decorate/LayerGeometry.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/ThumbnailList.h"
#include "ui/ToolWindows.h"

#include <QAction>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace lumetta::ui {

// ------------------------------------------------------------------ the object page

void TfrmMain::CreateDecorationTools(QWidget* pageObject) {
    auto* layout = new QVBoxLayout(pageObject);
    layout->setContentsMargins(0, 0, 0, 0);
    ivLeft = new TThumbnailList(pageObject);
    ivLeft->setObjectName(QStringLiteral("ivLeft"));
    layout->addWidget(ivLeft);

    connect(ivLeft, &TThumbnailList::itemPressed, this, [this](int index) {
        CurrentObjectName = ObjectNameOf(ivLeft->ItemPath(index).toStdString());
    });
    connect(ivLeft, &TThumbnailList::itemDoubleClicked, this,
            [this](int) { RunCommand([this] { ivLeftDblClick(); }); });

    imgView->SetAcceptPictureDrops(true);
    connect(imgView, &ImageViewWidget::pictureDropped, this,
            [this] { RunCommand([this] { imgViewDragDrop(); }); });

    // The clip-art commands live on the clip-art tool window only.
    actArtDelete = MakeAction("", "Delete ClipArt", "Ctrl+Del", &TfrmMain::actArtDeleteExecute);
    actArtFlipHorz = MakeAction("", "Flip Horizontally", "", &TfrmMain::actArtFlipHorzExecute);
    actArtFlipVert = MakeAction("", "Flip Vertically", "", &TfrmMain::actArtFlipVertExecute);
    actArtRotate90 =
        MakeAction("", QString::fromUtf8("Rotate 90°"), "", &TfrmMain::actArtRotate90Execute);
    actArtRotate270 =
        MakeAction("", QString::fromUtf8("Rotate -90°"), "", &TfrmMain::actArtRotate270Execute);
    actArtFlattenLayers = MakeAction("", "Apply", "", &TfrmMain::actArtFlattenLayersExecute);
    for (QAction* a : {actArtDelete, actArtFlipHorz, actArtFlipVert, actArtRotate90,
                       actArtRotate270, actArtFlattenLayers}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
    actArtDelete->setObjectName(QStringLiteral("actArtDelete"));
    actArtFlattenLayers->setObjectName(QStringLiteral("actArtFlattenLayers"));
}

void TfrmMain::SetObjectKind(int kind, const QString& mask) {
    ivLeft->ObjectKind = kind;
    ivLeft->SetFileMask(mask);
}

void TfrmMain::ivLeftDblClick() {
    if (imgView->Picture().Empty()) actOpenFileExecute();
    const int index = ivLeft->SelectedIndex();
    if (index < 0) return;
    PreviewDirty = true;
    CurrentObjectName = ObjectNameOf(ivLeft->ItemPath(index).toStdString());
    SetStatusText(2, QStringLiteral("No:") + QString::fromStdString(CurrentObjectName));
    DispatchObject(CurrentObjectName);
}

void TfrmMain::imgViewDragDrop() {
    PreviewDirty = true;
    SetStatusText(2, QStringLiteral("No:") + QString::fromStdString(CurrentObjectName));
    DispatchObject(CurrentObjectName);
}

void TfrmMain::DispatchObject(const std::string& name) {
    switch (ivLeft->ObjectKind) {
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

namespace {
void ApplyFrameLike(TfrmMain& w, const std::string& name, const char* section,
                    TFrameSpec& placement) {
    LoadObjectImage(w.ObjectPack, name + ".png", w.ObjectImage);
    ReadFrameSpec(w.PlacementIndex, section, name, placement);
    w.RestoreSnapshot(w.HistoryIndex(), w.Composite);
    ApplyFrameTemplate(w.Composite, w.ObjectImage, placement);
    w.imgView->Picture().Assign(w.Composite);
}
} // namespace

void TfrmMain::ApplyFrame(const std::string& name) {
    ApplyFrameLike(*this, name, "Frames", CurrentFrameSpec);
}

void TfrmMain::ApplyShadow(const std::string& name) {
    ApplyFrameLike(*this, name, "Shadows", CurrentShadowSpec);
}

void TfrmMain::ApplyMask(const std::string& name) {
    LoadObjectImage(ObjectPack, name + ".png", ObjectImage);
    RestoreSnapshot(HistoryIndex(), Composite);
    ApplyMaskTo(Composite, ObjectImage);
    imgView->Picture().Assign(Composite);
}

// ------------------------------------------------------------------ layers

namespace {

// A new layer on top of the preview holding `bitmap` in blend mode, centred on the picture point
// at the centre of the viewport (returned in `centre`). The layer is freed again if anything
// fails.
TBitmapLayer* AddCentredLayer(TfrmMain& w, const TBitmap32& bitmap, TPoint& centre) {
    TImgView32& view = w.imgView->Model();
    const TRect vp = view.ViewportRect();
    centre = view.ControlToBitmap((vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2);
    TBitmapLayer* layer = AddPictureLayer(
        view, bitmap, CentredLocation(centre.X, centre.Y, bitmap.Width(), bitmap.Height()));
    layer->OnMouseDown = [&w](TCustomLayer* sender, TMouseButton, TShiftState, int, int) {
        w.LayerMouseDown(sender);
    };
    return layer;
}

} // namespace

void TfrmMain::AddClipArtLayer(const std::string& name) {
    LoadObjectImage(ObjectPack, name + ".png", ObjectImage);
    TPoint centre;
    TBitmapLayer* layer = AddCentredLayer(*this, ObjectImage, centre);
    SelectLayer(layer);
    ShowClipArtTools(centre.X, centre.Y);
}

void TfrmMain::AddTextLayer(const std::string& text) {
    // The text is rendered once, 10 pixels in from the left and top of a transparent bitmap.
    TPoint centre;
    TBitmapLayer* layer = AddCentredLayer(*this, TextLayerBitmap(TextFont, text), centre);
    SelectLayer(layer);
    ShowClipArtTools(centre.X, centre.Y);
}

void TfrmMain::SelectLayer(TPositionedLayer* layer) {
    if (layer == SelectedLayer) return;
    if (RubberBand) {
        RubberBand->SetChildLayer(nullptr);
        RubberBand->SetLayerOptions(LayerNoUpdate);
        imgView->Model().Invalidate();
    }
    SelectedLayer = layer;
    if (!layer) return;
    if (RubberBand) {
        RubberBand->BringToFront();
    } else {
        RubberBand = imgView->Model().Layers().Add<TRubberbandLayer>();
        RubberBand->MinWidth = 1;
        RubberBand->MinHeight = 1;
    }
    RubberBand->SetChildLayer(layer);
    RubberBand->SetLayerOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    RubberBand->OnResizing = [](const TFloatRect& oldLocation, TFloatRect& newLocation,
                                RubberBandDragState state, TShiftState shift) {
        SymmetricResize(oldLocation, newLocation, state, shift);
    };
    imgView->Model().Invalidate();
}

void TfrmMain::LayerMouseDown(TCustomLayer* sender) {
    auto* layer = dynamic_cast<TPositionedLayer*>(sender);
    if (!layer) return;
    SelectLayer(layer);
    ShowClipArtTools(0, 0);
}

void TfrmMain::ShowClipArtTools(int x, int y) {
    if (frmClipArtTools->isVisible()) return;
    QPoint pos = frmClipArtTools->pos();
    const QPoint centre = PageListMain->mapTo(this, QPoint(0, 0));
    if (x != 0) pos.setX(x + centre.x() + this->x());
    if (y != 0) pos.setY(y + centre.y() + this->y());
    frmClipArtTools->move(pos);
    frmClipArtTools->ShowBesideOwner();
}

void TfrmMain::ClearPreviewLayers() {
    SelectLayer(nullptr);
    RubberBand = nullptr;
    SelectedLayer = nullptr;
    imgView->ClearLayers();
    // With no layer left the clip-art tools have nothing to act on.
    HideClipArtTools();
}

void TfrmMain::FlattenLayersTo(TBitmap32& target) {
    SelectLayer(nullptr);
    FlattenLayers(imgView->Model(), target);
    RubberBand = nullptr;
    SelectedLayer = nullptr;
}

void TfrmMain::FlattenPreviewLayers() {
    actArtFlattenLayersExecute();
}

void TfrmMain::actArtFlattenLayersExecute() {
    PushSnapshot(imgView->Picture());
    FlattenLayersTo(imgView->Picture());
    EditedPhoto.Assign(imgView->Picture());
    if (imgView->LayerCount() == 0) HideClipArtTools();
}

void TfrmMain::actArtDeleteExecute() {
    if (SelectedLayer) {
        TPositionedLayer* layer = SelectedLayer;
        SelectLayer(nullptr);
        layer->Free();
    }
    if (imgView->LayerCount() == 1) HideClipArtTools();
}

namespace {
TBitmapLayer* AsBitmapLayer(TPositionedLayer* layer) {
    return dynamic_cast<TBitmapLayer*>(layer);
}
} // namespace

void TfrmMain::actArtFlipHorzExecute() {
    if (auto* layer = AsBitmapLayer(SelectedLayer)) layer->Bitmap().FlipHorz();
}

void TfrmMain::actArtFlipVertExecute() {
    if (auto* layer = AsBitmapLayer(SelectedLayer)) layer->Bitmap().FlipVert();
}

void TfrmMain::actArtRotate90Execute() {
    auto* layer = AsBitmapLayer(SelectedLayer);
    if (!layer) return;
    const TFloatRect location = layer->Location();
    layer->Bitmap().Rotate90();
    if (RubberBand) RubberBand->SetLocation(QuarterTurnLocation(location));
}

void TfrmMain::actArtRotate270Execute() {
    auto* layer = AsBitmapLayer(SelectedLayer);
    if (!layer) return;
    const TFloatRect location = layer->Location();
    layer->Bitmap().Rotate270();
    if (RubberBand) RubberBand->SetLocation(QuarterTurnLocation(location));
}

// ------------------------------------------------------------------ the text window

void TfrmMain::btnSetFontClick() {
    if (auto chosen = services_->ChooseFont(frmTextInput, TextFont)) TextFont = *chosen;
}

} // namespace lumetta::ui
