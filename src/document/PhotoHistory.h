#pragma once
// The history behind Undo and Redo: at most 20 snapshots of the picture, oldest first, and the
// position HistoryIndex, which after a push is one past the newest snapshot.
//
// Snapshots share their pixels with the picture they were taken from (copy-on-write), so a push
// costs no copy until one side is edited. Besides the count, the history keeps to a byte budget:
// a few snapshots of a huge picture would otherwise hold gigabytes. The oldest snapshots are
// dropped first, and a buffer shared by several snapshots is counted once.
#include "imaging/Bitmap32.h"

#include <cstddef>
#include <vector>

namespace lumetta {

class TPhotoHistory {
public:
    static constexpr int kMaxSnapshots = 20;

    // A quarter of the machine's memory, at most 2 GB.
    static std::size_t DefaultByteBudget();

    TPhotoHistory();

    // Appends a copy of the bitmap; drops the oldest beyond 20 snapshots or beyond the byte
    // budget (the newest always stays); HistoryIndex := count. Errors are swallowed (the history
    // may then be unchanged).
    void PushSnapshot(const TBitmap32& bitmap) noexcept;
    // Copies snapshot n (clamped to the newest) into the target: the target takes its size
    // and then its pixels by a Draw at (0, 0) with the snapshot's draw mode. The target's own
    // draw mode stays. Nothing happens with an empty history. Errors are swallowed.
    void RestoreSnapshot(int n, TBitmap32& target) const noexcept;
    void Clear() noexcept {
        snapshots_.clear();
        HistoryIndex = 0;
    }

    int Count() const { return int(snapshots_.size()); }
    bool IsEmpty() const { return snapshots_.empty(); }
    const TBitmap32& Snapshot(int i) const { return snapshots_.at(std::size_t(i)); }
    const TBitmap32& Newest() const { return snapshots_.back(); }

    // Bytes of pixels the snapshots hold, each shared buffer once.
    std::size_t Bytes() const;
    std::size_t ByteBudget() const { return byteBudget_; }
    void SetByteBudget(std::size_t bytes) { byteBudget_ = bytes; }
    // How many snapshots the budget (not the count limit) has dropped so far.
    int DroppedForBudget() const { return droppedForBudget_; }

    int HistoryIndex = 0;

private:
    std::vector<TBitmap32> snapshots_;
    std::size_t byteBudget_;
    int droppedForBudget_ = 0;
};

} // namespace lumetta
