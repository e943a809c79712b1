// The editing steps that knobs and sliders share: telling the listener, the
// mouse wheel and the arrow keys. Every change ends the same way: the listener
// hears about it only when the control is dirty, so a step that clamps to the
// value already shown stays silent.
#pragma once

#include <cstdint>

#include "gui/Control.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/KeyCode.h"
#include "gui/TrackingScope.h"

namespace qp {

// Shift divides a wheel or key step by this much.
inline constexpr float kFineStepDivisor = 10.0f;

// -1 for left and down, +1 for up and right, 0 for any other key.
std::int32_t arrowKeyDirection(const KeyCode& key);

// valueChanged when the control is dirty and has a listener; context may be none.
void notifyIfDirty(Control& control, DrawContext* context);

// The wheel's rule: value += distance x wheel increment (a tenth with shift
// held), clamped to the control's range. False, and nothing changes, while the
// control's mouse input is disabled. Tells nobody.
bool stepByWheel(Control& control, DrawContext* context, float distance);

// stepByWheel, then the listener when the control is dirty.
bool wheelStep(Control& control, DrawContext* context, float distance);

// One wheel increment per arrow key (a tenth with shift), clamped; the listener
// is told without a drawing context. 1 when handled, -1 for any other key.
std::int32_t arrowKeyStep(Control& control, const KeyCode& key);

// One mouse drag from where, bracketed by the frame's beginEdit(tag) ...
// endEdit(tag) with the control as the frame's edit view: follow(point, buttons)
// on every poll of the buttons, until the left one is up or the frame went away
// (the host closed the editor in a step's idle or in the listener). The control
// lives through the whole drag, but the release at its end may be the last: the
// caller touches nothing of the control after this returns.
template <class Follow>
void trackDrag(Control& control, DrawContext* context, Point where, Follow&& follow) {
    TrackingScope tracking(control);
    tracking.beginEdit(control.getTag());
    if (Frame* frame = tracking.frame()) {
        frame->setEditView(&control);
    }
    Point point = where;
    std::int32_t buttons;
    do {
        buttons = context->pollMouseButtons();
        follow(point, buttons);
        context->pollMouseLocation(point);
    } while (tracking.idle() && (buttons & kButtonLeft));
}

}  // namespace qp
