#include "ViewTestSupport.h"

#include <gtest/gtest.h>

namespace lumetta {
namespace {

using test::SetUpView;

TEST(ViewGeometry, CentredPictureAtScaleTwoMapsViewportCentreToPictureCentre) {
    TImgView32 view;
    view.SetScrollBarSize(16);
    SetUpView(view, 416, 316, TBitmap32(100, 60), 2.0f);
    EXPECT_EQ(view.ViewportRect(), (TRect{0, 0, 400, 300}));
    EXPECT_EQ(view.BitmapRect(), (TRect{100, 90, 300, 210}));
    const TViewTransform& t = view.Transform();
    EXPECT_EQ(t.ShiftX, 100);
    EXPECT_EQ(t.ShiftY, 90);
    EXPECT_EQ(t.ScaleX, 131072);
    EXPECT_EQ(t.RevScaleY, 32768);
    EXPECT_EQ(view.ControlToBitmap(200, 150), (TPoint{50, 30}));
    EXPECT_EQ(view.ScrollRangeX(), 0);
    EXPECT_EQ(view.ScrollRangeY(), 0);
}

TEST(ViewGeometry, ControlToBitmapTruncatesTowardZero) {
    TImgView32 view;
    SetUpView(view, 300, 300, TBitmap32(100, 100), 2.0f); // bitmap rect at (50, 50)
    EXPECT_EQ(view.ControlToBitmap(51, 51), (TPoint{0, 0}));
    EXPECT_EQ(view.ControlToBitmap(49, 47), (TPoint{0, -1})); // -0.5 -> 0, -1.5 -> -1
    EXPECT_EQ(view.ControlToBitmap(249, 250), (TPoint{99, 100}));
}

TEST(ViewGeometry, TransformRoundsHalvesToEvenAndHandlesEmptyAxes) {
    // 5 * 65536 / 131072 = 2.5 -> 2; 3 * 65536 / 131072 = 1.5 -> 2.
    EXPECT_EQ(MakeViewTransform({0, 0, 5, 3}, 131072, 131072).ScaleX, 2);
    EXPECT_EQ(MakeViewTransform({0, 0, 5, 3}, 131072, 131072).ScaleY, 2);
    const TViewTransform t = MakeViewTransform({4, 7, 11, 14}, 3, 3);
    EXPECT_EQ(t.ScaleX, 152917);   // 7 * 65536 / 3 = 152917.33
    EXPECT_EQ(t.RevScaleX, 28087); // 3 * 65536 / 7 = 28086.86
    EXPECT_EQ(MakeViewTransform({3, 4, 9, 9}, 0, 10), TViewTransform{}); // empty picture
    // A rectangle without width does not divide by zero.
    EXPECT_EQ(MakeViewTransform({3, 4, 3, 9}, 10, 10).RevScaleX, 65536);
}

TEST(ViewGeometry, EmptyPictureGivesIdentity) {
    TImgView32 view;
    view.SetControlSize(200, 100);
    view.SetScale(3.0f);
    EXPECT_EQ(view.Transform(), TViewTransform{});
    EXPECT_EQ(view.ControlToBitmap(17, -4), (TPoint{17, -4}));
    EXPECT_EQ(view.ScrollRangeX(), 0);
}

TEST(ViewGeometry, ScrollOffsetsPlaceABigPictureAndAreClamped) {
    TImgView32 view;
    view.SetScrollBarSize(20);
    SetUpView(view, 420, 320, TBitmap32(1000, 200));
    EXPECT_EQ(view.ScrollRangeX(), 600);
    EXPECT_EQ(view.ScrollRangeY(), 0);
    EXPECT_EQ(view.BitmapRect(), (TRect{0, 50, 1000, 250})); // centred vertically only
    view.SetScroll(100, 40);
    EXPECT_EQ(view.ScrollX(), 100);
    EXPECT_EQ(view.ScrollY(), 0);
    EXPECT_EQ(view.ControlToBitmap(0, 50), (TPoint{100, 0}));
    view.SetScroll(5000, -5);
    EXPECT_EQ(view.ScrollX(), 600);
    EXPECT_EQ(view.BitmapRect().Left, -600);
    // A picture that shrinks to fit drops the offset.
    view.Picture().SetSize(300, 200);
    EXPECT_EQ(view.ScrollX(), 0);
    EXPECT_EQ(view.BitmapRect(), (TRect{50, 50, 350, 250}));
}

TEST(ViewGeometry, ZoomKeepsThePictureAtTheViewportCentre) {
    TImgView32 view;
    SetUpView(view, 400, 300, TBitmap32(1000, 1000));
    view.SetScroll(300, 350);
    EXPECT_EQ(view.ControlToBitmap(200, 150), (TPoint{500, 500}));
    view.SetScale(2.0f);
    EXPECT_EQ(view.ScrollX(), 800);
    EXPECT_EQ(view.ScrollY(), 850);
    EXPECT_EQ(view.ControlToBitmap(200, 150), (TPoint{500, 500}));
    // A tiny picture zoomed far out still occupies a pixel and inverts.
    view.Picture().SetSize(1, 1);
    view.SetScale(0.2f);
    EXPECT_EQ(view.BitmapRect().Width(), 1);
    EXPECT_EQ(view.Transform().RevScaleX, 65536);
    view.SetScale(0.0f); // ignored
    EXPECT_FLOAT_EQ(view.Scale(), 0.2f);
}

TEST(ViewGeometry, PictureChangesRepaintAndReportGeometry) {
    TImgView32 view;
    view.SetControlSize(100, 100);
    test::InvalidateLog log;
    log.Attach(view);
    int geometry = 0;
    view.OnGeometryChanged = [&] { ++geometry; };
    view.Picture().SetSize(40, 20);
    ASSERT_FALSE(log.calls.empty());
    EXPECT_FALSE(log.calls.back().has_value()); // whole view
    EXPECT_EQ(geometry, 1);
    EXPECT_EQ(view.BitmapRect(), (TRect{30, 40, 70, 60}));
    log.calls.clear();
    view.Picture().Clear(0xFF00FF00u);
    EXPECT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(geometry, 1); // same size: same geometry
}

} // namespace
} // namespace lumetta
