// The history of snapshots behind Undo and Redo.
#include "document/PhotoHistory.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace lumetta;

namespace {

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

TEST(PhotoHistory, KeepsTheNewestTwentySnapshots) {
    TPhotoHistory history;
    for (int i = 0; i < 21; ++i)
        history.PushSnapshot(Solid(1, 1, TColor32(0xFF000000u + i)));
    EXPECT_EQ(history.Count(), 20);
    EXPECT_EQ(history.HistoryIndex, 20);
    EXPECT_EQ(history.Snapshot(0).Pixel(0, 0), 0xFF000001u);
    EXPECT_EQ(history.Snapshot(19).Pixel(0, 0), 0xFF000014u);
}

TEST(PhotoHistory, SnapshotsAreIndependentOfTheirSource) {
    TPhotoHistory history;
    TBitmap32 picture = test::PatternBitmap(5, 4);
    const TBitmap32 before = picture;
    history.PushSnapshot(picture);
    picture.FlipHorz();
    picture.SetPixel(0, 0, 0x12345678);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(history.Snapshot(0).Pixel(x, y), before.Pixel(x, y));
}

TEST(PhotoHistory, RestoreClampsToTheNewestAndKeepsTheTargetsDrawMode) {
    TPhotoHistory history;
    history.PushSnapshot(Solid(2, 2, 0xFF0000FF));
    history.PushSnapshot(Solid(3, 1, 0xFF00FF00));
    TBitmap32 target = Solid(7, 7, 0);
    target.DrawMode = dmBlend;
    history.RestoreSnapshot(history.HistoryIndex, target); // one past the newest
    EXPECT_EQ(target.Width(), 3);
    EXPECT_EQ(target.Height(), 1);
    EXPECT_EQ(target.Pixel(2, 0), 0xFF00FF00u);
    EXPECT_EQ(target.DrawMode, dmBlend);
    history.RestoreSnapshot(0, target);
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(history.HistoryIndex, 2); // restoring never moves the index
}

TEST(PhotoHistory, RestoreFromAnEmptyHistoryOrBelowZeroDoesNothing) {
    TPhotoHistory history;
    TBitmap32 target = Solid(2, 2, 0xFF112233);
    history.RestoreSnapshot(0, target);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF112233u);
    history.PushSnapshot(Solid(1, 1, 0xFF000000));
    history.RestoreSnapshot(-1, target);
    EXPECT_EQ(target.Width(), 2);
}

TEST(PhotoHistory, ABlendSnapshotIsDrawnOverTheTarget) {
    TPhotoHistory history;
    TBitmap32 layer = Solid(1, 1, 0x80FFFFFF);
    layer.DrawMode = dmBlend;
    history.PushSnapshot(layer);
    TBitmap32 target = Solid(1, 1, 0xFF000000);
    history.RestoreSnapshot(0, target);
    EXPECT_EQ(target.Pixel(0, 0), 0xC0808080u);
}

} // namespace
