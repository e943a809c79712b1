// OffscreenContext on X11. For now it has no surface (a context without a
// drawing target, as DrawContextX11.cpp); the cairo image surface and the copy
// onto the destination's target come here.
#include "gui/OffscreenContext.h"

namespace qp {

OffscreenContext::OffscreenContext(Frame* frame, std::int32_t width, std::int32_t height, Color background)
    : DrawContext(frame, nullptr, nullptr),
      height_(height),
      width_(width),
      backgroundColor_(background) {
    setFillColor(background);
    setLineColor(background);
}

OffscreenContext::~OffscreenContext() = default;

void OffscreenContext::copyTo(DrawContext*, Rect, Point) {}

}  // namespace qp
