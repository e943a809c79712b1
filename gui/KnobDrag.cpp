#include "gui/KnobDrag.h"

namespace qp {

CircularKnobDrag::CircularKnobDrag(float minimum, float maximum, float valueAtClick)
    : minimum_(minimum),
      maximum_(maximum),
      middle_((maximum - minimum) * 0.5f),
      old_(valueAtClick) {}

float CircularKnobDrag::follow(float pointed) {
    // More than half the range in one step can only be the pointer crossing the
    // gap: stay at the end it came from. old_ is kept, so the value comes back to
    // life only once the pointer returns to within half a range of it.
    if (old_ - pointed > middle_) {
        return maximum_;
    }
    if (pointed - old_ > middle_) {
        return minimum_;
    }
    old_ = pointed;
    return pointed;
}

LinearKnobDrag::LinearKnobDrag(float minimum, float maximum, float entryValue, Point first, bool fine,
                               float zoomFactor, std::int32_t zoomPercent)
    : minimum_(minimum),
      maximum_(maximum),
      entryValue_(entryValue),
      first_(first),
      fine_(fine),
      zoomFactor_(zoomFactor),
      // A zoom outside the steps' range (none set, or garbage) drags as at 100 %.
      fullRangePixels_(zoomPercent > 0 && zoomPercent <= 1000
                           ? kPixelsForFullRange * float(zoomPercent) / 100.0f
                           : kPixelsForFullRange),
      step_(stepFor(fine)) {}

float LinearKnobDrag::stepFor(bool fine) const {
    const float pixels = fine ? zoomFactor_ * fullRangePixels_ : fullRangePixels_;
    return (maximum_ - minimum_) / pixels;
}

float LinearKnobDrag::follow(Point point, bool fine) {
    // Up and right both count as more.
    const float diff = float((first_.v - point.v) + (point.h - first_.h));
    if (fine != fine_) {
        // The distance travelled so far keeps the old step: fold the difference
        // into the entry value so that the value stays put at the switch.
        const float step = stepFor(fine);
        entryValue_ += diff * (step_ - step);
        step_ = step;
        fine_ = fine;
    }
    return entryValue_ + diff * step_;
}

}  // namespace qp
