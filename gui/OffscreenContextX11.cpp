// OffscreenContext on X11: a cairo image surface in the screen's 24-bit colour
// format, drawn with the same pixel rules as a window.
#include <cairo.h>

#include "gui/OffscreenContext.h"
#include "gui/PainterX11.h"

namespace qp {

OffscreenContext::OffscreenContext(Frame* frame, std::int32_t width, std::int32_t height, Color background)
    : DrawContext(frame, nullptr, nullptr),
      height_(height),
      width_(width),
      backgroundColor_(background) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, width > 0 ? width : 0, height > 0 ? height : 0);
    surface_ = surface;
    setDeviceContext(cairo_create(surface));
    clearToBackground();
}

OffscreenContext::~OffscreenContext() {
    cairo_destroy(static_cast<cairo_t*>(getDeviceContext()));
    setDeviceContext(nullptr);
    if (ownsSurface_) {
        cairo_surface_destroy(static_cast<cairo_surface_t*>(surface_));
    }
}

void OffscreenContext::copyTo(DrawContext* dest, Rect destRect, Point source) {
    if (!dest || !dest->getDeviceContext()) {
        return;
    }
    auto* surface = static_cast<cairo_surface_t*>(surface_);
    cairo_surface_flush(surface);
    const Point offset = dest->getOffset();
    x11::copyPixels(static_cast<cairo_t*>(dest->getDeviceContext()), surface, destRect.left + offset.h,
                    destRect.top + offset.v, destRect.width(), destRect.height(), source.h, source.v);
}

}  // namespace qp
