// Drags on Windows are polled inside the press: the press handler keeps the
// pointer until the left button is up, giving the host idle time every step
// through the owner's wait.
#include "gui/ControlEditing.h"

namespace qp {

void runDrag(Control& control, DrawContext* context, Point where, std::unique_ptr<DragFollower> follower) {
    TrackingScope tracking(control);
    tracking.beginEdit(control.getTag());
    if (Frame* frame = tracking.frame(); frame && !frame->setEditView(&control)) {
        return;
    }
    Point point = where;
    std::int32_t buttons;
    do {
        buttons = context->pollMouseButtons();
        follower->follow(context, point, buttons);
        context->pollMouseLocation(point);
    } while (tracking.idle() && (buttons & kButtonLeft));
}

}  // namespace qp
