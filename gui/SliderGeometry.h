// Where a slider's handle sits for a value, and which value a pointer position
// asks for, as plain values that a test can check without a window.
//
// Positions are pixels along the slider's axis. The handle's leading edge runs
// from handle offset to handle offset + range; it is never drawn before the lower
// limit (handle offset + minimum position) nor with its trailing edge past the
// upper limit. Whether value 0 is at the start (left, top) or at the end of the
// axis follows the style; the mouse always agrees with the drawing.
#pragma once

#include <cstdint>

#include "gui/Point.h"
#include "gui/Rect.h"

namespace qp {

enum SliderStyle : std::int32_t {
    kSliderHorizontal = 1,
    kSliderVertical = 2,
    // Where value 0 sits: the left or top edge keep the value as the position,
    // every other choice (right, bottom, or none given) turns it round.
    kSliderLeft = 8,
    kSliderRight = 16,
    kSliderTop = 32,
    kSliderBottom = 64,
};

struct SliderGeometry {
    std::int32_t style = kSliderVertical | kSliderBottom;
    // Travel of the handle's leading edge in pixels (maximum - minimum position).
    std::int32_t range = 0;
    // Minimum position relative to the control's leading edge.
    std::int32_t minimumPosition = 0;
    Point handleOffset;
    std::int32_t handleWidth = 1;
    std::int32_t handleHeight = 1;

    bool horizontal() const { return (style & kSliderHorizontal) != 0; }
    // True when value 0 sits at the end of the axis (right or bottom).
    bool inverted() const { return (style & (kSliderLeft | kSliderTop)) == 0; }
    // The fraction of the range at which the handle is drawn for a value.
    float position(float value) const { return inverted() ? 1.0f - value : value; }
    std::int32_t lowerLimit() const;
    std::int32_t upperLimit() const;
    // The handle in control-local pixels.
    Rect handleRect(float value) const;
    // The handle's leading edge, unlimited, in control-local pixels along the axis.
    std::int32_t handleStart(float value) const;
    // The value for a pointer at coordinate along the axis, where delta is the
    // coordinate that means value 0 before the style's turn. Unclamped.
    float valueAt(std::int32_t coordinate, std::int32_t delta) const;
};

// A slider drag: the value follows the pointer; with fine tuning a pixel moves
// the value zoomFactor times less. Switching fine tuning on or off never moves
// the value: from then on the drag is relative to where the switch happened.
class SliderDrag {
public:
    SliderDrag(const SliderGeometry& geometry, std::int32_t delta, float zoomFactor);
    // current: the control's value now. Unclamped.
    float follow(std::int32_t coordinate, bool fine, float current);

private:
    SliderGeometry geometry_;
    std::int32_t delta_;
    float zoomFactor_;
    bool fine_ = false;
    bool relative_ = false;
    std::int32_t anchorCoordinate_ = 0;
    float anchorValue_ = 0.0f;
};

}  // namespace qp
