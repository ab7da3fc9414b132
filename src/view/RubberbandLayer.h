#pragma once
// TRubberbandLayer: the selection frame. A dotted outline with eight square handles; dragging
// inside it moves it, dragging a handle or an edge resizes it. With a ChildLayer attached,
// every Location set on the frame is also set on the child, so the child follows the frame.
#include "view/Layers.h"

#include <functional>

namespace lumetta {

enum RubberBandDragState : int {
    DragNone = 0,
    DragMove = 1,
    DragLeft = 2,
    DragTop = 3,
    DragRight = 4,
    DragBottom = 5,
    DragTopLeft = 6,
    DragTopRight = 7,
    DragBottomLeft = 8,
    DragBottomRight = 9
};

// Raised while dragging with the location at the press and the proposed new location, which
// the handler may change.
using TRubberbandResizingEvent =
    std::function<void(const TFloatRect& oldLocation, TFloatRect& newLocation,
                       RubberBandDragState dragState, TShiftState shift)>;

class TRubberbandLayer : public TPositionedLayer {
public:
    explicit TRubberbandLayer(TLayerCollection& collection);
    ~TRubberbandLayer() override;

    TPositionedLayer* ChildLayer() const { return child_; }
    // Attaching takes the child's Location and Scaled flag and sets LayerNoUpdate; detaching
    // (null, or the child being freed) clears LayerNoUpdate.
    void SetChildLayer(TPositionedLayer* child);

    void SetLocation(const TFloatRect& location) override;

    int HandleSize = 3;   // half the side of a handle square
    float MinWidth = 10;  // smallest width while sizing
    float MinHeight = 10; // smallest height while sizing
    TColor32 HandleFill = 0xFFFFFFFFu;
    TColor32 HandleFrame = 0xFF000000u;
    TColor32 FrameStipple[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
    TRubberbandResizingEvent OnResizing;

    // What a press at the control point (x, y) would grab.
    RubberBandDragState GetDragState(int x, int y) const;
    // The pointer shape for the control point (x, y) while no drag is under way.
    TCursorShape CursorForPoint(int x, int y) const;
    bool IsDragging() const { return dragState_ != DragNone; }
    RubberBandDragState DragState() const { return dragState_; }

    void Paint(TBitmap32& target, TPoint origin) override;
    bool HitTest(int x, int y) const override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TMouseButtons buttons, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TMouseButtons buttons, TShiftState shift, int x,
                 int y) override;
    TCursorShape Cursor() const override { return cursor_; }
    std::optional<TRect> PaintArea() const override;

protected:
    void Notification(TCustomLayer* freed) override;
    void Removed() override;

private:
    TPositionedLayer* child_ = nullptr; // linked by free notification, never dangling
    RubberBandDragState dragState_ = DragNone;
    TFloatRect oldLocation_;
    float pressOffsetX_ = 0, pressOffsetY_ = 0;
    TCursorShape cursor_ = crDefault;
};

} // namespace lumetta
