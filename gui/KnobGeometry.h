// The knob's angle arithmetic as plain values, so a test can check the mapping
// between values and points without a window.
//
// Angles are radians, counter-clockwise from the positive horizontal axis, with
// the control's vertical axis pointing down (screen coordinates). The value range
// is laid out from the start angle over the range angle; a negative range angle
// makes the value grow clockwise. What is left of the full turn is the gap, split
// into two dead zones of halfAngle() each: a point in the half next to the
// maximum's end answers the maximum, one in the other half the minimum.
#pragma once

#include <cstdint>

#include "gui/Point.h"

namespace qp {

inline constexpr float kKnobPi = 3.14159265358979f;
// Lower left: the minimum of a knob that turns clockwise through the top.
inline constexpr float kKnobDefaultStartAngle = 5.0f * kKnobPi / 4.0f;
// Three quarters of a turn, clockwise; the quarter left over is the gap at the bottom.
inline constexpr float kKnobDefaultRangeAngle = -3.0f * kKnobPi / 2.0f;

struct KnobGeometry {
    float startAngle = kKnobDefaultStartAngle;
    float rangeAngle = kKnobDefaultRangeAngle;
    float minimum = 0.0f;
    float maximum = 1.0f;
    // Half the control's width: the knob turns about (radius, radius).
    float radius = 0.0f;
    // Pixels between the rim and the end of the handle.
    std::int32_t inset = 0;

    float halfAngle() const;
    // Value per radian and the value at angle 0; value = slope * angle + intercept.
    float slope() const;
    float intercept() const;

    // The end of the handle for a value, in control-local pixels.
    Point valueToPoint(float value) const;
    // The value a control-local point asks for, with the gap rule applied.
    float valueFromPoint(Point local) const;
};

}  // namespace qp
