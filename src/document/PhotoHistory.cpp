#include "document/PhotoHistory.h"

namespace lumetta {

void TPhotoHistory::PushSnapshot(const TBitmap32& bitmap) noexcept {
    try {
        TBitmap32 copy;
        copy.Assign(bitmap);
        snapshots_.push_back(std::move(copy));
        if (int(snapshots_.size()) > kMaxSnapshots) snapshots_.erase(snapshots_.begin());
        HistoryIndex = int(snapshots_.size());
    } catch (...) {
        // A snapshot that cannot be taken is simply not taken.
    }
}

void TPhotoHistory::RestoreSnapshot(int n, TBitmap32& target) const noexcept {
    if (snapshots_.empty()) return;
    try {
        if (n >= Count()) n = Count() - 1;
        if (n < 0) return;
        const TBitmap32& snapshot = snapshots_[std::size_t(n)];
        if (snapshot.DrawMode == dmOpaque) {
            // An opaque snapshot drawn at (0, 0) onto a bitmap of its size replaces every
            // pixel, so sharing its buffer gives the same result without a copy.
            // AssignPicture keeps the target's own properties.
            target.AssignPicture(snapshot, true);
        } else {
            target.SetSize(snapshot.Width(), snapshot.Height());
            target.Draw(0, 0, snapshot);
        }
    } catch (...) {
        // Restoring is best effort: the target keeps whatever it holds.
    }
}

} // namespace lumetta
