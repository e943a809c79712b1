// DrawContext on GDI: the device context, pen, brush and font, and the live
// mouse state read from the asynchronous key state.
#include <cstdlib>
#include <cstring>

#include "gui/DrawContext.h"
#include "gui/NativeObjectsWin32.h"

namespace qp {

namespace {

constexpr int kNativeSolid = PS_SOLID;  // 0
constexpr int kNativeDotted = PS_DOT;   // 2

// DrawText formats: single line, vertically centred, no '&' prefix processing.
constexpr UINT kTextFormatBase = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

bool keyDown(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

}  // namespace

struct DrawContext::Platform {
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HFONT font = nullptr;
    HGDIOBJ savedBrush = nullptr;
    HGDIOBJ savedPen = nullptr;
    HGDIOBJ savedFont = nullptr;
    int penStyle = kNativeSolid;

    // Selects a fresh pen of the context's line colour, style and width, and
    // deletes the one it replaces.
    void makePen(HDC dc, Color color, std::int32_t width) {
        HPEN made = native::createPen(penStyle, width, color.toNative());
        SelectObject(dc, made);
        native::deleteObject(pen);
        pen = made;
    }
};

void DrawContext::PlatformDelete::operator()(Platform* platform) const { delete platform; }

DrawContext::DrawContext(Frame* frame, NativeDC deviceContext, NativeWindow window)
    : deviceContext_(deviceContext),
      window_(window),
      frame_(frame),
      platform_(new Platform) {
    HDC dc = win32::hdc(deviceContext_);
    if (dc) {
        platform_->savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
        platform_->savedPen = GetCurrentObject(dc, OBJ_PEN);
        platform_->savedFont = GetCurrentObject(dc, OBJ_FONT);
        SetBkMode(dc, TRANSPARENT);
    }
    if (window_) {
        RECT r;
        if (GetWindowRect(win32::hwnd(window_), &r)) {
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
    HDC dc = win32::hdc(deviceContext_);
    if (dc) {
        if (platform_->savedBrush) {
            SelectObject(dc, platform_->savedBrush);
        }
        if (platform_->savedPen) {
            SelectObject(dc, platform_->savedPen);
        }
        if (platform_->savedFont) {
            SelectObject(dc, platform_->savedFont);
        }
    }
    native::deleteObject(platform_->brush);
    native::deleteObject(platform_->pen);
    native::deleteObject(platform_->font);
}

void DrawContext::moveTo(Point p) {
    MoveToEx(win32::hdc(deviceContext_), p.h + offset_.h, p.v + offset_.v, nullptr);
}

void DrawContext::lineTo(Point p) {
    HDC dc = win32::hdc(deviceContext_);
    const Point to(p.h + offset_.h, p.v + offset_.v);
    const std::int32_t width = zoomedLineWidth();
    if (width > 1) {
        // The same one-pixel line again beside itself, as the X11 side draws it.
        POINT from = {};
        GetCurrentPositionEx(dc, &from);
        const bool alongX = std::abs(to.h - from.x) >= std::abs(to.v - from.y);
        for (std::int32_t k = 1; k < width; ++k) {
            MoveToEx(dc, from.x + (alongX ? 0 : k), from.y + (alongX ? k : 0), nullptr);
            LineTo(dc, to.h + (alongX ? 0 : k), to.v + (alongX ? k : 0));
        }
        MoveToEx(dc, from.x, from.y, nullptr);
    }
    LineTo(dc, to.h, to.v);
}

void DrawContext::fillRect(const Rect& r) {
    RECT native = {r.left + 1 + offset_.h, r.top + 1 + offset_.v, r.right + offset_.h, r.bottom + offset_.v};
    HDC dc = win32::hdc(deviceContext_);
    HGDIOBJ previousPen = SelectObject(dc, GetStockObject(NULL_PEN));
    FillRect(dc, &native, platform_->brush);
    SelectObject(dc, previousPen);
}

void DrawContext::drawText(const char* text, const Rect& r, std::int16_t opaque, TextAlign align) {
    if (!text) {
        return;
    }
    RECT native = {r.left + offset_.h, r.top + offset_.v, r.right + offset_.h, r.bottom + offset_.v};
    HDC dc = win32::hdc(deviceContext_);
    SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
    UINT format = kTextFormatBase;
    if (align == kAlignCenter) {
        format |= DT_CENTER;
    } else if (align == kAlignRight) {
        format |= DT_RIGHT;
    } else {
        format |= DT_LEFT;
        native.left += 1;
    }
    DrawTextA(dc, text, int(std::strlen(text)), &native, format);
    SetBkMode(dc, TRANSPARENT);
}

std::int32_t DrawContext::textWidth(const char* text) const {
    HDC dc = win32::hdc(deviceContext_);
    SIZE extent{};
    if (!text || !dc || !GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &extent)) {
        return 0;
    }
    return std::int32_t(extent.cx);
}

void DrawContext::setLineColor(Color color) {
    lineColor_ = color;
    platform_->makePen(win32::hdc(deviceContext_), lineColor_, lineWidth_);
}

void DrawContext::setLineStyle(LineStyle style) {
    lineStyle_ = style;
    platform_->penStyle = style == kLineDotted ? kNativeDotted : kNativeSolid;
    platform_->makePen(win32::hdc(deviceContext_), lineColor_, lineWidth_);
}

void DrawContext::setFillColor(Color color) {
    fillColor_ = color;
    HDC dc = win32::hdc(deviceContext_);
    SetBkColor(dc, color.toNative());
    HBRUSH brush = native::createSolidBrush(color.toNative());
    if (!brush) {
        return;
    }
    SelectObject(dc, brush);
    native::deleteObject(platform_->brush);
    platform_->brush = brush;
}

void DrawContext::setFontColor(Color color) {
    fontColor_ = color;
    SetTextColor(win32::hdc(deviceContext_), color.toNative());
}

void DrawContext::selectFont(FontId id, std::int32_t size, std::int32_t style) {
    fontId_ = validFontId(id);
    const FontTableEntry& entry = fontTableEntry(fontId_);
    fontSize_ = zoomedFontSize(size == 0 ? entry.size : size);

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
    SelectObject(win32::hdc(deviceContext_), created);
    native::deleteObject(platform_->font);
    platform_->font = created;
}

std::int32_t DrawContext::pollMouseButtons() const {
    // The asynchronous state reports the physical buttons; with the system's swap
    // on, the physical right button is the logical primary one.
    std::int32_t buttons = 0;
    if (keyDown(VK_LBUTTON)) {
        buttons |= swappedButtons() ? kButtonRight : kButtonLeft;
    }
    if (keyDown(VK_MBUTTON)) {
        buttons |= kButtonMiddle;
    }
    if (keyDown(VK_RBUTTON)) {
        buttons |= swappedButtons() ? kButtonLeft : kButtonRight;
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
