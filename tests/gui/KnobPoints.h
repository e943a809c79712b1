// Points on a knob by angle, as the knob's geometry and drag tests place them.
#pragma once

#include <cmath>
#include <cstdint>

#include "gui/KnobGeometry.h"
#include "gui/Point.h"

namespace qp::test {

constexpr float degrees = kKnobPi / 180.0f;

// A control-local point at an angle (degrees, counter-clockwise from the right)
// and a distance from the centre of a knob of the given radius.
inline Point around(float radius, float angleDegrees, float distance) {
    return Point(std::int32_t(std::lround(radius + std::cos(angleDegrees * degrees) * distance)),
                 std::int32_t(std::lround(radius - std::sin(angleDegrees * degrees) * distance)));
}

}  // namespace qp::test
