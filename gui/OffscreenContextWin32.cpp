#include "gui/OffscreenContext.h"

#include "gui/Frame.h"
#include "gui/NativeObjectsWin32.h"

namespace qp {

OffscreenContext::OffscreenContext(Frame* frame, std::int32_t width, std::int32_t height, Color background)
    : DrawContext(frame, nullptr, nullptr),
      height_(height),
      width_(width),
      backgroundColor_(background) {
    // The frame's window gives the screen's colour format; without one, the
    // screen's device context (GetDC of no window) gives the same format.
    HWND window = frame ? win32::hwnd(frame->getWindow()) : nullptr;
    HDC windowDC = native::getDC(window);
    HDC memory = native::createCompatibleDC(windowDC);
    surface_ = native::createCompatibleBitmap(windowDC, width, height);
    previousBitmap_ = SelectObject(memory, win32::hbitmap(surface_));
    native::releaseDC(window, windowDC);
    setDeviceContext(memory);
    clearToBackground();
}

OffscreenContext::~OffscreenContext() {
    HDC memory = win32::hdc(getDeviceContext());
    // Put the original 1x1 bitmap back first: a bitmap still selected into a DC
    // cannot be deleted, and DeleteDC does not deselect on every platform.
    if (memory && previousBitmap_) {
        SelectObject(memory, previousBitmap_);
    }
    native::deleteDC(memory);
    setDeviceContext(nullptr);
    if (ownsSurface_) {
        native::deleteObject(win32::hbitmap(surface_));
    }
}

void OffscreenContext::copyTo(DrawContext* dest, Rect destRect, Point source) {
    if (!dest) {
        return;
    }
    const Point offset = dest->getOffset();
    BitBlt(win32::hdc(dest->getDeviceContext()), destRect.left + offset.h, destRect.top + offset.v,
           destRect.width(), destRect.height(), win32::hdc(getDeviceContext()), source.h, source.v, SRCCOPY);
}

}  // namespace qp
