#pragma once
// The history behind Undo and Redo: at most 20 snapshots of the picture, oldest first, and the
// position HistoryIndex, which after a push is one past the newest snapshot.
//
// Snapshots share their pixels with the picture they were taken from (copy-on-write), so a push
// costs no copy until one side is edited.
#include "imaging/Bitmap32.h"

#include <vector>

namespace lumetta {

class TPhotoHistory {
public:
    static constexpr int kMaxSnapshots = 20;

    // Appends a copy of the bitmap; drops the oldest beyond 20; HistoryIndex := count.
    // Errors are swallowed (the history may then be unchanged).
    void PushSnapshot(const TBitmap32& bitmap) noexcept;
    // Copies snapshot n (clamped to the newest) into the target: the target takes its size
    // and then its pixels by a Draw at (0, 0) with the snapshot's draw mode. The target's own
    // draw mode stays. Nothing happens with an empty history. Errors are swallowed.
    void RestoreSnapshot(int n, TBitmap32& target) const noexcept;
    void Clear() noexcept { snapshots_.clear(); }

    int Count() const { return int(snapshots_.size()); }
    bool IsEmpty() const { return snapshots_.empty(); }
    const TBitmap32& Snapshot(int i) const { return snapshots_.at(std::size_t(i)); }

    int HistoryIndex = 0;

private:
    std::vector<TBitmap32> snapshots_;
};

} // namespace lumetta
