// Frame's window side on X11: a child of the host's window on a display
// connection of the frame's own, so the frame's requests and events never mix
// with the host's toolkit. Its events are pumped from Frame::idle (the host's
// idle): paints, presses, drags and the wheel become the same calls the Windows
// window procedure and host make. Keys stay the host's (kFrameEvents).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <cairo-xlib.h>

#include <time.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "gui/DrawContext.h"
#include "gui/FramePlatformX11.h"
#include "gui/NativeHandlesX11.h"
#include "gui/X11Errors.h"

namespace qp {

namespace {

constexpr int kOpenAttempts = 10;
constexpr long kOpenRetryNs = 10 * 1000 * 1000;

// A busy server's listening socket turns a connection away now and then
// (EAGAIN): a few more tries, some 100 ms at most, before the editor shows nothing.
Display* openDisplay() {
    for (int attempt = 0;; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) {
            return display;
        }
        if (attempt == kOpenAttempts - 1) {
            return nullptr;
        }
        const timespec pause = {0, kOpenRetryNs};
        nanosleep(&pause, nullptr);
    }
}

// The X cursor font's shape of each cursor kind; the default kind has none, it
// gives the window back its parent's cursor.
const unsigned int kCursorShapes[] = {0,
                                      XC_watch,
                                      XC_sb_h_double_arrow,
                                      XC_sb_v_double_arrow,
                                      XC_fleur,
                                      XC_bottom_left_corner,
                                      XC_bottom_right_corner};
static_assert(std::size(kCursorShapes) == kCursorSizeNorthwestSoutheast + 1, "one entry per cursor kind");

// No keys: X hands a key to the deepest window under the pointer that selected
// it, so a frame taking them would take the host's shortcuts whenever the pointer
// is over the face. Only what needs the keyboard takes it (a popup's grab, the
// text field's focus). Leaving and focus events tell a popup that the server
// ended its grabs because the window went off the screen.
constexpr long kFrameEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                              LeaveWindowMask | FocusChangeMask | StructureNotifyMask;

// X's wheel: each notch is a press (and release) of button 4 (away from the
// user) or 5 (towards); 6 and 7 scroll sideways, which no view takes.
constexpr unsigned int kWheelUp = 4;
constexpr unsigned int kWheelDown = 5;

std::int32_t buttonBit(unsigned int button) {
    switch (button) {
        case Button1:
            return kButtonLeft;
        case Button2:
            return kButtonMiddle;
        case Button3:
            return kButtonRight;
        default:
            return 0;
    }
}

// X applies the user's button mapping before it reports a button, so button 1
// is the logical primary one already: the swap setting plays no part here.
std::int32_t buttonsOfState(unsigned int state) {
    std::int32_t buttons = 0;
    if (state & Button1Mask) {
        buttons |= kButtonLeft;
    }
    if (state & Button2Mask) {
        buttons |= kButtonMiddle;
    }
    if (state & Button3Mask) {
        buttons |= kButtonRight;
    }
    if (state & ShiftMask) {
        buttons |= kModShift;
    }
    if (state & ControlMask) {
        buttons |= kModControl;
    }
    if (state & Mod1Mask) {
        buttons |= kModAlt;
    }
    return buttons;
}

}  // namespace

void Frame::PlatformDelete::operator()(Platform* platform) const { delete platform; }

void Frame::openWindow() {
    platform_.reset(new Platform);
    if (!parentWindow_) {
        return;
    }
    Platform& p = *platform_;
    // A parent the server does not know (one the host has not flushed yet, or a
    // wrong one) fails the creation: the frame stays closed, the host lives on.
    x11::ErrorScope errors;
    p.display = openDisplay();
    if (!p.display) {
        return;
    }
    x11::adoptDisplay(p.display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = kFrameEvents;
    // No background: the server leaves the area as it is until the frame paints
    // it, instead of flashing a colour first.
    attributes.background_pixmap = None;
    p.width = p.windowWidth = size_.width();
    p.height = p.windowHeight = size_.height();
    p.window =
        XCreateWindow(p.display, x11::windowId(parentWindow_), 0, 0, unsigned(p.width), unsigned(p.height), 0,
                      CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &attributes);
    XWindowAttributes created{};
    if (!p.window || !XGetWindowAttributes(p.display, p.window, &created)) {
        XCloseDisplay(p.display);
        x11::forgetDisplay(p.display);
        p = Platform();
        return;
    }
    p.visual = created.visual;
    XMapWindow(p.display, p.window);
    XFlush(p.display);
    window_ = x11::nativeWindow(p.window);
}

void Frame::closeWindow() {
    if (!platform_) {
        return;
    }
    Platform& p = *platform_;
    // The drag goes first, while its scope has no frame any more (the
    // destructor cleared it): it ends without an endEdit.
    p.drag.reset();
    if (p.display) {
        // An LV2 host may destroy its window (and ours with it) before it closes
        // the UI: what was sent to the window since, and its destruction, may
        // fail; the notice of it is in the queue after the round trip.
        x11::ErrorScope errors;
        XSync(p.display, False);
        XEvent event;
        if (p.window && (XCheckTypedWindowEvent(p.display, p.window, DestroyNotify, &event) ||
                         x11::takeWindowLost(p.display, p.window))) {
            p.window = 0;
        }
        if (p.cursor) {
            XFreeCursor(p.display, p.cursor);
        }
        if (p.window) {
            XDestroyWindow(p.display, p.window);
        }
        XCloseDisplay(p.display);
        x11::forgetDisplay(p.display);
    }
    p = Platform();
    window_ = nullptr;
}

void Frame::resizeWindow() {
    Platform* p = platform_.get();
    if (!p) {
        return;
    }
    p->width = size_.width();
    p->height = size_.height();
    if (!p->window) {
        return;
    }
    x11::ErrorScope errors;
    XResizeWindow(p->display, p->window, unsigned(std::max(p->width, 1)), unsigned(std::max(p->height, 1)));
    XFlush(p->display);
}

NativeDC Frame::acquireDrawTarget() const {
    const Platform* p = platform_.get();
    if (!p || !p->window) {
        return nullptr;
    }
    // The whole window, also where a host holds it beyond the frame.
    cairo_surface_t* surface =
        cairo_xlib_surface_create(p->display, p->window, p->visual, std::max(p->width, p->windowWidth),
                                  std::max(p->height, p->windowHeight));
    cairo_t* cr = cairo_create(surface);
    // The context holds the surface from here on.
    cairo_surface_destroy(surface);
    return cr;
}

void Frame::releaseDrawTarget(NativeWindow, NativeDC target) {
    if (!target) {
        return;
    }
    auto* cr = static_cast<cairo_t*>(target);
    cairo_surface_t* surface = cairo_surface_reference(cairo_get_target(cr));
    cairo_destroy(cr);
    // A frame destroyed while the context lived closed its display, and cairo
    // let go of the display then (its close hook): only memory is left to free.
    if (Display* display = cairo_xlib_surface_get_display(surface)) {
        cairo_surface_flush(surface);
        XFlush(display);
    }
    cairo_surface_destroy(surface);
}

void Frame::invalidateWindow() {
    Platform* p = platform_.get();
    if (!p || !p->window) {
        return;
    }
    // Through the server, like every other expose: the next pump paints it all.
    XClearArea(p->display, p->window, 0, 0, 0, 0, True);
    XFlush(p->display);
}

bool Frame::getMouseLocation(Point& where) const {
    const Platform* p = platform_.get();
    where = (p && p->window) ? p->pointer : (p ? p->root : Point());
    return true;
}

void Frame::setCursor(std::int32_t type) {
    Platform* p = platform_.get();
    if (!p || !p->window || type < kCursorDefault || type >= std::int32_t(std::size(kCursorShapes))) {
        return;
    }
    const Cursor previous = p->cursor;
    if (type == kCursorDefault && !previous) {
        return;
    }
    p->cursor = type == kCursorDefault ? 0 : XCreateFontCursor(p->display, kCursorShapes[type]);
    // None gives the window its parent's cursor back.
    XDefineCursor(p->display, p->window, p->cursor ? p->cursor : None);
    if (previous) {
        XFreeCursor(p->display, previous);
    }
    XFlush(p->display);
}

// File drops do not exist on X11: turning them off is all that succeeds.
bool Frame::enableDrop(bool enable) { return !enable; }

bool Frame::pumpEvents() {
    Platform* p = platform_.get();
    x11::ErrorScope errors;
    return !p || Platform::guarded(*this, [&] { p->pump(*this); });
}

namespace {

// What a popup holding the frame's input takes from the frame's window: what
// its grabs report there, and the notices of their end.
bool isInput(int type) {
    switch (type) {
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify:
        case KeyPress:
        case KeyRelease:
        case EnterNotify:
        case LeaveNotify:
        case FocusIn:
        case FocusOut:
        case DestroyNotify:
            return true;
        default:
            return false;
    }
}

}  // namespace

void Frame::Platform::pump(Frame& frame) {
    bool survived = display != nullptr;
    while (survived && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window == window) {
            if (x11::EventSink* const holder = input; holder && isInput(event.type)) {
                survived = guarded(frame, [&] { holder->handleEvent(event); });
                if (event.type != DestroyNotify) {
                    continue;
                }
            }
            survived = survived && guarded(frame, [&] { handle(frame, event); });
        } else if (const auto sink = sinks.find(event.xany.window); sink != sinks.end()) {
            survived = guarded(frame, [&] { sink->second->handleEvent(event); });
        }
    }
    // Requests of ours that met the window gone tell it as well as its
    // DestroyNotify does (which may not have come yet).
    if (survived && window && x11::takeWindowLost(display, window)) {
        lost(frame);
    }
}

void Frame::Platform::lost(Frame& frame) {
    // Somebody else destroyed the window (with the host's): the frame never uses
    // it again.
    frame.open_ = false;
    frame.parentWindow_ = nullptr;
    frame.window_ = nullptr;
    window = 0;
}

bool Frame::Platform::withContext(Frame& frame, const std::function<void(DrawContext&)>& use) {
    const NativeWindow window = frame.window_;
    NativeDC target = frame.acquireDrawTarget();
    const bool survived = guarded(frame, [&] {
        DrawContext context(&frame, target, window);
        use(context);
    });
    releaseDrawTarget(window, target);
    return survived;
}

void Frame::Platform::dragStep(Frame& frame) {
    // The drag is taken out while it runs: the listener may close the editor,
    // and the frame's destruction must not free the drag under its own step.
    std::unique_ptr<x11::EventDrag> running = std::move(drag);
    bool goesOn = false;
    const Point where = pointer;
    const std::int32_t state = buttons;
    const bool frameLives =
        withContext(frame, [&](DrawContext& context) { goesOn = running->step(&context, where, state); });
    if (frameLives && goesOn) {
        drag = std::move(running);
    }
}

void Frame::Platform::handle(Frame& frame, XEvent& event) {
    switch (event.type) {
        case Expose: {
            const XExposeEvent& e = event.xexpose;
            const Rect exposed(e.x, e.y, e.x + e.width, e.y + e.height);
            if (pendingExpose.right <= pendingExpose.left) {
                pendingExpose = exposed;
            } else {
                pendingExpose =
                    Rect(std::min(pendingExpose.left, exposed.left), std::min(pendingExpose.top, exposed.top),
                         std::max(pendingExpose.right, exposed.right),
                         std::max(pendingExpose.bottom, exposed.bottom));
            }
            // The last of a series: paint their union once.
            if (e.count == 0) {
                const Rect area = pendingExpose;
                pendingExpose = Rect();
                withContext(frame, [&](DrawContext& context) {
                    // Only the exposed area changes, as a Windows paint is
                    // clipped to its update region.
                    auto* cr = static_cast<cairo_t*>(context.getDeviceContext());
                    cairo_rectangle(cr, area.left, area.top, area.width(), area.height());
                    cairo_clip(cr);
                    frame.drawArea(&context, area);
                    paintBeyondFrame(cr, area);
                });
            }
            return;
        }
        case ButtonPress:
        case ButtonRelease: {
            const XButtonEvent& e = event.xbutton;
            pointer = Point(e.x, e.y);
            root = Point(e.x_root, e.y_root);
            // The state is the one before this event.
            const std::int32_t bit = buttonBit(e.button);
            buttons = buttonsOfState(e.state);
            buttons = event.type == ButtonPress ? (buttons | bit) : (buttons & ~bit);
            if (drag) {
                // Nothing else is pressed while a drag holds the pointer, as on
                // Windows, where the drag's loop takes no messages.
                dragStep(frame);
                return;
            }
            if (event.type == ButtonRelease) {
                return;
            }
            if (e.button == kWheelUp || e.button == kWheelDown) {
                frame.wheel(nullptr, pointer, e.button == kWheelUp ? 1.0f : -1.0f);
                return;
            }
            if (!bit) {
                return;
            }
            const Point where = pointer;
            const std::int32_t pressed = buttons;
            withContext(frame, [&](DrawContext& context) {
                context.reportPress(pressed);
                frame.mouseDown(&context, where);
            });
            return;
        }
        case MotionNotify: {
            // Only the latest position matters: skip to the last of the motions
            // queued right behind this one (not past a release: the drag must
            // end where the button went up).
            XEvent next;
            while (XPending(display) > 0 && (XPeekEvent(display, &next), next.type == MotionNotify) &&
                   next.xany.window == window) {
                XNextEvent(display, &event);
            }
            const XMotionEvent& e = event.xmotion;
            pointer = Point(e.x, e.y);
            root = Point(e.x_root, e.y_root);
            buttons = buttonsOfState(e.state);
            if (drag) {
                dragStep(frame);
            }
            return;
        }
        case ConfigureNotify:
            if (event.xconfigure.window == window) {
                windowWidth = event.xconfigure.width;
                windowHeight = event.xconfigure.height;
            }
            return;
        case DestroyNotify:
            if (event.xdestroywindow.window == window) {
                lost(frame);
            }
            return;
        default:
            return;
    }
}

void Frame::Platform::paintBeyondFrame(cairo_t* cr, const Rect& area) const {
    // The window has no background (so the face never flashes a colour first);
    // what a host shows of it past the frame would keep whatever was there, an
    // old larger face among it. It is painted black, as the face's own border.
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    if (area.right > width) {
        cairo_rectangle(cr, width, area.top, area.right - width, area.height());
    }
    if (area.bottom > height) {
        const std::int32_t left = area.left;
        const std::int32_t right = std::min(area.right, width);
        if (right > left) {
            cairo_rectangle(cr, left, height, right - left, area.bottom - height);
        }
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

namespace x11 {

Display* display(const Frame& frame) { return frame.platform() ? frame.platform()->display : nullptr; }

unsigned long window(const Frame& frame) { return frame.platform() ? frame.platform()->window : 0; }

void addSink(Frame& frame, unsigned long window, EventSink* sink) {
    if (frame.platform() && sink) {
        frame.platform()->sinks[window] = sink;
    }
}

void removeSink(Frame& frame, unsigned long window) {
    if (frame.platform()) {
        frame.platform()->sinks.erase(window);
    }
}

void holdInput(Frame& frame, EventSink* sink) {
    if (frame.platform()) {
        frame.platform()->input = sink;
    }
}

void releaseInput(Frame& frame, EventSink* sink) {
    if (frame.platform() && frame.platform()->input == sink) {
        frame.platform()->input = nullptr;
    }
}

void holdDrag(Frame& frame, std::unique_ptr<EventDrag> drag) {
    if (frame.platform()) {
        frame.platform()->drag = std::move(drag);
    }
}

}  // namespace x11

}  // namespace qp
