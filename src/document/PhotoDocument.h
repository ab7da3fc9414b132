#pragma once
// TPhotoDocument: the photo being decorated, and every rule that decides what becomes of it.
//
// The document owns the committed photo (EditedPhoto), the scratch pictures, the history behind
// Undo and Redo, the dirty flags, the selection of the floating layers and the state of a tone
// adjustment in progress. It works on the pictures of two views it is given: the edit view
// (the photo itself, changed by the edit tools) and the preview (the photo with its
// decorations, and the clip-art and text layers floating over it).
//
// Every command that changes the photo goes through one of its operations, so the promises the
// user relies on are kept in one place:
//   * an edit pushes the picture it started from only when it succeeds, and an edit that fails
//     leaves the picture exactly as it was;
//   * a snapshot equal to the newest one is not pushed again, so every Undo shows a change;
//   * Undo from the newest state first stores that state, so Redo can always come back to it;
//   * merging the floating layers (Apply, or leaving the decoration page) stores the merged
//     picture as the newest snapshot, so merged layers survive the next mode change;
//   * Save and Print take the page in view rendered with its layers, and the layers stay;
//   * a tone adjustment previews from the picture as it was when it began, and Cancel returns
//     to exactly that.
#include "document/PhotoHistory.h"
#include "edit/Tone.h"
#include "imaging/Bitmap32.h"
#include "view/ImgView32.h"

#include <functional>
#include <optional>
#include <string>

namespace lumetta {

class TTextLayer;

// Which of the two pictures the user is working on: the edit page's or the preview's.
enum class TDocPage { Edit, Preview };

class TPhotoDocument {
public:
    TPhotoDocument(TImgView32& editView, TImgView32& preview);
    ~TPhotoDocument();
    TPhotoDocument(const TPhotoDocument&) = delete;
    TPhotoDocument& operator=(const TPhotoDocument&) = delete;

    // ---- pictures ----
    // The photo as last committed by the edit page; empty while no photo is open.
    const TBitmap32& EditedPhoto() const { return editedPhoto_; }
    // Scratch: its contents mean nothing between operations.
    TBitmap32& Composite() { return composite_; }
    // The library object last loaded.
    TBitmap32& ObjectImage() { return objectImage_; }
    TImgView32& EditView() { return editView_; }
    TImgView32& PreviewView() { return preview_; }
    TBitmap32& EditPicture() { return editView_.Picture(); }
    TBitmap32& PreviewPicture() { return preview_.Picture(); }
    TBitmap32& Picture(TDocPage page) {
        return page == TDocPage::Edit ? EditPicture() : PreviewPicture();
    }
    bool HasPhoto() const { return !editedPhoto_.Empty(); }

    // ---- history and flags ----
    const TPhotoHistory& History() const { return history_; }
    TPhotoHistory& History() { return history_; }
    int HistoryIndex() const { return history_.HistoryIndex; }
    // The edit page has changed its picture since the last commit.
    bool EditDirty() const { return editDirty_; }
    // A decoration has been composed into the preview since the last mode change.
    bool PreviewDirty() const { return previewDirty_; }
    const std::string& CurrentPhotoFile() const { return currentPhotoFile_; }
    void SetCurrentPhotoFile(const std::string& path) { currentPhotoFile_ = path; }

    // Pushes a copy of the picture unless it equals the newest snapshot.
    void PushSnapshot(const TBitmap32& picture);
    void RestoreSnapshot(int n, TBitmap32& target) const { history_.RestoreSnapshot(n, target); }

    // ---- unsaved work ----
    // True when a photo is open and something was made or changed since it was opened or
    // last saved.
    bool HasUnsavedWork() const { return HasPhoto() && changes_ != savedChanges_; }
    void MarkChanged() { ++changes_; }
    void MarkSaved() {
        savedChanges_ = changes_;
        savedSinceOpen_ = true;
    }
    // True when the photo is exactly what decoding its file gave: nothing changed, saved or
    // layered since it was opened, and the file still has the size and modification time it
    // had then. Such a photo can be set aside while another one decodes and read again from
    // its file should that fail.
    bool MatchesItsFile() const;

    // ---- open and close ----
    // The photo becomes the only snapshot, the picture of both pages and EditedPhoto; layers,
    // flags and any tone adjustment are cleared.
    void Open(const TBitmap32& photo, const std::string& path);
    // Everything is emptied.
    void Close();

    // ---- edits of the edit page ----
    // Runs op on the edit picture. On success a change pushes the picture as it was before
    // and sets EditDirty; when op throws, the picture is put back as it was and the error
    // goes on. A tone adjustment in progress is kept as an uncommitted edit first.
    void RunEdit(const std::function<void(TBitmap32& picture)>& op);
    // Crops the edit picture to r (inside the picture); a rectangle without area does nothing.
    void Cut(const TRect& r);
    void Flip(bool horizontal);
    void AutoContrast();
    // Pastes the picture: at the selection's top-left corner at its own size (all four channels
    // replace the ones it covers), or in place of the whole picture without a selection.
    void Paste(const TBitmap32& pasted, const std::optional<TRect>& selection);
    // Resamples the edit picture to w x h (Lanczos) and commits it. Sizes below 1 or beyond the
    // picture limits are refused with an error before anything changes.
    void Resize(int width, int height);
    // EditedPhoto := the edit picture, which is pushed; only while EditDirty.
    void CommitEdits();

    // ---- tone adjustment ----
    bool ToneOpen() const { return toneOpen_; }
    // Starts (or restarts) an adjustment of the edit picture as it is now.
    void BeginTone();
    // Edit picture := the picture the adjustment began from, through the table.
    void RenderTone(const TLookupTable& table);
    // Commits the adjusted picture to EditedPhoto and ends the adjustment.
    void CommitTone();
    // Returns to the picture the adjustment began from and ends it.
    void CancelTone();
    // Ends the adjustment keeping the picture in view as an uncommitted edit.
    void AcceptTone();

    // ---- decorations of the preview ----
    // Composite := the snapshot at HistoryIndex; compose(Composite); preview := Composite.
    // Each decoration therefore replaces the last one picked since the last mode change.
    void Decorate(const std::function<void(TBitmap32& composite)>& compose);

    // ---- floating layers of the preview ----
    // A new layer on top holding a copy of the bitmap (blended), centred on the picture point,
    // and selected.
    TBitmapLayer* AddLayer(const TBitmap32& bitmap, TPoint centre);
    // The same for a line of text drawn in the font; the layer keeps the text and the font so
    // that EditTextLayer can draw it again. Nothing is added when the text draws nothing.
    TTextLayer* AddTextLayer(const std::string& text, const TFontDesc& font, TPoint centre);
    // Draws the text layer again with another text or font where it is: its centre, its scale
    // on each axis (what the user's resizing made of it) and its flips and turns are kept.
    // Empty text, or text that draws nothing, leaves the layer as it was; a layer that no longer
    // floats over the preview (deleted, merged) is left alone. True when the layer changed.
    bool EditTextLayer(TTextLayer* layer, const std::string& text, const TFontDesc& font);
    // Whether the layer is one of the preview's clip-art and text layers now.
    bool HoldsLayer(const TPositionedLayer* layer) const;
    // The topmost clip-art or text layer under the control point of the preview, or null.
    TBitmapLayer* LayerAt(int x, int y) const;
    void SelectLayer(TPositionedLayer* layer);
    TPositionedLayer* SelectedLayer() const { return selectedLayer_; }
    TRubberbandLayer* RubberBand() const { return rubberBand_; }
    // Clip-art and text layers (the selection frame is not counted).
    int LayerCount() const;
    bool HasLayers() const { return LayerCount() > 0; }
    void DeleteSelectedLayer();
    void FlipSelectedLayer(bool horizontal);
    void TurnSelectedLayer(bool clockwise);
    // Removes every layer without merging it.
    void ClearLayers();
    // The preview picture with its visible layers at picture scale; the layers stay.
    void RenderWithLayers(TBitmap32& target);
    // Merges the layers into the preview: the picture without them is pushed, then the merged
    // picture becomes EditedPhoto and the newest snapshot. With the edit page in view and
    // uncommitted edits, those are committed first and the preview takes them.
    void Apply(TDocPage inView);
    // Called after a press on a layer has selected it.
    std::function<void(TPositionedLayer* layer)> OnLayerPressed;

    // ---- mode changes ----
    // What leaving a page commits: a tone adjustment in progress is cancelled, uncommitted edits
    // become EditedPhoto and a snapshot, a pending decoration a snapshot, and floating layers
    // are merged (Apply).
    void CommitForModeSwitch();
    // Edit picture := EditedPhoto.
    void ShowEditPage();
    // Preview := the snapshot at HistoryIndex (the newest when it is past the end).
    void ShowPreviewPage();

    // ---- Undo and Redo, on the picture of the given page ----
    bool CanUndo(TDocPage page);
    // Redo is possible while the picture in view is the snapshot Undo or Redo last showed.
    bool CanRedo(TDocPage page);
    void Undo(TDocPage page);
    void Redo(TDocPage page);

    // ---- output ----
    // The page as the user sees it: the edit picture (uncommitted edits committed first), or
    // the preview with its layers merged into a copy.
    void PictureInView(TDocPage page, TBitmap32& target);

private:
    void LayerPressed(TCustomLayer* sender);
    // Gives a new layer its bitmap and place, selects it; frees it when that fails.
    void PlaceNewLayer(TBitmapLayer* layer, const TBitmap32& bitmap, TPoint centre);
    // Moves a layer, through the selection frame when it carries the layer.
    void SetLayerLocation(TPositionedLayer* layer, const TFloatRect& location);
    // The picture of the page is the snapshot at HistoryIndex (the newest when past the end).
    bool LiveMatchesPosition(TDocPage page);

    TImgView32& editView_;
    TImgView32& preview_;
    TBitmap32 editedPhoto_;
    TBitmap32 composite_;
    TBitmap32 objectImage_;
    TPhotoHistory history_;
    bool editDirty_ = false;
    bool previewDirty_ = false;
    std::string currentPhotoFile_;
    long long changes_ = 0;
    long long savedChanges_ = 0;
    // The file as it was when opened, for MatchesItsFile.
    struct FileStamp {
        std::string path;
        long long size = -1;
        long long modified = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::string& path);
    FileStamp openedFrom_;
    long long openedChanges_ = -1;
    bool savedSinceOpen_ = false;

    TPositionedLayer* selectedLayer_ = nullptr;
    TRubberbandLayer* rubberBand_ = nullptr;

    bool toneOpen_ = false;
    TBitmap32 toneBase_;
    bool toneBaseDirty_ = false;
};

} // namespace lumetta
