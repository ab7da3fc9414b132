// The photo document's rules, one at a time, on two views without a display.
#include "document/PhotoDocument.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

TBitmap32 Solid(int w, int h, TColor32 c) {
    TBitmap32 b(w, h);
    b.Clear(c);
    return b;
}

class PhotoDocumentTest : public ::testing::Test {
protected:
    TImgView32 edit;
    TImgView32 preview;
    TPhotoDocument doc{edit, preview};
    TBitmap32 photo = test::PatternBitmap(8, 6);

    void SetUp() override {
        for (TImgView32* v : {&edit, &preview})
            v->SetControlSize(40, 30);
        // An opaque photo, as every decoded photo is.
        photo.ResetAlpha();
        doc.Open(photo, "/photos/p.png");
    }

    // A frame-like decoration: one pixel of colour around the picture.
    void Frame(TColor32 colour) {
        doc.Decorate([colour](TBitmap32& c) {
            TBitmap32 canvas(c.Width() + 2, c.Height() + 2);
            canvas.Clear(colour);
            canvas.Draw(1, 1, c);
            c.Assign(canvas);
        });
    }
};

TEST_F(PhotoDocumentTest, OpenLeavesOneSnapshotAndNothingToUndoOrSave) {
    EXPECT_EQ(doc.History().Count(), 1);
    EXPECT_EQ(doc.HistoryIndex(), 1);
    EXPECT_TRUE(SamePixels(doc.EditPicture(), photo));
    EXPECT_TRUE(SamePixels(doc.PreviewPicture(), photo));
    EXPECT_FALSE(doc.CanUndo(TDocPage::Edit));
    EXPECT_FALSE(doc.CanRedo(TDocPage::Edit));
    EXPECT_FALSE(doc.HasUnsavedWork());
    EXPECT_EQ(doc.CurrentPhotoFile(), "/photos/p.png");
}

TEST_F(PhotoDocumentTest, AFailedEditChangesNothing) {
    EXPECT_THROW(doc.RunEdit([](TBitmap32& picture) {
        picture.SetSize(0, 0); // half done ...
        throw Error("Out of memory");
    }),
                 Error);
    EXPECT_TRUE(SamePixels(doc.EditPicture(), photo));
    EXPECT_FALSE(doc.EditDirty());
    EXPECT_EQ(doc.History().Count(), 1);
    EXPECT_FALSE(doc.HasUnsavedWork());
    // A refused size is refused before anything is allocated or changed.
    EXPECT_THROW(doc.Resize(70000, 70000), Error);
    EXPECT_THROW(doc.Resize(0, 5), Error);
    EXPECT_TRUE(SamePixels(doc.EditPicture(), photo));
    EXPECT_FALSE(doc.HasUnsavedWork());
}

TEST_F(PhotoDocumentTest, ApplyStoresThePictureWithoutAndWithTheLayers) {
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    doc.AddLayer(Solid(2, 2, 0xFFFF0000u), TPoint{4, 3});
    ASSERT_EQ(doc.LayerCount(), 1);
    doc.Apply(TDocPage::Preview);
    EXPECT_EQ(doc.LayerCount(), 0);
    EXPECT_EQ(doc.PreviewPicture().Pixel(3, 2), 0xFFFF0000u);
    EXPECT_TRUE(SamePixels(doc.EditedPhoto(), doc.PreviewPicture()));
    // The newest snapshot holds the merged layer, so the next mode change keeps it.
    EXPECT_TRUE(SamePixels(doc.History().Newest(), doc.PreviewPicture()));
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    EXPECT_EQ(doc.PreviewPicture().Pixel(3, 2), 0xFFFF0000u);
    // Undo shows the picture without it, Redo with it.
    doc.Undo(TDocPage::Preview);
    EXPECT_TRUE(SamePixels(doc.PreviewPicture(), photo));
    doc.Redo(TDocPage::Preview);
    EXPECT_EQ(doc.PreviewPicture().Pixel(3, 2), 0xFFFF0000u);
}

TEST_F(PhotoDocumentTest, SavingRendersTheLayersAndKeepsThem) {
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    TBitmapLayer* layer = doc.AddLayer(Solid(2, 2, 0xFF00FF00u), TPoint{2, 2});
    TBitmap32 saved;
    doc.PictureInView(TDocPage::Preview, saved);
    EXPECT_EQ(saved.Pixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(saved.Pixel(7, 5), photo.Pixel(7, 5));
    // Nothing moved: the layer, its selection and the preview picture are as they were.
    EXPECT_EQ(doc.LayerCount(), 1);
    EXPECT_EQ(doc.SelectedLayer(), layer);
    EXPECT_TRUE(doc.RubberBand()->Visible());
    EXPECT_TRUE(SamePixels(doc.PreviewPicture(), photo));
    TBitmap32 again;
    doc.PictureInView(TDocPage::Preview, again);
    EXPECT_TRUE(SamePixels(again, saved));
}

TEST_F(PhotoDocumentTest, DecorationsReplaceEachOtherWithinAModeAndBuildOnEachOtherAcrossModes) {
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    Frame(0xFF0000FFu);
    Frame(0xFFFF0000u); // picked instead of the first
    EXPECT_EQ(doc.PreviewPicture().Width(), 10);
    EXPECT_EQ(doc.PreviewPicture().Pixel(0, 0), 0xFFFF0000u);
    // A mode change stores it; the same frame again now goes around the framed picture.
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    Frame(0xFFFF0000u);
    EXPECT_EQ(doc.PreviewPicture().Width(), 12);
    // The edit page still shows the photo without frames.
    doc.CommitForModeSwitch();
    doc.ShowEditPage();
    EXPECT_TRUE(SamePixels(doc.EditPicture(), photo));
}

TEST_F(PhotoDocumentTest, ADecorationAfterUndoCanBeUndoneAndRedone) {
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    Frame(0xFF0000FFu);
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    doc.Undo(TDocPage::Preview); // back to the photo
    ASSERT_TRUE(SamePixels(doc.PreviewPicture(), photo));
    Frame(0xFFFF0000u);
    const TBitmap32 framed(doc.PreviewPicture());
    doc.Undo(TDocPage::Preview);
    EXPECT_TRUE(SamePixels(doc.PreviewPicture(), photo));
    ASSERT_TRUE(doc.CanRedo(TDocPage::Preview));
    doc.Redo(TDocPage::Preview);
    EXPECT_TRUE(SamePixels(doc.PreviewPicture(), framed));
}

TEST_F(PhotoDocumentTest, UnsavedWorkFollowsWhatTheUserMade) {
    doc.Flip(true);
    EXPECT_TRUE(doc.HasUnsavedWork());
    doc.MarkSaved();
    EXPECT_FALSE(doc.HasUnsavedWork());
    // Committing and merging change nothing the user sees.
    doc.CommitForModeSwitch();
    doc.ShowPreviewPage();
    doc.Apply(TDocPage::Preview);
    EXPECT_FALSE(doc.HasUnsavedWork());
    doc.AddLayer(Solid(1, 1, 0xFFFFFFFFu), TPoint{1, 1});
    EXPECT_TRUE(doc.HasUnsavedWork());
    doc.MarkSaved();
    doc.DeleteSelectedLayer();
    EXPECT_TRUE(doc.HasUnsavedWork());
    doc.Close();
    EXPECT_FALSE(doc.HasUnsavedWork());
}

TEST_F(PhotoDocumentTest, AToneAdjustmentStartsFromThePictureInViewAndCancelReturnsExactlyThere) {
    doc.Flip(false);
    const TBitmap32 flipped(doc.EditPicture());
    doc.BeginTone();
    doc.RenderTone(ToneTable(0.5, 0.0, 1.0));
    TBitmap32 expected(flipped);
    ApplyLookupTable(&expected, &flipped, ToneTable(0.5, 0.0, 1.0));
    EXPECT_TRUE(SamePixels(doc.EditPicture(), expected));
    doc.CancelTone();
    EXPECT_TRUE(SamePixels(doc.EditPicture(), flipped));
    EXPECT_TRUE(doc.EditDirty()); // the flip is still waiting to be committed
    // Update commits the adjusted picture; Undo goes back to the picture it began from.
    doc.BeginTone();
    doc.RenderTone(ToneTable(0.5, 0.0, 1.0));
    doc.CommitTone();
    EXPECT_TRUE(SamePixels(doc.EditedPhoto(), expected));
    doc.Undo(TDocPage::Edit);
    EXPECT_TRUE(SamePixels(doc.EditPicture(), flipped));
}

TEST(PhotoHistoryBudget, DropsTheOldestSnapshotsCountingSharedPixelsOnce) {
    TPhotoHistory history;
    const TBitmap32 big = Solid(100, 100, 0xFF000000u); // 40000 bytes
    history.SetByteBudget(100000);
    history.PushSnapshot(big);
    history.PushSnapshot(big); // the same pixels: no more memory
    EXPECT_EQ(history.Bytes(), 40000u);
    EXPECT_EQ(history.Count(), 2);
    history.PushSnapshot(Solid(100, 100, 0xFF111111u));
    EXPECT_EQ(history.Count(), 3);
    history.PushSnapshot(Solid(100, 100, 0xFF222222u)); // 120000 bytes: the oldest go
    EXPECT_LE(history.Bytes(), 100000u);
    EXPECT_EQ(history.Newest().Pixel(0, 0), 0xFF222222u);
    EXPECT_EQ(history.HistoryIndex, history.Count());
    EXPECT_GT(history.DroppedForBudget(), 0);
    // The newest snapshot always stays, even alone over the budget.
    history.SetByteBudget(10);
    history.PushSnapshot(Solid(100, 100, 0xFF333333u));
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(history.Newest().Pixel(0, 0), 0xFF333333u);
    EXPECT_LE(TPhotoHistory::DefaultByteBudget(), std::size_t(2) << 30);
}

} // namespace
} // namespace lumetta
