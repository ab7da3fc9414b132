// TfrmMain: Copy and Paste on the edit page. The clipboard gets the picture twice: as an
// ordinary opaque picture for every program, and as an alpha block in Lumetta's private entry,
// so that between two Lumetta processes the alpha channel survives.
#include "edit/AlphaBlock.h"
#include "ui/ImageViewWidget.h"
#include "ui/MainWindow.h"
#include "ui/PlatformServices.h"
#include "ui/WelcomeView.h"

#include <QByteArray>
#include <QImage>

namespace lumetta::ui {

namespace {

// Composite := the selected part of the edit picture, or all of it without a selection.
void TakeEditArea(TBitmap32& composite, const TBitmap32& picture, bool hasSelection,
                  const TRect& r) {
    if (!hasSelection) {
        composite.Assign(picture);
        return;
    }
    composite.SetSize(r.Width(), r.Height());
    composite.Draw(TRect{0, 0, r.Width(), r.Height()}, r, picture);
}

} // namespace

void TfrmMain::spEditCopyClick() {
    const TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    TakeEditArea(Composite, picture, HasSelection, EditSelectionRect());
    PlaceBitmap32OnClipboard(Composite);
}

void TfrmMain::spEditPasteClick() {
    TBitmap32& picture = ImgViewEdit->Picture();
    if (picture.Empty()) return;
    PushSnapshot(picture);
    UpdateUndoRedo();
    EditDirty = true;

    const TRect r = EditSelectionRect();
    TakeEditArea(Composite, picture, HasSelection, r);
    // Without a picture on the clipboard Composite keeps the area, which then goes back as it was.
    PasteBitmap32FromClipboard(Composite);
    const int w = Composite.Width();
    const int h = Composite.Height();
    if (HasSelection) {
        // At full size from the selection's top-left corner, cut off only by the picture's
        // edges; Composite is opaque-drawn, so the pasted alpha replaces the picture's too.
        picture.Draw(TRect{r.Left, r.Top, r.Left + w, r.Top + h}, TRect{0, 0, w, h}, Composite);
        ImgViewEdit->Model().Invalidate();
    } else {
        picture.Assign(Composite);
    }
    // The size shown and the resize fields keep describing EditedPhoto.
}

void TfrmMain::PlaceBitmap32OnClipboard(const TBitmap32& bitmap) {
    // An empty area has nothing to copy: the clipboard keeps what it holds.
    if (bitmap.Empty()) return;
    const std::vector<std::uint8_t> block = MakeAlphaBlock(bitmap);
    QImage opaque(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const TColor32* from = bitmap.ConstScanLine(y);
        auto* to = reinterpret_cast<TColor32*>(opaque.scanLine(y));
        for (int x = 0; x < bitmap.Width(); ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    Services().SetClipboardPicture(
        opaque, QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
}

void TfrmMain::PasteBitmap32FromClipboard(TBitmap32& dest) {
    if (!Services().ClipboardHasPicture()) return;
    const QImage image = Services().ClipboardPicture();
    // A picture the clipboard cannot deliver counts as none rather than emptying dest.
    if (image.isNull()) return;

    dest.BeginUpdate();
    try {
        TBitmap32 pixels = BitmapOf(image);
        pixels.ResetAlpha();
        dest.AssignPicture(pixels, true); // size and pixels; draw mode and the rest stay
        if (const std::optional<QByteArray> block = Services().ClipboardAlphaBlock()) {
            ApplyAlphaBlock(dest, reinterpret_cast<const std::uint8_t*>(block->constData()),
                            std::size_t(block->size()));
        }
    } catch (...) {
        dest.EndUpdate();
        throw;
    }
    dest.EndUpdate();
}

} // namespace lumetta::ui
