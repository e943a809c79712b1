// Real input for tests of the X11 back end's own windows (popups, the edit
// field): a second connection plays pointer moves, clicks and keys through
// XTest, as a user would.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <chrono>
#include <cstdlib>
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
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime), XSync(display_, False);
    }
    void button(unsigned int button, bool down) {
        XTestFakeButtonEvent(display_, button, down ? True : False, CurrentTime), XSync(display_, False);
    }
    void click(int x, int y, unsigned int which = Button1) {
        moveTo(x, y), button(which, true), button(which, false);
    }
    // A key by its symbol, or (for a lower-case letter or digit) the character typed.
    void key(KeySym sym) {
        const ::KeyCode code = XKeysymToKeycode(display_, sym);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XSync(display_, False);
    }

private:
    Display* display_;
};

// The override-redirect windows shown on the screen, bottom first: a popup's
// levels, root first.
inline std::vector<XWindowAttributes> popupWindows(Display* display) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    std::vector<XWindowAttributes> shown;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.override_redirect &&
            attributes.map_state == IsViewable) {
            shown.push_back(attributes);
        }
    }
    if (children) {
        XFree(children);
    }
    return shown;
}

inline int popupWindowsShown(Display* display) { return int(popupWindows(display).size()); }

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
