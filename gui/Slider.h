// A handle bitmap moving over a background, composed in an off-screen surface
// and copied to the screen in one step. Use VerticalSlider or HorizontalSlider.
//
// The mouse: with free click (the default) a press anywhere puts the handle's
// middle under the pointer; without it only a press on the handle starts a
// drag, which then keeps the handle where it was grabbed. Shift makes the drag
// finer (zoom factor, default 10) without a jump. Left + control (exactly)
// restores the default value. Wheel and arrow keys step by the wheel increment.
// Each drag is bracketed by the frame's beginEdit(tag) ... endEdit(tag).
//
// Ownership: handle and background bitmaps are retained while held; the
// off-screen surface exists only between attached and removed.
#pragma once

#include <cstdint>

#include "gui/Control.h"
#include "gui/SliderGeometry.h"

namespace qp {

class OffscreenContext;

class Slider : public Control {
public:
    // minimumPosition and maximumPosition: absolute pixel coordinates of the
    // handle's leading edge along the axis (x for horizontal, y for vertical).
    Slider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t minimumPosition,
           std::int32_t maximumPosition, Bitmap* handle, Bitmap* background, Point offset,
           std::int32_t style);
    ~Slider() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    std::int32_t keyDown(KeyCode& key) override;
    bool wheel(DrawContext* context, Point where, float distance) override;
    bool attached(View* parent) override;
    bool removed(View* parent) override;

    virtual void setDrawTransparentHandle(bool transparent);
    virtual void setFreeClick(bool freeClick);
    virtual bool getFreeClick() const;
    virtual void setHandleOffset(Point offset);
    // Retains the new bitmap, releases the old one; the handle takes its size.
    virtual void setHandleBitmap(Bitmap* handle);
    virtual Bitmap* getHandleBitmap() const;
    virtual void setZoomFactor(float factor);
    virtual float getZoomFactor() const;

    std::int32_t getStyle() const { return geometry_.style; }
    const SliderGeometry& geometry() const { return geometry_; }
    bool hasOffscreen() const { return offscreen_ != nullptr; }

protected:
    // The handle's leading edge in frame coordinates along the axis, unlimited.
    std::int32_t handlePosition() const;

    Point offset_;
    Bitmap* handleBitmap_ = nullptr;
    OffscreenContext* offscreen_ = nullptr;
    SliderGeometry geometry_;
    std::int32_t controlWidth_;
    std::int32_t controlHeight_;
    float zoomFactor_ = 10.0f;
    bool drawTransparentHandle_ = true;
    bool freeClick_ = true;
};

// A Slider whose axis is fixed by its type; defaultStyle says which end value 0 is at.
template <std::int32_t axis, std::int32_t defaultStyle>
class AxisSlider : public Slider {
public:
    AxisSlider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t minimumPosition,
               std::int32_t maximumPosition, Bitmap* handle, Bitmap* background, Point offset = Point(),
               std::int32_t style = defaultStyle)
        : Slider(size, listener, tag, minimumPosition, maximumPosition, handle, background, offset,
                 style | axis) {}
};

}  // namespace qp
