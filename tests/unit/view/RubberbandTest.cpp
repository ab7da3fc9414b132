#include "ViewTestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using test::SetUpView;

// A view at Scale 1 whose 200 x 200 picture fills the 200 x 200 control, so picture and control
// coordinates agree, with one frame at (10, 10, 50, 40).
struct FrameFixture : ::testing::Test {
    TImgView32 view;
    TRubberbandLayer* frame = nullptr;
    void SetUp() override {
        SetUpView(view, 200, 200, TBitmap32(200, 200));
        frame = view.Layers().Add<TRubberbandLayer>();
        frame->SetScaled(true);
        frame->SetLocation({10, 10, 50, 40});
    }
    void Drag(int x0, int y0, int x1, int y1, TShiftState shift = ssNone) {
        view.MouseDown(mbLeft, shift, x0, y0);
        view.MouseMove(mbsLeft, shift, x1, y1);
        view.MouseUp(mbLeft, mbsNone, shift, x1, y1);
    }
};

TEST_F(FrameFixture, DefaultsAndDragStates) {
    EXPECT_EQ(frame->HandleSize, 3);
    EXPECT_EQ(frame->MinWidth, 10);
    EXPECT_EQ(frame->MinHeight, 10);
    EXPECT_EQ(frame->ChildLayer(), nullptr);
    // Rounded and reduced: left 10, top 10, right 49, bottom 39; centre (29, 24); t = 4.
    EXPECT_EQ(frame->GetDragState(53, 24), DragRight);
    EXPECT_EQ(frame->GetDragState(54, 24), DragNone);
    EXPECT_EQ(frame->GetDragState(6, 24), DragLeft);
    EXPECT_EQ(frame->GetDragState(29, 6), DragTop);
    EXPECT_EQ(frame->GetDragState(25, 43), DragBottom);
    EXPECT_EQ(frame->GetDragState(14, 14), DragTopLeft);
    EXPECT_EQ(frame->GetDragState(45, 14), DragTopRight);
    EXPECT_EQ(frame->GetDragState(14, 35), DragBottomLeft);
    EXPECT_EQ(frame->GetDragState(53, 43), DragBottomRight);
    EXPECT_EQ(frame->GetDragState(20, 30), DragMove);
    EXPECT_EQ(frame->GetDragState(40, 30), DragMove);
    EXPECT_EQ(frame->GetDragState(48, 38), DragBottomRight); // corners reach inwards too
    EXPECT_EQ(frame->GetDragState(35, 24), DragMove);        // between the middle handles' reach
    EXPECT_EQ(frame->GetDragState(29, 24), DragMove);
}

TEST_F(FrameFixture, PressFourPixelsRightOfTheOutlineStartsDragRightFiveMisses) {
    // The outline runs down column 49.
    std::vector<TCustomLayer*> reported;
    view.OnMouseDown = [&](TMouseButton, TShiftState, int, int, TCustomLayer* l) {
        reported.push_back(l);
    };
    view.MouseDown(mbLeft, ssNone, 54, 24);
    EXPECT_FALSE(frame->IsDragging());
    EXPECT_EQ(reported.back(), nullptr);
    view.MouseUp(mbLeft, mbsNone, ssNone, 54, 24);
    view.MouseDown(mbLeft, ssNone, 53, 24);
    EXPECT_EQ(frame->DragState(), DragRight);
    EXPECT_EQ(reported.back(), frame);
    view.MouseUp(mbLeft, mbsNone, ssNone, 53, 24);
    EXPECT_FALSE(frame->IsDragging());
}

TEST_F(FrameFixture, SizingClampsToTheMinimumKeepingTheOppositeEdge) {
    Drag(10, 24, 80, 24); // left handle far past the right edge
    EXPECT_EQ(frame->Location(), (TFloatRect{40, 10, 50, 40}));
    Drag(49, 24, 45, 24); // right handle onto the left side
    EXPECT_EQ(frame->Location(), (TFloatRect{40, 10, 50, 40}));
    frame->SetLocation({10, 10, 50, 40});
    Drag(29, 10, 29, 100); // top handle below the bottom edge
    EXPECT_EQ(frame->Location(), (TFloatRect{10, 30, 50, 40}));
    frame->MinWidth = frame->MinHeight = 1;
    Drag(49, 39, 60, 80); // bottom-right corner
    EXPECT_EQ(frame->Location(), (TFloatRect{10, 30, 60, 80}));
    Drag(10, 79, 70, 20); // bottom-left corner to above-right: 1-pixel minimums
    EXPECT_EQ(frame->Location(), (TFloatRect{59, 30, 60, 31}));
}

TEST_F(FrameFixture, MoveKeepsThePressOffsetAtScaleOne) {
    Drag(15, 17, 25, 20);
    EXPECT_EQ(frame->Location(), (TFloatRect{20, 13, 60, 43}));
}

TEST(RubberbandDrag, MoveConvertsThroughTheViewAtScaleTwo) {
    TImgView32 view;
    SetUpView(view, 300, 300, TBitmap32(100, 100), 2.0f); // bitmap rect (50, 50, 250, 250)
    auto* frame = view.Layers().Add<TRubberbandLayer>();
    frame->SetScaled(true);
    frame->SetLocation({10, 10, 30, 30});
    EXPECT_EQ(frame->AdjustedLocation(), (TFloatRect{70, 70, 110, 110}));
    view.MouseDown(mbLeft, ssNone, 75, 77); // offset (5, 7)
    EXPECT_EQ(frame->DragState(), DragMove);
    view.MouseMove(mbsLeft, ssNone, 95, 80);
    EXPECT_EQ(frame->Location(), (TFloatRect{20, 11.5f, 40, 31.5f}));
    view.MouseMove(mbsLeft, ssNone, 97, 80); // from the new position: still relative to press
    EXPECT_EQ(frame->Location(), (TFloatRect{21, 11.5f, 41, 31.5f}));
    view.MouseUp(mbLeft, mbsNone, ssNone, 97, 80);
    // Sizing at Scale 2: the right edge follows the pointer in picture coordinates.
    view.MouseDown(mbLeft, ssNone, 131, 92); // right outline column 131, middle row 92
    EXPECT_EQ(frame->DragState(), DragRight);
    view.MouseMove(mbsLeft, ssNone, 171, 92);
    EXPECT_EQ(frame->Location(), (TFloatRect{21, 11.5f, 60.5f, 31.5f}));
}

TEST_F(FrameFixture, ResizingHandlerSeesThePressLocationAndMayChangeTheResult) {
    TFloatRect seenOld;
    RubberBandDragState seenState = DragNone;
    TShiftState seenShift = ssNone;
    frame->OnResizing = [&](const TFloatRect& oldLoc, TFloatRect& newLoc, RubberBandDragState s,
                            TShiftState shift) {
        seenOld = oldLoc;
        seenState = s;
        seenShift = shift;
        newLoc.Top = 0; // e.g. keep a ratio, snap, mirror ...
    };
    view.MouseDown(mbLeft, ssNone, 49, 24);
    view.MouseMove(mbsLeft, ssCtrl, 60, 24);
    EXPECT_EQ(frame->Location(), (TFloatRect{10, 0, 60, 40}));
    view.MouseMove(mbsLeft, ssCtrl | ssShift, 70, 24);
    EXPECT_EQ(seenOld, (TFloatRect{10, 10, 50, 40}));
    EXPECT_EQ(seenState, DragRight);
    EXPECT_EQ(seenShift, ssCtrl | ssShift);
    EXPECT_EQ(frame->Location(), (TFloatRect{10, 0, 70, 40}));
    view.MouseUp(mbLeft, mbsNone, ssNone, 70, 24);
}

TEST_F(FrameFixture, ChildFollowsTheFrameAndNoUpdateFollowsTheAttachment) {
    auto* child = view.Layers().Add<TBitmapLayer>();
    child->SetScaled(true);
    child->SetLocation({100, 100, 140, 130});
    frame->SetScaled(false);
    frame->SetChildLayer(child);
    EXPECT_EQ(frame->Location(), child->Location());
    EXPECT_TRUE(frame->Scaled());
    EXPECT_EQ(frame->LayerOptions(), LayerVisible | LayerMouseEvents | LayerNoUpdate);

    // The frame alone asks for no repaint; the child's move covers both.
    test::InvalidateLog log;
    log.Attach(view);
    frame->SetLocation({100, 100, 150, 130});
    EXPECT_EQ(child->Location(), (TFloatRect{100, 100, 150, 130}));
    EXPECT_TRUE(log.Covers(153, 115)); // the frame's right handle
    frame->BringToFront();
    Drag(120, 115, 130, 120);
    EXPECT_EQ(child->Location(), (TFloatRect{110, 105, 160, 135}));

    // An unchanged result sets nothing, on the frame or the child.
    frame->OnResizing = [&](const TFloatRect&, TFloatRect& n, RubberBandDragState, TShiftState) {
        n = frame->Location();
    };
    log.calls.clear();
    Drag(120, 115, 10, 10);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(child->Location(), (TFloatRect{110, 105, 160, 135}));

    frame->SetChildLayer(nullptr);
    EXPECT_EQ(frame->LayerOptions(), LayerVisible | LayerMouseEvents);
    frame->SetLocation({0, 0, 20, 20});
    EXPECT_EQ(child->Location(), (TFloatRect{110, 105, 160, 135}));
}

TEST_F(FrameFixture, FreeingTheChildDetachesIt) {
    auto* child = view.Layers().Add<TBitmapLayer>();
    frame->SetChildLayer(child);
    child->Free();
    EXPECT_EQ(frame->ChildLayer(), nullptr);
    EXPECT_EQ(frame->LayerOptions() & LayerNoUpdate, 0u);
    frame->SetLocation({1, 2, 3, 4}); // must not reach the freed child

    // Freeing the frame first leaves the child untouched, in either order of Clear.
    auto* other = view.Layers().Add<TBitmapLayer>();
    frame->SetChildLayer(other);
    frame->Free();
    other->SetLocation({5, 5, 9, 9});
    auto* frame2 = view.Layers().Add<TRubberbandLayer>();
    frame2->SetChildLayer(other);
    other->BringToFront();
    view.Layers().Clear();
    EXPECT_EQ(view.Layers().Count(), 0);
}

TEST_F(FrameFixture, FreeingTheFrameOrChildDuringADrag) {
    auto* child = view.Layers().Add<TBitmapLayer>();
    frame->SetChildLayer(child);
    frame->BringToFront();
    frame->OnResizing = [&](const TFloatRect&, TFloatRect&, RubberBandDragState, TShiftState) {
        view.Layers().Clear();
    };
    view.MouseDown(mbLeft, ssNone, 20, 20);
    view.MouseMove(mbsLeft, ssNone, 30, 30);
    EXPECT_EQ(view.Layers().Count(), 0);
    view.MouseMove(mbsLeft, ssNone, 35, 30);
    view.MouseUp(mbLeft, mbsNone, ssNone, 35, 30);
}

TEST_F(FrameFixture, CursorFollowsTheHandleUnderThePointer) {
    view.Cursor = crDefault;
    view.MouseMove(mbsNone, ssNone, 53, 24);
    EXPECT_EQ(view.CursorShape(), crSizeWE);
    view.MouseMove(mbsNone, ssNone, 29, 43);
    EXPECT_EQ(view.CursorShape(), crSizeNS);
    view.MouseMove(mbsNone, ssNone, 10, 10);
    EXPECT_EQ(view.CursorShape(), crSizeNWSE);
    view.MouseMove(mbsNone, ssNone, 49, 10);
    EXPECT_EQ(view.CursorShape(), crSizeNESW);
    view.MouseMove(mbsNone, ssNone, 25, 25);
    EXPECT_EQ(view.CursorShape(), crDefault);
    view.Cursor = crSizeNS; // the view's own shape where nothing is hit
    view.MouseMove(mbsNone, ssNone, 150, 150);
    EXPECT_EQ(view.CursorShape(), crSizeNS);
    EXPECT_EQ(frame->CursorForPoint(10, 39), crSizeNESW);
}

} // namespace
} // namespace lumetta
