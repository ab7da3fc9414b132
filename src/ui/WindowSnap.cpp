#include "ui/WindowSnap.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>

namespace lumetta::ui {

QPoint SnapOffset(const QRect& frame, const QRect& workArea, int distance) {
    // QRect's right() and bottom() are the last pixel inside; edges are one past that.
    const int left = frame.left(), top = frame.top();
    const int right = frame.left() + frame.width(), bottom = frame.top() + frame.height();
    const int areaRight = workArea.left() + workArea.width();
    const int areaBottom = workArea.top() + workArea.height();
    int dx = 0, dy = 0;
    if (left != workArea.left() && std::abs(left - workArea.left()) <= distance)
        dx = workArea.left() - left;
    else if (right != areaRight && std::abs(right - areaRight) <= distance)
        dx = areaRight - right;
    if (top != workArea.top() && std::abs(top - workArea.top()) <= distance)
        dy = workArea.top() - top;
    else if (bottom != areaBottom && std::abs(bottom - areaBottom) <= distance)
        dy = areaBottom - bottom;
    return {dx, dy};
}

bool TouchesEdge(const QRect& main, const QRect& other) {
    const int mainRight = main.left() + main.width(), mainBottom = main.top() + main.height();
    const int otherRight = other.left() + other.width();
    const int otherBottom = other.top() + other.height();
    return other.left() == mainRight || other.top() == mainBottom || otherRight == main.left() ||
           otherBottom == main.top();
}

void MoveTouchingWindows(const QWidget* mainWindow, const QRect& mainBefore, const QPoint& offset) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w == mainWindow || !w->isVisible()) continue;
        if (TouchesEdge(mainBefore, w->frameGeometry())) w->move(w->pos() + offset);
    }
}

} // namespace lumetta::ui
