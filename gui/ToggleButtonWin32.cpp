// A toggle button's press on Windows: polled inside the press until the buttons
// change, the owner's wait giving the host idle time every step.
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/ToggleButton.h"
#include "gui/TrackingScope.h"

namespace qp {

void ToggleButton::mouseDown(DrawContext* context, Point where) {
    const std::int32_t clickButtons = leftPressButtons(context);
    if (clickButtons == 0) {
        return;
    }
    const float entryValue = value_;
    const float flipped = entryValue == 0.0f ? 1.0f : 0.0f;
    // Holds this button until the end of the function, whatever the host does
    // in the listener or the idle steps.
    TrackingScope tracking(*this);

    if (context->pollMouseButtons() != 0) {
        tracking.beginEdit(tag_);
        Point point = where;
        float told = entryValue;
        do {
            followPress(context, point, entryValue, flipped, told);
            context->pollMouseLocation(point);
        } while (tracking.idle() && context->pollMouseButtons() == clickButtons);
    } else {
        // Released before the first look: a plain click.
        setValue(flipped);
        if (listener_) {
            listener_->valueChanged(context, this);
        }
    }
    lastShownValue_ = value_;
}

}  // namespace qp
