// The two ways a knob follows the mouse during a drag, as plain state machines
// that a test can feed points without a window.
//
// Circular: the value is the one under the pointer's angle, except that a jump
// of more than half the range between two steps is taken as the pointer having
// crossed the gap, and the value stays at the end it was nearest.
//
// Linear: moving up or right raises the value by a fixed step per pixel; with
// fine tuning the step is the zoom factor times smaller. On a zoomed editor
// (gui/Zoom.h) a pixel is a smaller part of the knob, so the step shrinks with
// the zoom: 80 pixels at 200 % do what 40 do at 100 %. Changing the
// sensitivity mid-drag never moves the value: the movement so far keeps the step
// it was made with, only further movement uses the new one.
#pragma once

#include <cstdint>

#include "gui/Point.h"

namespace qp {

class CircularKnobDrag {
public:
    CircularKnobDrag(float minimum, float maximum, float valueAtClick);
    // pointed: the value the pointer's angle gives (KnobGeometry::valueFromPoint).
    float follow(float pointed);

private:
    float minimum_;
    float maximum_;
    float middle_;
    float old_;
};

class LinearKnobDrag {
public:
    // Pixels a full-range drag takes without fine tuning.
    static constexpr float kPixelsForFullRange = 200.0f;

    LinearKnobDrag(float minimum, float maximum, float entryValue, Point first, bool fine, float zoomFactor,
                   std::int32_t zoomPercent = 100);
    // The value for the pointer at point, before clamping. fine may differ from
    // the previous call; the switch takes effect from here on without a jump.
    float follow(Point point, bool fine);

private:
    float stepFor(bool fine) const;

    float minimum_;
    float maximum_;
    float entryValue_;
    Point first_;
    bool fine_;
    float zoomFactor_;
    float fullRangePixels_;
    float step_;
};

}  // namespace qp
