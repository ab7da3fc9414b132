#pragma once
// Window snapping: an edge of the main window that comes within a distance of the same edge of
// the screen's work area snaps onto it, and the program's other windows that touch the main
// window move along with it.
#include <QPoint>
#include <QRect>

class QWidget;

namespace lumetta::ui {

// The offset that moves `frame` so that each of its edges within `distance` pixels of the same
// edge of `workArea` lies on it (left/right and top/bottom independently; left and top win
// when both would snap).
QPoint SnapOffset(const QRect& frame, const QRect& workArea, int distance);

// Whether `other` touches `main` exactly along an edge: its left edge on main's right edge,
// its top on main's bottom, its right on main's left or its bottom on main's top.
bool TouchesEdge(const QRect& main, const QRect& other);

// Moves every other visible top-level window of the program that touched `mainBefore` by
// `offset`.
void MoveTouchingWindows(const QWidget* mainWindow, const QRect& mainBefore, const QPoint& offset);

} // namespace lumetta::ui
