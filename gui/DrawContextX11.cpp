// DrawContext on X11. For now it has no drawing target (as a Windows context
// made without a device context): drawing through it changes nothing and the
// mouse state is only what a press reported. The cairo drawing with the GDI
// rules of DrawContext.h, and the pointer state read from the display, come here.
#include "gui/DrawContext.h"

namespace qp {

struct DrawContext::Platform {};

void DrawContext::PlatformDelete::operator()(Platform* platform) const { delete platform; }

DrawContext::DrawContext(Frame* frame, NativeDC deviceContext, NativeWindow window)
    : deviceContext_(deviceContext),
      window_(window),
      frame_(frame),
      platform_(new Platform) {}

DrawContext::~DrawContext() = default;

void DrawContext::moveTo(Point) {}

void DrawContext::lineTo(Point) {}

void DrawContext::fillRect(const Rect&) {}

void DrawContext::drawText(const char*, const Rect&, std::int16_t, TextAlign) {}

void DrawContext::setLineColor(Color color) { lineColor_ = color; }

void DrawContext::setLineStyle(LineStyle style) { lineStyle_ = style; }

void DrawContext::setFillColor(Color color) { fillColor_ = color; }

void DrawContext::setFontColor(Color color) { fontColor_ = color; }

void DrawContext::selectFont(FontId id, std::int32_t size, std::int32_t) {
    fontId_ = validFontId(id);
    fontSize_ = size == 0 ? fontTableEntry(fontId_).size : size;
}

std::int32_t DrawContext::pollMouseButtons() const { return reportedButtons_; }

void DrawContext::pollMouseLocation(Point& where) const {
    reportedButtons_ = 0;
    where = Point(-screenOffset_.h, -screenOffset_.v);
}

}  // namespace qp
