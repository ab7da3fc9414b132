// TfrmMain: Copy and Paste on the edit page. The clipboard gets the picture as an ordinary
// opaque picture for every program, as PNG with its alpha, and as an alpha block in Lumetta's
// private entry, so that between two Lumetta processes the alpha channel survives exactly.
#include "edit/AlphaBlock.h"
#include "edit/EditGeometry.h"
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
    const TBitmap32& picture = doc_->EditPicture();
    if (picture.Empty()) return;
    TakeEditArea(doc_->Composite(), picture, hasSelection_, EditSelectionRect());
    PlaceBitmap32OnClipboard(doc_->Composite());
}

void TfrmMain::spEditPasteClick() {
    if (doc_->EditPicture().Empty()) return;
    // Without a picture on the clipboard nothing changes.
    const std::optional<TBitmap32> pasted = PasteBitmap32FromClipboard();
    if (!pasted) return;
    // At full size from the selection's top-left corner, cut off only by the picture's edges,
    // or in place of the whole picture; the pasted alpha replaces the picture's too.
    std::optional<TRect> at;
    if (hasSelection_) at = EditSelectionRect();
    doc_->Paste(*pasted, at);
    ShowPhotoSize(true);
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

std::optional<TBitmap32> TfrmMain::PasteBitmap32FromClipboard() {
    if (!Services().ClipboardHasPicture()) return std::nullopt;
    const QImage image = Services().ClipboardPicture();
    // A picture the clipboard cannot deliver counts as none.
    if (image.isNull()) return std::nullopt;
    // A picture from another program is held to the limits of every picture Lumetta makes.
    CheckNewPictureSize(image.width(), image.height());
    // The picture's own alpha (a PNG from another program), unless Lumetta's alpha block is
    // there: between two Lumettas that block wins.
    TBitmap32 pixels = BitmapOf(image);
    if (const std::optional<QByteArray> block = Services().ClipboardAlphaBlock()) {
        ApplyAlphaBlock(pixels, reinterpret_cast<const std::uint8_t*>(block->constData()),
                        std::size_t(block->size()));
    }
    return pixels;
}

} // namespace lumetta::ui
