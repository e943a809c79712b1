// One event's drawing surface over a native device context (GDI). The frame
// makes one per paint, click and idle redraw, hands it to the views and deletes
// it at once; no device context outlives the message that obtained it.
//
// Ownership: the context never releases or deletes the device context it was
// given (whoever obtained it does, after deleting the context). It owns the pen,
// brush and font it creates: each setter selects a fresh object and deletes the
// previous one, so at most one of each kind exists per context, and destruction
// selects the originally selected objects back before deleting its own.
//
// The context is also where a dragging view asks for the live mouse state:
// pollMouseButtons and pollMouseLocation read the asynchronous key state and the
// cursor position, because drags are tracked by polling, not by messages.
//
// The drawing itself is the back end's: DrawContextWin32.cpp draws with GDI,
// DrawContextX11.cpp with cairo (same pixels: lineTo leaves out the end pixel,
// fillRect fills the inside). Its objects live in the opaque Platform.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/Color.h"
#include "gui/FontTable.h"
#include "gui/NativeHandles.h"
#include "gui/Point.h"
#include "gui/Rect.h"

namespace qp {

class Frame;

enum LineStyle : std::int32_t {
    kLineSolid = 0,
    kLineDotted = 1
};

enum TextAlign : std::int32_t {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2
};

// Bits of pollMouseButtons. Bits 1 and 4 are always the logical primary and
// secondary buttons, whatever the system's button swap says.
enum MouseButtons : std::int32_t {
    kButtonLeft = 1,
    kButtonMiddle = 2,
    kButtonRight = 4,
    kModShift = 8,
    kModControl = 16,
    kModAlt = 32,
};

// The exact button set with which knobs and sliders ask for their default value.
constexpr std::int32_t kButtonsForDefaultValue = kButtonLeft | kModControl;

// Set by the frame from the system's swap-buttons setting when it registers its
// window class; false before any frame exists.
void setSwappedButtons(bool swapped);
bool swappedButtons();

class DrawContext {
public:
    // Any of the three may be none. With a device context, its current brush,
    // pen and font are saved and the default colours applied; with a window, the
    // screen offset is the window's top-left corner now.
    DrawContext(Frame* frame, NativeDC deviceContext, NativeWindow window);
    virtual ~DrawContext();

    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // Every point and rectangle below is first moved by offset().
    void moveTo(Point p);
    // The end pixel is not drawn; the current position moves to p. On a frame at
    // a zoom step the line is zoomed(1) pixels wide: that many parallel lines of
    // the one-pixel rule, side by side across the line's shorter axis.
    void lineTo(Point p);
    // Every pixel of the closed rectangle's border, in the line colour.
    void drawRectOutline(const Rect& r);
    // Exactly the inside of what drawRectOutline draws for r: one pixel is left
    // on every side, so fill then outline never paints a pixel twice.
    void fillRect(const Rect& r);
    // One line, vertically centred. Left alignment starts one pixel in from the
    // left edge; opaque (non-zero) fills the text cell with the fill colour.
    void drawText(const char* text, const Rect& r, std::int16_t opaque = 0, TextAlign align = kAlignCenter);
    // How many pixels wide drawText draws the text in the selected font; 0 without
    // a device context (nothing would be drawn).
    std::int32_t textWidth(const char* text) const;

    void setLineColor(Color color);
    void setLineStyle(LineStyle style);
    void setFillColor(Color color);
    void setFontColor(Color color);
    // Ids outside 0..7 select the system font; size 0 takes the table's size.
    void selectFont(FontId id, std::int32_t size = 0, std::int32_t style = 0);

    // The buttons (MouseButtons bits) the window message of a press reported. The
    // asynchronous state lags that message (under Wine by some 15 ms, longer than
    // a quick tap), so until the first pollMouseLocation, that is until a control
    // starts tracking the pointer, every poll counts them as held.
    void reportPress(std::int32_t buttons) { reportedButtons_ = buttons; }

    // MouseButtons bits of this moment, with a reported press merged in.
    std::int32_t pollMouseButtons() const;
    // The cursor relative to the window's top-left corner as it was when this
    // context was made; screen coordinates for a context without a window.
    // From here on polls report the live state alone.
    void pollMouseLocation(Point& where) const;

    Point getOffset() const { return offset_; }
    void setOffset(Point offset) { offset_ = offset; }
    Point getScreenOffset() const { return screenOffset_; }

    Color getLineColor() const { return lineColor_; }
    Color getFillColor() const { return fillColor_; }
    Color getFontColor() const { return fontColor_; }
    LineStyle getLineStyle() const { return lineStyle_; }
    std::int32_t getLineWidth() const { return lineWidth_; }
    // The pixels across a line, and the size a font of size points is drawn at:
    // the frame's zoom step applied (gui/Zoom.h); as given without a frame.
    std::int32_t zoomedLineWidth() const;
    std::int32_t zoomedFontSize(std::int32_t size) const;
    FontId getFontId() const { return fontId_; }
    std::int32_t getFontSize() const { return fontSize_; }

    NativeDC getDeviceContext() const { return deviceContext_; }
    NativeWindow getWindow() const { return window_; }
    Frame* getFrame() const { return frame_; }

protected:
    // For the off-screen context, which makes its memory device context after the
    // base part exists. Nothing is saved: the memory device context is deleted
    // (taking its selections with it) before the base destructor runs.
    void setDeviceContext(NativeDC deviceContext) { deviceContext_ = deviceContext; }

private:
    Point screenOffset_;
    Point offset_;
    NativeDC deviceContext_ = nullptr;
    NativeWindow window_ = nullptr;
    Frame* frame_ = nullptr;
    std::int32_t fontSize_ = 0;
    FontId fontId_ = kFontSystem;
    Color fontColor_ = colorWhite;
    std::int32_t lineWidth_ = 1;
    Color lineColor_ = colorWhite;
    Color fillColor_ = colorBlack;
    LineStyle lineStyle_ = kLineSolid;
    mutable std::int32_t reportedButtons_ = 0;

    // The back end's drawing objects (GDI: the pen, brush and font this context
    // made and those it found selected), defined in each back end's file.
    struct Platform;
    struct PlatformDelete {
        void operator()(Platform* platform) const;
    };
    std::unique_ptr<Platform, PlatformDelete> platform_;
};

}  // namespace qp
