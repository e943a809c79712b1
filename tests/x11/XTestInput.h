// Real input for tests of the X11 back end's windows: a second connection plays
// pointer moves, clicks and keys through XTest, as a user would, and the test's
// own connection is pumped until its events have settled.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace qp::test {

// XOpenDisplay, tried again for a while: a busy server's listening socket
// refuses a connection now and then (EAGAIN) on a loaded machine.
inline Display* openDisplay() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) {
            return display;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

class XInput {
public:
    XInput()
        : display_(openDisplay()) {}
    ~XInput() {
        if (display_) {
            XCloseDisplay(display_);
        }
    }
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    bool ok() const { return display_ != nullptr; }
    void moveTo(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }
    void button(unsigned int button, bool down) {
        XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime);
        XSync(display_, False);
    }
    void click(int x, int y, unsigned int which = Button1) {
        moveTo(x, y);
        button(which, true);
        button(which, false);
    }
    void key(KeySym sym) {
        const ::KeyCode code = XKeysymToKeycode(display_, sym);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
    }
    // Types plain text (letters, digits, space; upper case with Shift).
    void type(const char* text) {
        for (; *text; ++text) {
            const bool upper = *text >= 'A' && *text <= 'Z';
            const KeySym sym = *text == ' ' ? XK_space : KeySym(upper ? *text - 'A' + 'a' : *text);
            const ::KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
            if (upper) {
                XTestFakeKeyEvent(display_, shift, True, CurrentTime);
            }
            key(sym);
            if (upper) {
                XTestFakeKeyEvent(display_, shift, False, CurrentTime);
                XSync(display_, False);
            }
        }
    }

private:
    Display* display_;
};

// Hands every event of the display to handle until none came for a while.
inline void pumpUntilQuiet(Display* display, const std::function<void(const XEvent&)>& handle) {
    using namespace std::chrono;
    auto lastEvent = steady_clock::now();
    while (steady_clock::now() - lastEvent < milliseconds(60)) {
        XSync(display, False);
        bool any = false;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
            any = true;
        }
        if (any) {
            lastEvent = steady_clock::now();
        } else {
            std::this_thread::sleep_for(milliseconds(5));
        }
    }
}

// Whether the window is still one of the screen's top-level windows.
inline bool isTopLevel(Display* display, Window window) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    const bool found = std::find(children, children + count, window) != children + count;
    if (children) {
        XFree(children);
    }
    return found;
}

// With QP_X11_SHOTS naming a folder, writes the screen there as name.png, for
// a person to look at; does nothing otherwise.
inline void saveScreen(Display* display, const char* name) {
    const char* folder = std::getenv("QP_X11_SHOTS");
    if (!folder) {
        return;
    }
    XSync(display, False);
    const int screen = DefaultScreen(display);
    cairo_surface_t* surface =
        cairo_xlib_surface_create(display, RootWindow(display, screen), DefaultVisual(display, screen),
                                  DisplayWidth(display, screen), DisplayHeight(display, screen));
    cairo_surface_write_to_png(surface, (std::string(folder) + "/" + name + ".png").c_str());
    cairo_surface_destroy(surface);
}

}  // namespace qp::test
