// Frame's window side on X11. For now the frame makes no window: it behaves as a
// frame without a parent on Windows (holds views, never paints, idle does
// nothing, no drops). The X11 child window, its own display connection and the
// event pump that dispatches Expose, button, motion, key and wheel events come
// here, with the event-driven drag tracking.
#include "gui/Frame.h"

namespace qp {

struct Frame::Platform {};

void Frame::PlatformDelete::operator()(Platform* platform) const { delete platform; }

void Frame::openWindow() { platform_.reset(new Platform); }

void Frame::closeWindow() {}

NativeDC Frame::acquireDrawTarget() const { return nullptr; }

void Frame::releaseDrawTarget(NativeWindow, NativeDC) {}

void Frame::invalidateWindow() {}

bool Frame::getMouseLocation(Point& where) const {
    where = Point(0, 0);
    return true;
}

void Frame::setCursor(std::int32_t) {}

// File drops do not exist on X11.
bool Frame::enableDrop(bool enable) { return !enable; }

}  // namespace qp
