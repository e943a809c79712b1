// What the X11 back end offers code that opens windows of its own over a frame
// (the option menu's popups): the frame's display connection and window, and a
// way to receive the events of another window on that connection. The frame's
// event pump (run from Frame::idle, the host's idle) drains every pending event
// of its display and dispatches them by window: its own window to itself, any
// window registered here to its sink. For X11 files only.
#pragma once

#include <X11/Xlib.h>

namespace qp {

class Frame;

namespace x11 {

class EventSink {
public:
    virtual void handleEvent(const XEvent& event) = 0;

protected:
    ~EventSink() = default;
};

// The frame's own connection, none without a window.
Display* display(const Frame& frame);
// The frame's X window id (0 without a window).
unsigned long window(const Frame& frame);
// Events of window go to sink from the next one on, until removeSink. A sink may
// remove itself (or add others) from inside handleEvent.
void addSink(Frame& frame, unsigned long window, EventSink* sink);
void removeSink(Frame& frame, unsigned long window);
// While held, the input events of the frame's own window (a grab on it reports
// them there) and its DestroyNotify go to sink first; the frame no longer sees
// the input. Releasing takes effect only for the sink that holds it.
void holdInput(Frame& frame, EventSink* sink);
void releaseInput(Frame& frame, EventSink* sink);

}  // namespace x11
}  // namespace qp
