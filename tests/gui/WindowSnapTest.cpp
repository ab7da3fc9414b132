// Snapping the main window to the work area's edges, and windows that move along with it.
#include "ui/WindowSnap.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

using namespace lumetta::ui;

namespace {

const QRect kArea(0, 0, 1280, 1000);

TEST(WindowSnap, EdgesWithinThirtyPixelsSnapOntoTheWorkArea) {
    EXPECT_EQ(SnapOffset(QRect(25, 200, 750, 550), kArea, 30), QPoint(-25, 0));
    EXPECT_EQ(SnapOffset(QRect(31, 200, 750, 550), kArea, 30), QPoint(0, 0));
    EXPECT_EQ(SnapOffset(QRect(300, 12, 750, 550), kArea, 30), QPoint(0, -12));
    // right edge at 1260: 20 pixels from the work area's right edge at 1280
    EXPECT_EQ(SnapOffset(QRect(510, 200, 750, 550), kArea, 30), QPoint(20, 0));
    EXPECT_EQ(SnapOffset(QRect(510, 430, 750, 550), kArea, 30), QPoint(20, 20));
    EXPECT_EQ(SnapOffset(QRect(0, 0, 750, 550), kArea, 30), QPoint(0, 0));
    EXPECT_EQ(SnapOffset(QRect(-20, -5, 750, 550), QRect(0, 0, 1280, 1000), 30), QPoint(20, 5));
}

TEST(WindowSnap, OnlyWindowsTouchingAnEdgeExactlyMoveAlong) {
    const QRect main(100, 100, 400, 300); // right edge 500, bottom edge 400
    EXPECT_TRUE(TouchesEdge(main, QRect(500, 150, 186, 29)));
    EXPECT_TRUE(TouchesEdge(main, QRect(120, 400, 100, 30)));
    EXPECT_TRUE(TouchesEdge(main, QRect(0, 120, 100, 30)));
    EXPECT_TRUE(TouchesEdge(main, QRect(150, 70, 100, 30)));
    EXPECT_FALSE(TouchesEdge(main, QRect(501, 150, 186, 29)));
    EXPECT_FALSE(TouchesEdge(main, QRect(200, 200, 50, 50)));
}

TEST(WindowSnap, TouchingToolWindowsAreMovedByTheSameOffset) {
    QWidget main;
    main.setGeometry(100, 100, 400, 300);
    QWidget tool(nullptr, Qt::Tool);
    tool.resize(186, 29);
    QWidget apart(nullptr, Qt::Tool);
    apart.setGeometry(900, 600, 50, 50);
    main.show();
    tool.show();
    apart.show();
    // move() places the outer frame: put the tool's left edge on the main window's right edge.
    const QRect frame = main.frameGeometry();
    tool.move(frame.left() + frame.width(), 150);
    ASSERT_TRUE(TouchesEdge(frame, tool.frameGeometry()));
    const QPoint toolBefore = tool.pos(), apartBefore = apart.pos();
    MoveTouchingWindows(&main, main.frameGeometry(), QPoint(-25, 0));
    EXPECT_EQ(tool.pos(), toolBefore + QPoint(-25, 0));
    EXPECT_EQ(apart.pos(), apartBefore);
}

} // namespace
