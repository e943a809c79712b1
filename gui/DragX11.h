// A drag on X11, driven by events: the press starts it and returns, each motion
// is one step, the left button's release is the last. The frame that got the
// press owns it in between (FramePlatformX11.h), so the host's own event loop
// runs throughout; a frame destroyed first destroys the drag, whose tracking
// scope has then lost its frame and ends without calling anybody. For X11 files
// only.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/ControlEditing.h"
#include "gui/TrackingScope.h"

namespace qp::x11 {

class EventDrag {
public:
    // Opens the edit bracket and, for a drag (not a button's press), makes the
    // control the edit view.
    EventDrag(Control& control, std::unique_ptr<DragFollower> follower, bool becomesEditView = true);

    // One pointer state. False once the drag is over: the follower's rule says
    // this state was its last, or the frame went away.
    bool step(DrawContext* context, Point where, std::int32_t buttons);

    Frame* frame() const { return tracking_.frame(); }

private:
    TrackingScope tracking_;
    std::unique_ptr<DragFollower> follower_;
};

// Hands the drag to the frame until its end (FrameX11.cpp).
void holdDrag(Frame& frame, std::unique_ptr<EventDrag> drag);

// Takes the press as the drag's first state and, when the drag goes on, hands it
// to the control's frame.
void startDrag(std::unique_ptr<EventDrag> drag, DrawContext* context, Point where);

}  // namespace qp::x11
