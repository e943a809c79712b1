#include "gui/DrawContext.h"

#include <cstring>

#include "gui/NativeObjects.h"

namespace qp {

namespace {

bool buttonsSwapped = false;

constexpr int kNativeSolid = PS_SOLID;  // 0
constexpr int kNativeDotted = PS_DOT;   // 2

// DrawText formats: single line, vertically centred, no '&' prefix processing.
constexpr UINT kTextFormatBase = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

bool keyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

void setSwappedButtons(bool swapped) { buttonsSwapped = swapped; }
bool swappedButtons() { return buttonsSwapped; }

DrawContext::DrawContext(Frame* frame, NativeDC deviceContext, NativeWindow window)
    : deviceContext_(deviceContext),
      window_(window),
      frame_(frame) {
    if (deviceContext_) {
        savedBrush_ = GetCurrentObject(deviceContext_, OBJ_BRUSH);
        savedPen_ = GetCurrentObject(deviceContext_, OBJ_PEN);
        savedFont_ = GetCurrentObject(deviceContext_, OBJ_FONT);
        SetBkMode(deviceContext_, TRANSPARENT);
    }
    if (window_) {
        RECT r;
        if (GetWindowRect(window_, &r)) {
            screenOffset_ = Point(r.left, r.top);
        }
    }
    if (deviceContext_) {
        setLineColor(lineColor_);
        setLineStyle(lineStyle_);
        setFillColor(fillColor_);
        setFontColor(fontColor_);
    }
}

DrawContext::~DrawContext() {
    if (deviceContext_) {
        if (savedBrush_) {
            SelectObject(deviceContext_, savedBrush_);
        }
        if (savedPen_) {
            SelectObject(deviceContext_, savedPen_);
        }
        if (savedFont_) {
            SelectObject(deviceContext_, savedFont_);
        }
    }
    native::deleteObject(brush_);
    native::deleteObject(pen_);
    native::deleteObject(font_);
}

void DrawContext::moveTo(Point p) { MoveToEx(deviceContext_, p.h + offset_.h, p.v + offset_.v, nullptr); }

void DrawContext::lineTo(Point p) { LineTo(deviceContext_, p.h + offset_.h, p.v + offset_.v); }

void DrawContext::drawRectOutline(const Rect& r) {
    // LineTo leaves out each segment's end pixel, but the next segment starts
    // there, and the last one ends where the first began: all corners get drawn.
    moveTo(Point(r.left, r.top));
    lineTo(Point(r.right, r.top));
    lineTo(Point(r.right, r.bottom));
    lineTo(Point(r.left, r.bottom));
    lineTo(Point(r.left, r.top));
}

void DrawContext::fillRect(const Rect& r) {
    RECT native = {r.left + 1 + offset_.h, r.top + 1 + offset_.v, r.right + offset_.h, r.bottom + offset_.v};
    HGDIOBJ previousPen = SelectObject(deviceContext_, GetStockObject(NULL_PEN));
    FillRect(deviceContext_, &native, brush_);
    SelectObject(deviceContext_, previousPen);
}

void DrawContext::drawText(const char* text, const Rect& r, std::int16_t opaque, TextAlign align) {
    if (!text) {
        return;
    }
    RECT native = {r.left + offset_.h, r.top + offset_.v, r.right + offset_.h, r.bottom + offset_.v};
    SetBkMode(deviceContext_, opaque ? OPAQUE : TRANSPARENT);
    UINT format = kTextFormatBase;
    if (align == kAlignCenter) {
        format |= DT_CENTER;
    } else if (align == kAlignRight) {
        format |= DT_RIGHT;
    } else {
        format |= DT_LEFT;
        native.left += 1;
    }
    DrawTextA(deviceContext_, text, int(std::strlen(text)), &native, format);
    SetBkMode(deviceContext_, TRANSPARENT);
}

void DrawContext::makePen() {
    HPEN pen = native::createPen(nativePenStyle_, lineWidth_, lineColor_.toNative());
    SelectObject(deviceContext_, pen);
    native::deleteObject(pen_);
    pen_ = pen;
}

void DrawContext::setLineColor(Color color) {
    lineColor_ = color;
    makePen();
}

void DrawContext::setLineStyle(LineStyle style) {
    lineStyle_ = style;
    nativePenStyle_ = style == kLineDotted ? kNativeDotted : kNativeSolid;
    makePen();
}

void DrawContext::setFillColor(Color color) {
    fillColor_ = color;
    SetBkColor(deviceContext_, color.toNative());
    HBRUSH brush = native::createSolidBrush(color.toNative());
    if (!brush) {
        return;
    }
    SelectObject(deviceContext_, brush);
    native::deleteObject(brush_);
    brush_ = brush;
}

void DrawContext::setFontColor(Color color) {
    fontColor_ = color;
    SetTextColor(deviceContext_, color.toNative());
}

void DrawContext::selectFont(FontId id, std::int32_t size, std::int32_t style) {
    fontId_ = validFontId(id);
    const FontTableEntry& entry = fontTableEntry(fontId_);
    fontSize_ = size == 0 ? entry.size : size;

    LOGFONTA font = native::plainFontDescription(fontSize_);
    font.lfWeight = (style & kFontStyleBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style & kFontStyleItalic) ? TRUE : FALSE;
    font.lfUnderline = (style & kFontStyleUnderline) ? TRUE : FALSE;
    if (fontId_ == kFontSymbol) {
        font.lfPitchAndFamily = DEFAULT_PITCH | FF_DECORATIVE;
    }
    if (fontId_ == kFontSystem) {
        font.lfWeight = FW_BOLD;
    }
    std::strncpy(font.lfFaceName, entry.face, LF_FACESIZE - 1);

    HFONT created = native::createFontIndirect(&font);
    SelectObject(deviceContext_, created);
    native::deleteObject(font_);
    font_ = created;
}

std::int32_t DrawContext::pollMouseButtons() const {
    // The asynchronous state reports the physical buttons; with the system's swap
    // on, the physical right button is the logical primary one.
    std::int32_t buttons = 0;
    if (keyDown(VK_LBUTTON)) {
        buttons |= buttonsSwapped ? kButtonRight : kButtonLeft;
    }
    if (keyDown(VK_MBUTTON)) {
        buttons |= kButtonMiddle;
    }
    if (keyDown(VK_RBUTTON)) {
        buttons |= buttonsSwapped ? kButtonLeft : kButtonRight;
    }
    if (keyDown(VK_SHIFT)) {
        buttons |= kModShift;
    }
    if (keyDown(VK_CONTROL)) {
        buttons |= kModControl;
    }
    if (keyDown(VK_MENU)) {
        buttons |= kModAlt;
    }
    return buttons | reportedButtons_;
}

void DrawContext::pollMouseLocation(Point& where) const {
    reportedButtons_ = 0;
    POINT p = {0, 0};
    GetCursorPos(&p);
    where = Point(p.x - screenOffset_.h, p.y - screenOffset_.v);
}

}  // namespace qp
