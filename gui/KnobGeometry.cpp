#include "gui/KnobGeometry.h"

#include <cmath>

namespace qp {

namespace {

constexpr float kTwoPi = 2.0f * kKnobPi;

// Float to pixel by truncation toward zero; a non-finite or huge input (a knob
// with an empty range) lands on 0 instead of being undefined.
std::int32_t truncated(float x) {
    if (!(std::fabs(x) < 2.0e9f)) {
        return 0;
    }
    return std::int32_t(x);
}

// Once into 0..2pi: the angle arithmetic below never strays further than one turn.
float wrappedOnce(float a) {
    if (a < 0.0f) {
        return a + kTwoPi;
    }
    if (a > kTwoPi) {
        return a - kTwoPi;
    }
    return a;
}

}  // namespace

float KnobGeometry::halfAngle() const { return (kTwoPi - std::fabs(rangeAngle)) * 0.5f; }

float KnobGeometry::slope() const { return rangeAngle == 0.0f ? 0.0f : (maximum - minimum) / rangeAngle; }

float KnobGeometry::intercept() const { return minimum - slope() * startAngle; }

Point KnobGeometry::valueToPoint(float value) const {
    const float s = slope();
    // An empty value range (or a zero range angle) has one angle for every value.
    const float angle = s == 0.0f ? startAngle : (value - intercept()) / s;
    const float reach = radius - float(inset);
    return Point(truncated(radius + std::cos(angle) * reach + 0.5f),
                 truncated(radius - std::sin(angle) * reach + 0.5f));
}

float KnobGeometry::valueFromPoint(Point local) const {
    // Screen v grows downwards, so the vertical term is turned round.
    float a = std::atan2(radius - float(local.v), float(local.h) - radius);
    if (a < 0.0f) {
        a += kTwoPi;
    }
    a -= startAngle;

    const float half = halfAngle();
    const float s = slope();
    if (rangeAngle < 0.0f) {
        // Measured from the maximum's end, so the valid arc is 0..-range.
        a -= rangeAngle;
        const float w = wrappedOnce(a);
        if (w > half - rangeAngle) {
            return maximum;
        }
        if (w > -rangeAngle) {
            return minimum;
        }
        if (a > half - rangeAngle) {
            a -= kTwoPi;
        } else if (a < -half) {
            a += kTwoPi;
        }
        return s * a + maximum;
    }
    const float w = wrappedOnce(a);
    if (w > rangeAngle + half) {
        return minimum;
    }
    if (w > rangeAngle) {
        return maximum;
    }
    if (a > rangeAngle + half) {
        a -= kTwoPi;
    } else if (a < -half) {
        a += kTwoPi;
    }
    return s * a + minimum;
}

}  // namespace qp
