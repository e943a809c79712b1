#include "gui/ControlEditing.h"

#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"

namespace qp {

std::int32_t arrowKeyDirection(const KeyCode& key) {
    switch (key.virt) {
        case kArrowLeft:
        case kArrowDown:
            return -1;
        case kArrowUp:
        case kArrowRight:
            return 1;
        default:
            return 0;
    }
}

void notifyIfDirty(Control& control, DrawContext* context) {
    if (control.isDirty() && control.getListener()) {
        control.getListener()->valueChanged(context, &control);
    }
}

bool stepByWheel(Control& control, DrawContext* context, float distance) {
    if (!control.isMouseEnabled()) {
        return false;
    }
    float step = distance * control.getWheelIncrement();
    if (context && (context->pollMouseButtons() & kModShift)) {
        step /= kFineStepDivisor;
    }
    control.setValue(control.getValue() + step);
    control.clampValue();
    return true;
}

bool wheelStep(Control& control, DrawContext* context, float distance) {
    if (!stepByWheel(control, context, distance)) {
        return false;
    }
    notifyIfDirty(control, context);
    return true;
}

std::int32_t arrowKeyStep(Control& control, const KeyCode& key) {
    const std::int32_t direction = arrowKeyDirection(key);
    if (direction == 0) {
        return -1;
    }
    float step = float(direction) * control.getWheelIncrement();
    if (key.modifier & kKeyModifierShift) {
        step /= kFineStepDivisor;
    }
    control.setValue(control.getValue() + step);
    control.clampValue();
    notifyIfDirty(control, nullptr);
    return 1;
}

}  // namespace qp
