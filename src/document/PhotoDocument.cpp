#include "document/PhotoDocument.h"

#include "decorate/FloatingLayers.h"
#include "decorate/LayerGeometry.h"
#include "decorate/TextLayer.h"
#include "edit/EditGeometry.h"

#include <algorithm>
#include <filesystem>

namespace lumetta {

TPhotoDocument::TPhotoDocument(TImgView32& editView, TImgView32& preview)
    : editView_(editView), preview_(preview) {}

TPhotoDocument::~TPhotoDocument() {
    // The layers belong to the preview, which may outlive the document: leave none that calls
    // back into it.
    ClearLayers();
}

void TPhotoDocument::PushSnapshot(const TBitmap32& picture) {
    if (!history_.IsEmpty() && SamePixels(history_.Newest(), picture) &&
        history_.Newest().DrawMode == picture.DrawMode) {
        // The state is already the newest snapshot: only the position moves past it.
        history_.HistoryIndex = history_.Count();
        return;
    }
    history_.PushSnapshot(picture);
}

// ------------------------------------------------------------------ open and close

void TPhotoDocument::Open(const TBitmap32& photo, const std::string& path) {
    ClearLayers();
    toneOpen_ = false;
    toneBase_.AssignNil();
    editedPhoto_.AssignPicture(photo, true);
    currentPhotoFile_ = path;
    history_.Clear();
    history_.PushSnapshot(editedPhoto_);
    editView_.Picture().Assign(editedPhoto_);
    preview_.Picture().Assign(editedPhoto_);
    editDirty_ = false;
    previewDirty_ = false;
    savedChanges_ = changes_;
    openedFrom_ = StampOf(path);
    openedChanges_ = changes_;
    savedSinceOpen_ = false;
}

TPhotoDocument::FileStamp TPhotoDocument::StampOf(const std::string& path) {
    FileStamp stamp;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return stamp;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return stamp;
    const auto modified = std::filesystem::last_write_time(path, ec);
    if (ec) return stamp;
    stamp.path = path;
    stamp.size = static_cast<long long>(size);
    stamp.modified = static_cast<long long>(modified.time_since_epoch().count());
    return stamp;
}

bool TPhotoDocument::MatchesItsFile() const {
    return HasPhoto() && changes_ == openedChanges_ && !savedSinceOpen_ && !editDirty_ &&
           !previewDirty_ && !toneOpen_ && !HasLayers() && history_.Count() == 1 &&
           openedFrom_.size >= 0 && currentPhotoFile_ == openedFrom_.path &&
           StampOf(currentPhotoFile_) == openedFrom_;
}

void TPhotoDocument::Close() {
    ClearLayers();
    toneOpen_ = false;
    toneBase_.AssignNil();
    history_.Clear();
    editView_.Picture().SetSize(0, 0);
    preview_.Picture().SetSize(0, 0);
    editedPhoto_.SetSize(0, 0);
    composite_.AssignNil();
    editDirty_ = false;
    previewDirty_ = false;
    savedChanges_ = changes_;
    openedFrom_ = FileStamp();
    openedChanges_ = -1;
}

// ------------------------------------------------------------------ edits

void TPhotoDocument::RunEdit(const std::function<void(TBitmap32& picture)>& op) {
    if (toneOpen_) AcceptTone();
    TBitmap32& picture = EditPicture();
    const TBitmap32 before(picture); // shares the pixels: no copy unless op writes
    try {
        op(picture);
    } catch (...) {
        // A failed edit changes nothing: the picture goes back to what it was.
        picture.Assign(before);
        throw;
    }
    const bool unchanged = picture.Width() == before.Width() &&
                           picture.Height() == before.Height() && picture.SharesPixelsWith(before);
    if (unchanged) return;
    PushSnapshot(before);
    editDirty_ = true;
    MarkChanged();
}

void TPhotoDocument::Cut(const TRect& r) {
    if (r.IsEmpty()) return;
    RunEdit([&](TBitmap32& picture) {
        const int w = r.Width();
        const int h = r.Height();
        composite_.SetSize(w, h);
        composite_.Draw(TRect{0, 0, w, h}, r, picture);
        picture.Assign(composite_);
    });
}

void TPhotoDocument::Flip(bool horizontal) {
    RunEdit([&](TBitmap32& picture) {
        if (horizontal) {
            picture.FlipHorz();
        } else {
            picture.FlipVert();
        }
    });
}

void TPhotoDocument::AutoContrast() {
    RunEdit([](TBitmap32& picture) { lumetta::AutoContrast(picture); });
}

void TPhotoDocument::Paste(const TBitmap32& pasted, const std::optional<TRect>& selection) {
    if (pasted.Empty()) return;
    RunEdit([&](TBitmap32& picture) {
        // The pasted picture is copied with all four channels, its alpha included.
        TBitmap32 source(pasted);
        source.DrawMode = dmOpaque;
        if (selection) {
            const int w = source.Width();
            const int h = source.Height();
            picture.Draw(
                TRect{selection->Left, selection->Top, selection->Left + w, selection->Top + h},
                TRect{0, 0, w, h}, source);
        } else {
            picture.Assign(source);
        }
    });
}

void TPhotoDocument::Resize(int width, int height) {
    CheckNewPictureSize(width, height);
    RunEdit([&](TBitmap32& picture) { ResampleBitmap(picture, width, height, sfLanczos); });
    // The resize is committed at once.
    editedPhoto_.Assign(EditPicture());
}

void TPhotoDocument::CommitEdits() {
    if (!editDirty_) return;
    if (toneOpen_) AcceptTone();
    editedPhoto_.Assign(EditPicture());
    PushSnapshot(EditPicture());
    editDirty_ = false;
}

// ------------------------------------------------------------------ tone adjustment

void TPhotoDocument::BeginTone() {
    TBitmap32& picture = EditPicture();
    if (picture.Empty()) return;
    if (!toneOpen_) {
        toneBase_ = picture;
        toneBaseDirty_ = editDirty_;
        toneOpen_ = true;
    }
    PushSnapshot(toneBase_);
    editDirty_ = true;
}

void TPhotoDocument::RenderTone(const TLookupTable& table) {
    if (!toneOpen_) return;
    ApplyLookupTable(&EditPicture(), &toneBase_, table);
    MarkChanged();
}

void TPhotoDocument::CommitTone() {
    if (!toneOpen_) return;
    // The picture the adjustment began from is the state Undo returns to.
    PushSnapshot(toneBase_);
    editedPhoto_.Assign(EditPicture());
    toneOpen_ = false;
    toneBase_.AssignNil();
    // EditDirty stays: the next mode change stores the adjusted picture once more.
    editDirty_ = true;
    MarkChanged();
}

void TPhotoDocument::CancelTone() {
    if (!toneOpen_) return;
    EditPicture().Assign(toneBase_);
    editDirty_ = toneBaseDirty_;
    toneOpen_ = false;
    toneBase_.AssignNil();
}

void TPhotoDocument::AcceptTone() {
    if (!toneOpen_) return;
    toneOpen_ = false;
    toneBase_.AssignNil();
    editDirty_ = true;
}

// ------------------------------------------------------------------ decorations

void TPhotoDocument::Decorate(const std::function<void(TBitmap32& composite)>& compose) {
    // After Undo the decoration is made on the snapshot in view; that snapshot becomes the
    // newest first, so that Undo and Redo can always come back to the decorated picture.
    if (history_.HistoryIndex < history_.Count())
        PushSnapshot(TBitmap32(history_.Snapshot(history_.HistoryIndex)));
    history_.RestoreSnapshot(history_.HistoryIndex, composite_);
    compose(composite_);
    PreviewPicture().Assign(composite_);
    previewDirty_ = true;
    MarkChanged();
}

// ------------------------------------------------------------------ layers

void TPhotoDocument::PlaceNewLayer(TBitmapLayer* layer, const TBitmap32& bitmap, TPoint centre) {
    PlacePictureLayer(layer, bitmap,
                      CentredLocation(centre.X, centre.Y, bitmap.Width(), bitmap.Height()));
    layer->OnMouseDown = [this](TCustomLayer* sender, TMouseButton, TShiftState, int, int) {
        LayerPressed(sender);
    };
    SelectLayer(layer);
    MarkChanged();
}

TBitmapLayer* TPhotoDocument::AddLayer(const TBitmap32& bitmap, TPoint centre) {
    auto* layer = preview_.Layers().Add<TBitmapLayer>();
    PlaceNewLayer(layer, bitmap, centre);
    return layer;
}

TTextLayer* TPhotoDocument::AddTextLayer(const std::string& text, const TFontDesc& font,
                                         TPoint centre) {
    if (text.empty()) return nullptr;
    const TBitmap32 picture = RenderTextLayer(font, text);
    if (picture.Empty()) return nullptr;
    auto* layer = preview_.Layers().Add<TTextLayer>();
    layer->Text = text;
    layer->Font = font;
    PlaceNewLayer(layer, picture, centre);
    return layer;
}

bool TPhotoDocument::HoldsLayer(const TPositionedLayer* layer) const {
    if (!layer) return false;
    const TLayerCollection& layers = preview_.Layers();
    for (int i = 0; i < layers.Count(); ++i)
        if (layers.Items(i) == layer) return dynamic_cast<const TBitmapLayer*>(layer) != nullptr;
    return false;
}

TBitmapLayer* TPhotoDocument::LayerAt(int x, int y) const {
    const TLayerCollection& layers = preview_.Layers();
    for (int i = layers.Count() - 1; i >= 0; --i) {
        auto* layer = dynamic_cast<TBitmapLayer*>(layers.Items(i));
        if (layer && layer->Visible() && layer->HitTest(x, y)) return layer;
    }
    return nullptr;
}

void TPhotoDocument::SetLayerLocation(TPositionedLayer* layer, const TFloatRect& location) {
    // The frame carries its child: moving the frame moves both.
    if (rubberBand_ && selectedLayer_ == layer) {
        rubberBand_->SetLocation(location);
    } else {
        layer->SetLocation(location);
    }
}

bool TPhotoDocument::EditTextLayer(TTextLayer* target, const std::string& text,
                                   const TFontDesc& font) {
    if (text.empty()) return false;
    // The pointer may be stale (the layer merged or deleted): it is only compared, and the
    // layer found in the collection is the one used.
    TTextLayer* layer = nullptr;
    const TLayerCollection& layers = preview_.Layers();
    for (int i = 0; i < layers.Count() && !layer; ++i)
        if (layers.Items(i) == target) layer = dynamic_cast<TTextLayer*>(layers.Items(i));
    if (!layer) return false;
    TBitmap32 picture = layer->RenderTurned(text, font);
    if (picture.Empty()) return false;
    const TBitmap32& old = layer->Bitmap();
    const TFloatRect at = layer->Location();
    // The user's resizing, as a scale on each axis of the bitmap as it is now (turned).
    const float scaleX = old.Width() > 0 ? (at.Right - at.Left) / float(old.Width()) : 1.0f;
    const float scaleY = old.Height() > 0 ? (at.Bottom - at.Top) / float(old.Height()) : 1.0f;
    const float cx = (at.Left + at.Right) / 2, cy = (at.Top + at.Bottom) / 2;
    const float hw = float(picture.Width()) * scaleX / 2, hh = float(picture.Height()) * scaleY / 2;
    picture.DrawMode = dmBlend;
    layer->Bitmap().Assign(picture);
    layer->Text = text;
    layer->Font = font;
    SetLayerLocation(layer, TFloatRect{cx - hw, cy - hh, cx + hw, cy + hh});
    preview_.Invalidate();
    MarkChanged();
    return true;
}

void TPhotoDocument::LayerPressed(TCustomLayer* sender) {
    auto* layer = dynamic_cast<TPositionedLayer*>(sender);
    if (!layer) return;
    SelectLayer(layer);
    if (OnLayerPressed) OnLayerPressed(layer);
}

void TPhotoDocument::SelectLayer(TPositionedLayer* layer) {
    if (layer == selectedLayer_) return;
    if (rubberBand_) {
        rubberBand_->SetChildLayer(nullptr);
        rubberBand_->SetLayerOptions(LayerNoUpdate);
        preview_.Invalidate();
    }
    selectedLayer_ = layer;
    if (!layer) return;
    if (rubberBand_) {
        rubberBand_->BringToFront();
    } else {
        rubberBand_ = preview_.Layers().Add<TRubberbandLayer>();
        rubberBand_->MinWidth = 1;
        rubberBand_->MinHeight = 1;
    }
    rubberBand_->SetChildLayer(layer);
    rubberBand_->SetLayerOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    rubberBand_->OnResizing = [](const TFloatRect& oldLocation, TFloatRect& newLocation,
                                 RubberBandDragState state, TShiftState shift) {
        SymmetricResize(oldLocation, newLocation, state, shift);
    };
    preview_.Invalidate();
}

int TPhotoDocument::LayerCount() const {
    const TLayerCollection& layers = preview_.Layers();
    int count = 0;
    for (int i = 0; i < layers.Count(); ++i)
        if (dynamic_cast<const TBitmapLayer*>(layers.Items(i))) ++count;
    return count;
}

void TPhotoDocument::DeleteSelectedLayer() {
    TPositionedLayer* layer = selectedLayer_;
    if (!layer) return;
    SelectLayer(nullptr);
    layer->Free();
    MarkChanged();
}

void TPhotoDocument::FlipSelectedLayer(bool horizontal) {
    auto* layer = dynamic_cast<TBitmapLayer*>(selectedLayer_);
    if (!layer) return;
    if (horizontal) {
        layer->Bitmap().FlipHorz();
    } else {
        layer->Bitmap().FlipVert();
    }
    if (auto* text = dynamic_cast<TTextLayer*>(layer)) text->NoteFlip(horizontal);
    MarkChanged();
}

void TPhotoDocument::TurnSelectedLayer(bool clockwise) {
    auto* layer = dynamic_cast<TBitmapLayer*>(selectedLayer_);
    if (!layer) return;
    const TFloatRect location = layer->Location();
    if (clockwise) {
        layer->Bitmap().Rotate90();
    } else {
        layer->Bitmap().Rotate270();
    }
    if (auto* text = dynamic_cast<TTextLayer*>(layer)) text->NoteTurn(clockwise);
    // Same centre, width and height exchanged.
    SetLayerLocation(layer, QuarterTurnLocation(location));
    MarkChanged();
}

void TPhotoDocument::ClearLayers() {
    SelectLayer(nullptr);
    rubberBand_ = nullptr;
    selectedLayer_ = nullptr;
    preview_.Layers().Clear();
}

void TPhotoDocument::RenderWithLayers(TBitmap32& target) {
    const TBitmap32& picture = PreviewPicture();
    if (!HasLayers()) {
        target.Assign(picture);
        return;
    }
    // The selection frame's handles are not part of the picture.
    const TLayerOptions frameOptions = rubberBand_ ? rubberBand_->LayerOptions() : 0;
    if (rubberBand_) rubberBand_->SetLayerOptions(frameOptions & ~LayerVisible);
    try {
        lumetta::RenderWithLayers(preview_, target);
    } catch (...) {
        if (rubberBand_) rubberBand_->SetLayerOptions(frameOptions);
        throw;
    }
    if (rubberBand_) rubberBand_->SetLayerOptions(frameOptions);
}

void TPhotoDocument::Apply(TDocPage inView) {
    if (inView == TDocPage::Edit && editDirty_) {
        // The layers float over the preview; the photo the user is editing is what they
        // belong on.
        CommitEdits();
        PreviewPicture().Assign(editedPhoto_);
    }
    // Merging changes nothing the user sees: it is no change to save.
    TBitmap32& picture = PreviewPicture();
    PushSnapshot(picture); // without the layers: Undo returns to it
    TBitmap32 merged;
    RenderWithLayers(merged);
    ClearLayers();
    picture.Assign(merged);
    editedPhoto_.Assign(picture);
    PushSnapshot(picture); // with them: the next mode change keeps them
}

// ------------------------------------------------------------------ mode changes

void TPhotoDocument::CommitForModeSwitch() {
    if (toneOpen_) {
        // An adjustment left open is not applied, but it stays within Undo's reach: the
        // adjusted picture is stored, then the picture it began from, which the pages show.
        if (!SamePixels(EditPicture(), toneBase_)) {
            PushSnapshot(TBitmap32(EditPicture()));
            PushSnapshot(toneBase_);
        }
        CancelTone();
    }
    if (editDirty_) {
        editedPhoto_.Assign(EditPicture());
        PushSnapshot(EditPicture());
        editDirty_ = false;
    }
    if (previewDirty_) {
        PushSnapshot(PreviewPicture());
        previewDirty_ = false;
    }
    if (HasLayers() || rubberBand_) Apply(TDocPage::Preview);
    ClearLayers();
}

void TPhotoDocument::ShowEditPage() {
    EditPicture().Assign(editedPhoto_);
}

void TPhotoDocument::ShowPreviewPage() {
    history_.RestoreSnapshot(history_.HistoryIndex, PreviewPicture());
}

// ------------------------------------------------------------------ Undo and Redo

bool TPhotoDocument::LiveMatchesPosition(TDocPage page) {
    if (history_.IsEmpty()) return true;
    const int at = std::min(history_.HistoryIndex, history_.Count() - 1);
    return SamePixels(Picture(page), history_.Snapshot(at));
}

bool TPhotoDocument::CanUndo(TDocPage page) {
    const int count = history_.Count();
    if (count == 0) return false;
    if (!LiveMatchesPosition(page)) {
        // The picture in view is a state of its own: once stored, the newest before it is
        // there to go back to.
        const bool stored = SamePixels(Picture(page), history_.Newest());
        return (stored ? count : count + 1) >= 2;
    }
    const int index = history_.HistoryIndex;
    return index < count ? index > 0 : count >= 2;
}

bool TPhotoDocument::CanRedo(TDocPage page) {
    return !history_.IsEmpty() && history_.HistoryIndex < history_.Count() - 1 &&
           LiveMatchesPosition(page);
}

void TPhotoDocument::Undo(TDocPage page) {
    if (!CanUndo(page)) return;
    // An adjustment in progress becomes an ordinary edit, which Redo can come back to.
    if (page == TDocPage::Edit) AcceptTone();
    int target = history_.HistoryIndex - 1;
    if (!LiveMatchesPosition(page)) {
        // The state in view is in no snapshot: store it as the newest, so that Redo comes back
        // to it, and go to the one before.
        PushSnapshot(TBitmap32(Picture(page)));
        target = history_.Count() - 2;
    } else if (history_.HistoryIndex >= history_.Count()) {
        target = history_.Count() - 2;
    }
    if (target < 0) return;
    history_.HistoryIndex = target;
    history_.RestoreSnapshot(target, Picture(page));
    MarkChanged();
}

void TPhotoDocument::Redo(TDocPage page) {
    if (!CanRedo(page)) return;
    if (page == TDocPage::Edit) AcceptTone();
    history_.HistoryIndex += 1;
    history_.RestoreSnapshot(history_.HistoryIndex, Picture(page));
    MarkChanged();
}

// ------------------------------------------------------------------ output

void TPhotoDocument::PictureInView(TDocPage page, TBitmap32& target) {
    if (page == TDocPage::Edit) {
        // An adjustment in progress is saved as it shows, and stays in progress.
        if (!toneOpen_) CommitEdits();
        target.Assign(EditPicture());
        return;
    }
    RenderWithLayers(target);
}

} // namespace lumetta
