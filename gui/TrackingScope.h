// What keeps a control safe while it hands control to code that may close the
// editor under it. A drag loop runs the owner's wait every step (which gives the
// host idle time), a popup menu's loop dispatches the host's messages, and a
// listener reaches the host through the effect; a host may close the editor in
// any of them. Closing deletes the frame, and the frame releases its views, so
// the control still running and the frame it would call next are both freed.
//
// A scope holds a reference to its view for the scope's whole length, so the view
// outlives the frame's release, and is a call-out on the frame's lifeline
// (gui/Lifeline.h), which the frame ends when it is destroyed. From then on
// frame() is none: the loop ends without calling the frame, the owner or the
// listener again.
//
// The edit bracket: beginEdit opens it through the frame and the scope's end
// closes it through the frame while the frame lives. A frame that went away
// takes the open bracket with it: whoever closed the editor ends it for the host
// (GuiEditorBase::close), and nothing is sent from here to an owner or listener
// that may be gone.
//
// Scopes nest (a learn overlay's own scope around its menu's), strictly in call
// order, on the window's thread. The view must stay alive when the scope ends
// only for what the caller does after it: the release at its end may be the last.
#pragma once

#include <cstdint>

#include "gui/Lifeline.h"

namespace qp {

class Frame;
class View;

class TrackingScope {
public:
    explicit TrackingScope(View& view);
    // Ends an open bracket while the frame lives, then lets go of the view.
    ~TrackingScope();
    TrackingScope(const TrackingScope&) = delete;
    TrackingScope& operator=(const TrackingScope&) = delete;

    // The view's frame at the start while it lives; none once it went away, or
    // when the view had none.
    Frame* frame() const { return callOut_.isLost() ? nullptr : frame_; }
    // Whether the frame the view had at the start went away since.
    bool frameLost() const { return callOut_.isLost(); }
    // The frame's beginEdit(tag); the scope's end sends the endEdit(tag).
    void beginEdit(std::int32_t tag);
    // One step of the frame's idle processing (the editor's wait). False once
    // the frame went away, in that step or before: the loop must end.
    bool idle();

private:
    View& view_;
    Frame* frame_;
    CallOut callOut_;
    bool editOpen_ = false;
    std::int32_t editTag_ = 0;
};

}  // namespace qp
