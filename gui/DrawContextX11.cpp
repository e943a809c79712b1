// DrawContext on cairo, with GDI's pixels (PainterX11.h): lines of whole pixels
// without their end pixel, fills of the inside, text with cairo's own font
// selection. The mouse state is the frame's last event (FramePlatformX11.h).
#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gui/DrawContext.h"
#include "gui/FramePlatformX11.h"
#include "gui/NativeHandlesX11.h"
#include "gui/PainterX11.h"

namespace qp {

namespace {

cairo_t* cairoOf(NativeDC dc) { return static_cast<cairo_t*>(dc); }

}  // namespace

struct DrawContext::Platform {
    // Where moveTo and lineTo left the pen, in surface coordinates.
    Point position;
    std::int32_t fontStyle = 0;
    const char* fontFace = "Arial";
    bool fontBold = true;  // the system font, until selectFont
};

void DrawContext::PlatformDelete::operator()(Platform* platform) const { delete platform; }

DrawContext::DrawContext(Frame* frame, NativeDC deviceContext, NativeWindow window)
    : deviceContext_(deviceContext),
      window_(window),
      frame_(frame),
      platform_(new Platform) {
    fontSize_ = fontTableEntry(kFontSystem).size;
    // Every state change of this context is undone at its end, as GDI's
    // selections are put back.
    if (cairo_t* cr = cairoOf(deviceContext_)) {
        cairo_save(cr);
    }
    // Where the frame's window lies on the screen, as its last pointer event put
    // it (that event's root position less its window position): asking the
    // server would cost every context a round trip, and fail on a window the
    // host has just destroyed.
    const Frame::Platform* state = frame_ ? frame_->platform() : nullptr;
    if (window_ && state && x11::windowId(window_) == state->window) {
        screenOffset_ = Point(state->root.h - state->pointer.h, state->root.v - state->pointer.v);
    }
}

DrawContext::~DrawContext() {
    if (cairo_t* cr = cairoOf(deviceContext_)) {
        cairo_restore(cr);
    }
}

void DrawContext::moveTo(Point p) { platform_->position = p.offsetBy(offset_.h, offset_.v); }

void DrawContext::lineTo(Point p) {
    const Point to = p.offsetBy(offset_.h, offset_.v);
    if (cairo_t* cr = cairoOf(deviceContext_)) {
        x11::setSourceColor(cr, lineColor_);
        const Point from = platform_->position;
        // A wide line is the one-pixel line again beside itself, as on Windows.
        const bool alongX = std::abs(to.h - from.h) >= std::abs(to.v - from.v);
        const std::int32_t width = zoomedLineWidth();
        for (std::int32_t k = 0; k < width; ++k) {
            const std::int32_t dh = alongX ? 0 : k;
            const std::int32_t dv = alongX ? k : 0;
            x11::drawLine(cr, from.offsetBy(dh, dv), to.offsetBy(dh, dv), lineStyle_ == kLineDotted);
        }
    }
    platform_->position = to;
}

void DrawContext::fillRect(const Rect& r) {
    if (cairo_t* cr = cairoOf(deviceContext_)) {
        x11::setSourceColor(cr, fillColor_);
        x11::fillPixels(cr, r.left + 1 + offset_.h, r.top + 1 + offset_.v, r.width() - 1, r.height() - 1);
    }
}

void DrawContext::drawText(const char* text, const Rect& r, std::int16_t opaque, TextAlign align) {
    cairo_t* cr = cairoOf(deviceContext_);
    if (!text || !cr) {
        return;
    }
    Rect box = r.offsetBy(offset_.h, offset_.v);
    if (align == kAlignLeft) {
        box.left += 1;
    }
    cairo_save(cr);
    // Text stays inside its rectangle, as DrawText clips to it.
    cairo_rectangle(cr, box.left, box.top, box.width(), box.height());
    cairo_clip(cr);
    cairo_select_font_face(
        cr, platform_->fontFace,
        (platform_->fontStyle & kFontStyleItalic) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        platform_->fontBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    // A GDI font of height -n is n pixels from the top of the accents to the
    // bottom of the descenders' em: cairo's size is that em too.
    cairo_set_font_size(cr, fontSize_);
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    const std::int32_t width = std::int32_t(std::lround(extents.x_advance));
    const std::int32_t height = std::int32_t(std::lround(font.ascent + font.descent));
    std::int32_t x = box.left;
    if (align == kAlignCenter) {
        x = box.left + (box.width() - width) / 2;
    } else if (align == kAlignRight) {
        x = box.right - width;
    }
    const std::int32_t top = box.top + (box.height() - height) / 2;
    const std::int32_t baseline = top + std::int32_t(std::lround(font.ascent));
    if (opaque) {
        // The text cell only, as GDI's opaque background.
        x11::setSourceColor(cr, fillColor_);
        x11::fillPixels(cr, x, top, width, height);
    }
    x11::setSourceColor(cr, fontColor_);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text);
    if (platform_->fontStyle & kFontStyleUnderline) {
        x11::fillPixels(cr, x, baseline + 1, width, 1);
    }
    cairo_restore(cr);
}

std::int32_t DrawContext::textWidth(const char* text) const {
    cairo_t* cr = cairoOf(deviceContext_);
    if (!text || !cr) {
        return 0;
    }
    // The font drawText selects, on a saved state, so nothing of this context changes.
    cairo_save(cr);
    cairo_select_font_face(
        cr, platform_->fontFace,
        (platform_->fontStyle & kFontStyleItalic) ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        platform_->fontBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, fontSize_);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_restore(cr);
    return std::int32_t(std::lround(extents.x_advance));
}

void DrawContext::setLineColor(Color color) { lineColor_ = color; }

void DrawContext::setLineStyle(LineStyle style) { lineStyle_ = style; }

void DrawContext::setFillColor(Color color) { fillColor_ = color; }

void DrawContext::setFontColor(Color color) { fontColor_ = color; }

void DrawContext::selectFont(FontId id, std::int32_t size, std::int32_t style) {
    fontId_ = validFontId(id);
    const FontTableEntry& entry = fontTableEntry(fontId_);
    fontSize_ = zoomedFontSize(size == 0 ? entry.size : size);
    platform_->fontFace = entry.face;
    platform_->fontStyle = style;
    platform_->fontBold = fontId_ == kFontSystem || (style & kFontStyleBold);
}

std::int32_t DrawContext::pollMouseButtons() const {
    const Frame::Platform* state = frame_ ? frame_->platform() : nullptr;
    return (state ? state->buttons : 0) | reportedButtons_;
}

void DrawContext::pollMouseLocation(Point& where) const {
    reportedButtons_ = 0;
    const Frame::Platform* state = frame_ ? frame_->platform() : nullptr;
    const Point root = state ? state->root : Point();
    where = Point(root.h - screenOffset_.h, root.v - screenOffset_.v);
}

}  // namespace qp
