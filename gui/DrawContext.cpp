// DrawContext's part that is the same on every platform; the drawing itself is
// in DrawContextWin32.cpp and DrawContextX11.cpp.
#include "gui/DrawContext.h"

#include "gui/Frame.h"
#include "gui/Zoom.h"

namespace qp {

namespace {

bool buttonsSwapped = false;

}  // namespace

void setSwappedButtons(bool swapped) { buttonsSwapped = swapped; }
bool swappedButtons() { return buttonsSwapped; }

std::int32_t DrawContext::zoomedLineWidth() const {
    return zoomed(lineWidth_, frame_ ? frame_->getZoom() : kUnzoomed);
}

std::int32_t DrawContext::zoomedFontSize(std::int32_t size) const {
    return zoomed(size, frame_ ? frame_->getZoom() : kUnzoomed);
}

void DrawContext::drawRectOutline(const Rect& r) {
    // LineTo leaves out each segment's end pixel, but the next segment starts
    // there, and the last one ends where the first began: all corners get drawn.
    moveTo(Point(r.left, r.top));
    lineTo(Point(r.right, r.top));
    lineTo(Point(r.right, r.bottom));
    lineTo(Point(r.left, r.bottom));
    lineTo(Point(r.left, r.top));
}

}  // namespace qp
