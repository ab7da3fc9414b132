#include "document/PhotoHistory.h"

#include <algorithm>
#include <unistd.h>

namespace lumetta {

std::size_t TPhotoHistory::DefaultByteBudget() {
    constexpr std::size_t kCeiling = std::size_t(2) << 30;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return kCeiling;
    const std::size_t quarter = std::size_t(pages) / 4 * std::size_t(pageSize);
    return std::min(quarter, kCeiling);
}

TPhotoHistory::TPhotoHistory() : byteBudget_(DefaultByteBudget()) {}

std::size_t TPhotoHistory::Bytes() const {
    std::size_t total = 0;
    for (std::size_t i = 0; i < snapshots_.size(); ++i) {
        const void* id = snapshots_[i].PixelBufferId();
        if (!id) continue;
        bool counted = false;
        for (std::size_t j = 0; j < i && !counted; ++j)
            counted = snapshots_[j].PixelBufferId() == id;
        if (!counted) total += snapshots_[i].PixelCount() * sizeof(TColor32);
    }
    return total;
}

void TPhotoHistory::PushSnapshot(const TBitmap32& bitmap) noexcept {
    try {
        TBitmap32 copy;
        copy.Assign(bitmap);
        snapshots_.push_back(std::move(copy));
        if (int(snapshots_.size()) > kMaxSnapshots) snapshots_.erase(snapshots_.begin());
        while (snapshots_.size() > 1 && Bytes() > byteBudget_) {
            snapshots_.erase(snapshots_.begin());
            ++droppedForBudget_;
        }
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
