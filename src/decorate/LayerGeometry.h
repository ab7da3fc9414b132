#pragma once
// The arithmetic of floating clip-art and text layers: where a new layer is placed, how a
// Ctrl-drag resizes it about its centre, and where a quarter turn puts it. All in single
// precision.
#include "view/RubberbandLayer.h"
#include "view/ViewTypes.h"

namespace lumetta {

// A w x h layer centred on the picture point (x, y): (x - w/2, y - h/2, x + w/2, y + h/2), the
// halves in floating point (an odd size gives edges at half pixels).
TFloatRect CentredLocation(int x, int y, int w, int h);

// The selection frame's resize handler for layers: with Ctrl held (and not moving), the new
// rectangle is made symmetric about the centre the rectangle had when the drag began, each
// half size at least 2. Otherwise newLocation is left as it is.
void SymmetricResize(const TFloatRect& oldLocation, TFloatRect& newLocation,
                     RubberBandDragState dragState, TShiftState shift);

// The location after a quarter turn: same centre, width and height exchanged.
TFloatRect QuarterTurnLocation(const TFloatRect& location);

} // namespace lumetta
