// The edit page's arithmetic: drag selections and their clamps, the whole-pixel rectangle of a
// frame, zoom steps and the resize fields' numbers.
#include "edit/EditGeometry.h"

#include <gtest/gtest.h>

#include <climits>

using namespace lumetta;

namespace {

TEST(DragSelection, NormalisesEitherDirection) {
    EXPECT_EQ(DragSelection({10, 20}, {40, 30}, 100, 80), (TRect{10, 20, 40, 30}));
    EXPECT_EQ(DragSelection({40, 30}, {10, 20}, 100, 80), (TRect{10, 20, 40, 30}));
    EXPECT_EQ(DragSelection({40, 20}, {10, 30}, 100, 80), (TRect{10, 20, 40, 30}));
    // A press without a move is a 0 x 0 selection at the press point.
    EXPECT_EQ(DragSelection({5, 6}, {5, 6}, 100, 80), (TRect{5, 6, 5, 6}));
}

TEST(DragSelection, ClampsOnlyTheFourOutwardEdges) {
    // Started left of and above the picture, ended past its right and bottom edges.
    EXPECT_EQ(DragSelection({-15, -3}, {130, 95}, 100, 80), (TRect{0, 0, 100, 80}));
    // Wholly right of the picture: Left stays beyond the width, Right is pulled back to it.
    EXPECT_EQ(DragSelection({120, 10}, {150, 20}, 100, 80), (TRect{120, 10, 100, 20}));
    // Wholly above: Bottom below 0 is not clamped.
    EXPECT_EQ(DragSelection({10, -30}, {20, -5}, 100, 80), (TRect{10, 0, 20, -5}));
    // A picture of 0 x 0 pulls every outward edge onto the origin.
    EXPECT_EQ(DragSelection({-4, -4}, {30, 30}, 0, 0), (TRect{0, 0, 0, 0}));
}

TEST(SelectionRect, RoundsEveryEdgeUpAndNeverGoesNegative) {
    EXPECT_EQ(SelectionRect({0, 0, 100, 80}), (TRect{0, 0, 100, 80}));
    EXPECT_EQ(SelectionRect({1.2f, 2.5f, 10.01f, 20.0f}), (TRect{2, 3, 11, 20}));
    EXPECT_EQ(SelectionRect({-1.5f, -0.5f, 3.5f, 4.0f}), (TRect{-1, 0, 4, 4}));
    // Inverted locations collapse onto Left and Top.
    EXPECT_EQ(SelectionRect({120, 10, 100, 20}), (TRect{120, 10, 120, 20}));
    EXPECT_EQ(SelectionRect({10, 0, 20, -5}), (TRect{10, 0, 20, 0}));
    const TRect far = SelectionRect({-1e12f, 0, 1e12f, 1});
    EXPECT_EQ(far.Left, INT_MIN);
    EXPECT_EQ(far.Right, INT_MAX);
}

TEST(SelectionRect, InAPictureKeepsOnlyThePartOnIt) {
    EXPECT_EQ(SelectionRectIn({10, 12, 30, 40}, 80, 60), (TRect{10, 12, 30, 40}));
    // A frame left from a larger picture.
    EXPECT_EQ(SelectionRectIn({10, 12, 70, 50}, 40, 30), (TRect{10, 12, 40, 30}));
    EXPECT_EQ(SelectionRectIn({50, 40, 70, 50}, 40, 30), (TRect{40, 30, 40, 30}));
    // Beside the picture the rectangle still has no width.
    EXPECT_EQ(SelectionRectIn({120, 10, 100, 20}, 100, 80).Width(), 0);
    EXPECT_EQ(SelectionRectIn({-1e12f, -3, 1e12f, 5}, 100, 80), (TRect{0, 0, 100, 5}));
}

TEST(ZoomScale, StepsAreTenthsInSinglePrecision) {
    EXPECT_EQ(ZoomScale(10), 1.0f);
    EXPECT_EQ(ZoomScale(11), 1.1f);
    EXPECT_EQ(ZoomScale(20), 2.0f);
    EXPECT_EQ(ZoomScale(2), 0.2f);
    EXPECT_EQ(ZoomScale(7), 0.7f);
}

TEST(SizeField, OnlyDigitsAndBackspacePass) {
    for (char32_t c = U'0'; c <= U'9'; ++c)
        EXPECT_TRUE(IsSizeFieldChar(c));
    EXPECT_TRUE(IsSizeFieldChar(8));
    for (char32_t c : {U'a', U'Z', U'-', U'+', U' ', U'.', char32_t(13), char32_t(27),
                       char32_t(0x0663) /* Arabic-Indic three */})
        EXPECT_FALSE(IsSizeFieldChar(c)) << unsigned(c);
}

TEST(SizeField, TextThatDoesNotConvertGivesZero) {
    EXPECT_EQ(SizeFieldValue("800"), 800);
    EXPECT_EQ(SizeFieldValue("007"), 7);
    EXPECT_EQ(SizeFieldValue("2147483647"), INT_MAX);
    EXPECT_EQ(SizeFieldValue("2147483648"), 0);
    EXPECT_EQ(SizeFieldValue("99999999999"), 0);
    EXPECT_EQ(SizeFieldValue(""), 0);
    EXPECT_EQ(SizeFieldValue("12a"), 0);
    EXPECT_EQ(SizeFieldValue(" 12"), 0);
    EXPECT_EQ(SizeFieldValue("+"), 0);
    EXPECT_EQ(SizeFieldValue("+-3"), 0);
    EXPECT_EQ(SizeFieldValue("+15"), 15);
    EXPECT_EQ(SizeFieldValue("-15"), -15);
}

TEST(SizeField, KeptProportionsRoundTiesToEven) {
    const double landscape = 1024.0 / 768.0;
    EXPECT_EQ(HeightForWidth(800, landscape), 600);
    EXPECT_EQ(WidthForHeight(100, landscape), 133);
    // A 2 x 1 photo: 2.5 -> 2, 1.5 -> 2, 3.5 -> 4.
    EXPECT_EQ(HeightForWidth(5, 2.0), 2);
    EXPECT_EQ(HeightForWidth(3, 2.0), 2);
    EXPECT_EQ(HeightForWidth(7, 2.0), 4);
    // A 1 x 2 photo: 0.5 -> 0, 2.5 -> 2.
    EXPECT_EQ(WidthForHeight(1, 0.5), 0);
    EXPECT_EQ(WidthForHeight(5, 0.5), 2);
    EXPECT_EQ(HeightForWidth(0, 2.0), 0);
}

TEST(SizeField, OutOfRangeResultsSaturateInsteadOfWrapping) {
    EXPECT_EQ(HeightForWidth(INT_MAX, 0.5), INT_MAX);
    EXPECT_EQ(WidthForHeight(INT_MAX, 3.0), INT_MAX);
    EXPECT_EQ(HeightForWidth(100, 0.0), INT_MAX);
    EXPECT_EQ(HeightForWidth(0, 0.0), 0);
}

} // namespace
