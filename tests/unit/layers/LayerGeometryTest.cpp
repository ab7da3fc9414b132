// Placement, symmetric resizing and quarter turns of floating layers.
#include "decorate/LayerGeometry.h"

#include <gtest/gtest.h>

using namespace lumetta;

namespace {

TEST(LayerGeometry, ANewLayerIsCentredWithHalfPixelEdgesForOddSizes) {
    EXPECT_EQ(CentredLocation(200, 150, 101, 50), (TFloatRect{149.5f, 125, 250.5f, 175}));
    EXPECT_EQ(CentredLocation(0, 0, 4, 2), (TFloatRect{-2, -1, 2, 1}));
}

TEST(LayerGeometry, CtrlDragResizesAboutTheOldCentre) {
    const TFloatRect old{150, 80, 250, 120};
    TFloatRect dragged{150, 80, 260, 120};
    SymmetricResize(old, dragged, DragRight, ssCtrl);
    EXPECT_EQ(dragged, (TFloatRect{140, 80, 260, 120}));

    TFloatRect plain{150, 80, 260, 120};
    SymmetricResize(old, plain, DragRight, ssNone);
    EXPECT_EQ(plain, (TFloatRect{150, 80, 260, 120}));
    SymmetricResize(old, plain, DragRight, ssShift);
    EXPECT_EQ(plain, (TFloatRect{150, 80, 260, 120}));

    TFloatRect moved{160, 90, 260, 130};
    SymmetricResize(old, moved, DragMove, ssCtrl);
    EXPECT_EQ(moved, (TFloatRect{160, 90, 260, 130}));
}

TEST(LayerGeometry, ACornerDraggedOntoTheCentreGivesFourByFour) {
    const TFloatRect old{150, 80, 250, 120};
    TFloatRect dragged{150, 80, 200, 100}; // bottom-right corner at the centre
    SymmetricResize(old, dragged, DragBottomRight, ssCtrl | ssShift);
    EXPECT_EQ(dragged, (TFloatRect{198, 98, 202, 102}));
    TFloatRect side{150, 80, 250, 95};
    SymmetricResize(old, side, DragBottom, ssCtrl);
    EXPECT_EQ(side, (TFloatRect{150, 98, 250, 102})); // the width stays as it was
}

TEST(LayerGeometry, AQuarterTurnKeepsTheCentreAndSwapsTheSides) {
    EXPECT_EQ(QuarterTurnLocation({0, 0, 100, 40}), (TFloatRect{30, -30, 70, 70}));
    const TFloatRect odd{149.5f, 125, 250.5f, 175};
    EXPECT_EQ(QuarterTurnLocation(QuarterTurnLocation(odd)), odd);
}

} // namespace
