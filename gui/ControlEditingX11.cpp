// Drags on X11 follow the frame's events instead of polling: the press takes the
// first state and hands the drag to the frame, which feeds it each motion and
// the release (FrameX11.cpp). The rules a state is followed by are the same
// objects on both platforms.
#include "gui/DragX11.h"

namespace qp {

namespace x11 {

EventDrag::EventDrag(Control& control, std::unique_ptr<DragFollower> follower, bool becomesEditView)
    : tracking_(control),
      follower_(std::move(follower)) {
    tracking_.beginEdit(control.getTag());
    if (Frame* frame = tracking_.frame(); frame && becomesEditView) {
        frame->setEditView(&control);
    }
}

bool EventDrag::step(DrawContext* context, Point where, std::int32_t buttons) {
    // The edit view handed over at the start may have closed the editor.
    if (!tracking_.frame()) {
        return false;
    }
    follower_->follow(context, where, buttons);
    return tracking_.frame() && follower_->goesOn(buttons);
}

void startDrag(std::unique_ptr<EventDrag> drag, DrawContext* context, Point where) {
    // The press itself is the first state, as the first poll is on Windows.
    const bool goesOn = drag->step(context, where, context->pollMouseButtons());
    // Only a frame delivers further states: without one the press is the drag.
    Frame* frame = drag->frame();
    if (goesOn && frame) {
        holdDrag(*frame, std::move(drag));
    }
}

}  // namespace x11

void runDrag(Control& control, DrawContext* context, Point where, std::unique_ptr<DragFollower> follower) {
    x11::startDrag(std::make_unique<x11::EventDrag>(control, std::move(follower)), context, where);
}

}  // namespace qp
