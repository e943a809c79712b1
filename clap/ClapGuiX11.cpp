// clap.gui's X11 side: the host's parent is an XID, and the editor's frame has a
// display connection of its own, whose descriptor the host watches for us.
#include <X11/Xlib.h>

#include "clap/ClapGui.h"
#include "editor/BuzzEditor.h"
#include "gui/Frame.h"
#include "gui/NativeHandlesX11.h"
#include "gui/X11Events.h"

namespace qp::clap {

const char* ClapGui::api() { return CLAP_WINDOW_API_X11; }

void* ClapGui::parentOf(const clap_window& window) { return x11::nativeWindow(::Window(window.x11)); }

int ClapGui::eventDescriptor() const {
    const Frame* frame = editor_->getFrame();
    Display* display = frame != nullptr ? x11::display(*frame) : nullptr;
    return display != nullptr ? ConnectionNumber(display) : -1;
}

// Xlib has no timers: the host's is the only one.
bool ClapGui::canTimeItself() { return false; }

bool ClapGui::startOwnTimer(std::uint32_t) { return false; }

void ClapGui::stopOwnTimer() {}

bool ClapGui::eventsQueued() const {
    const Frame* frame = editor_->getFrame();
    Display* display = frame != nullptr ? x11::display(*frame) : nullptr;
    return display != nullptr && XQLength(display) > 0;
}

bool ClapGui::showWindow(bool shown) {
    const Frame* frame = editor_->getFrame();
    Display* display = frame != nullptr ? x11::display(*frame) : nullptr;
    const unsigned long window = frame != nullptr ? x11::window(*frame) : 0;
    if (display == nullptr || window == 0) {
        return false;
    }
    if (shown) {
        XMapWindow(display, window);
    } else {
        XUnmapWindow(display, window);
    }
    XFlush(display);
    return true;
}

}  // namespace qp::clap
