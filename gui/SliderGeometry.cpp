#include "gui/SliderGeometry.h"

#include <cmath>

namespace qp {

namespace {

std::int32_t truncated(float x) {
    if (!(std::fabs(x) < 2.0e9f)) {
        return 0;
    }
    return std::int32_t(x);
}

}  // namespace

std::int32_t SliderGeometry::lowerLimit() const {
    return (horizontal() ? handleOffset.h : handleOffset.v) + minimumPosition;
}

std::int32_t SliderGeometry::upperLimit() const {
    return lowerLimit() + range + (horizontal() ? handleWidth : handleHeight);
}

std::int32_t SliderGeometry::handleStart(float value) const {
    return (horizontal() ? handleOffset.h : handleOffset.v) + truncated(position(value) * float(range));
}

Rect SliderGeometry::handleRect(float value) const {
    std::int32_t start = handleStart(value);
    if (start < lowerLimit()) {
        start = lowerLimit();
    }
    const std::int32_t length = horizontal() ? handleWidth : handleHeight;
    std::int32_t end = start + length;
    if (end > upperLimit()) {
        end = upperLimit();
    }
    if (horizontal()) {
        return Rect(start, handleOffset.v, end, handleOffset.v + handleHeight);
    }
    return Rect(handleOffset.h, start, handleOffset.h + handleWidth, end);
}

float SliderGeometry::valueAt(std::int32_t coordinate, std::int32_t delta) const {
    if (range == 0) {
        return inverted() ? 1.0f : 0.0f;
    }
    const float fraction = float(coordinate - delta) / float(range);
    return inverted() ? 1.0f - fraction : fraction;
}

SliderDrag::SliderDrag(const SliderGeometry& geometry, std::int32_t delta, float zoomFactor)
    : geometry_(geometry),
      delta_(delta),
      zoomFactor_(zoomFactor) {}

float SliderDrag::follow(std::int32_t coordinate, bool fine, float current) {
    if (fine != fine_) {
        // Shift went down or up: carry on from here, so the value does not jump
        // to where the pointer would put it at the other sensitivity.
        fine_ = fine;
        relative_ = true;
        anchorCoordinate_ = coordinate;
        anchorValue_ = current;
    }
    if (!relative_) {
        return geometry_.valueAt(coordinate, delta_);
    }
    if (geometry_.range == 0) {
        return anchorValue_;
    }
    float change = float(coordinate - anchorCoordinate_) / float(geometry_.range);
    if (geometry_.inverted()) {
        change = -change;
    }
    if (fine_ && zoomFactor_ != 0.0f) {
        change /= zoomFactor_;
    }
    return anchorValue_ + change;
}

}  // namespace qp
