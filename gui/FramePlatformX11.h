// The X11 state of a frame: its display connection and window, the pointer and
// modifier state of the last event (which is what pollMouseButtons and
// pollMouseLocation report on X11: there is no asynchronous state to poll
// without a round trip), the sinks of other windows, and the drag in progress.
// For X11 files only.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "gui/DragX11.h"
#include "gui/Frame.h"
#include "gui/Rect.h"
#include "gui/X11Events.h"

namespace qp {

struct Frame::Platform {
    Display* display = nullptr;
    ::Window window = 0;
    Visual* visual = nullptr;
    // The frame's size, which its window is made and resized to.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // The window's size as the server last told it: a host (an LV2 host's
    // toolkit) may hold it larger than the frame, as after the editor shrank.
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
    // The cursor set by setCursor, 0 while the window shows its parent's.
    Cursor cursor = 0;
    std::map<unsigned long, x11::EventSink*> sinks;
    // While a popup holds the frame's input (X11Events.h): its grabs' events.
    x11::EventSink* input = nullptr;
    // MouseButtons bits after the last event, and where it put the pointer.
    std::int32_t buttons = 0;
    Point pointer;  // window coordinates
    Point root;     // root window coordinates
    // Held from a press until the left button's release; see ControlEditing.h.
    std::unique_ptr<x11::EventDrag> drag;
    // The exposed area not yet painted (empty when right <= left).
    Rect pendingExpose;

    // Dispatches every pending event of the display (Frame::idle runs it).
    void pump(Frame& frame);
    void handle(Frame& frame, XEvent& event);
    // The window is gone (destroyed with the host's).
    void lost(Frame& frame);
    // A DrawContext over the window for one call that may destroy the frame;
    // false when it did.
    bool withContext(Frame& frame, const std::function<void(DrawContext&)>& use);
    // One state of the drag in progress.
    void dragStep(Frame& frame);
    // Paints the part of an exposed area that lies outside the frame.
    void paintBeyondFrame(cairo_t* cr, const Rect& area) const;

    // Runs what may destroy the frame (a listener or a sink reaching the host,
    // which closes the editor) as a call-out on the frame's lifeline. True when
    // the frame lives on; false when it was destroyed, and then this state is
    // gone too and must not be touched.
    template <class Call>
    static bool guarded(Frame& frame, Call&& call) {
        const CallOut out(frame.lifeline_);
        call();
        return !out.isLost();
    }
};

}  // namespace qp
