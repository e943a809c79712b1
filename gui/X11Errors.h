// X errors of the toolkit's own display connections. Xlib has one error handler
// for the whole process, shared with the host, and its default one ends the
// process; a request of ours that meets a window the host has just destroyed (or
// a ui:parent the server never knew) must cost the host nothing.
//
// Xlib reads a connection's input, and so calls the handler for that
// connection's errors, only inside a call on that connection; every call on our
// connections happens inside an entry from the host. An ErrorScope held for
// each such entry therefore sees every error of ours: while one is held, errors
// of the displays adopted here are swallowed and recorded, and every other
// display's go on to the handler that was installed before. Scopes nest; the
// outermost one puts the previous handler back on its way out, unless a handler
// installed meanwhile (a host callback made from inside) has replaced ours, which
// then stays. No handler of ours is left installed while the host runs.
// For X11 files and the X11 front ends only.
#pragma once

#include <X11/Xlib.h>

namespace qp::x11 {

class ErrorScope {
public:
    ErrorScope();
    ~ErrorScope();
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;

private:
    XErrorHandler previous_ = nullptr;
    XErrorHandler outerForward_ = nullptr;
    bool installed_ = false;
};

// A connection of ours from its opening until after XCloseDisplay (which reads
// the last errors).
void adoptDisplay(Display* display);
void forgetDisplay(Display* display);
// Whether a request of ours met window as a window or drawable that no longer
// exists (BadWindow, BadDrawable) since the last ask; asking clears it.
bool takeWindowLost(Display* display, unsigned long window);

}  // namespace qp::x11
