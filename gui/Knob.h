// A rotary control drawn as a line (or a handle bitmap) over a background.
//
// A drag follows the pointer's angle (circular) or its distance from the click
// (linear); the toolkit-wide knob mode read through the frame picks which, and
// alt picks the other one. Shift makes a linear drag finer. Left + control
// (exactly) restores the default value. Each drag is bracketed by the frame's
// beginEdit(tag) ... endEdit(tag), with the listener told about every value in
// between; the knob is the frame's edit view meanwhile, so arrow keys reach it.
//
// Ownership: the background and the handle bitmap are retained while held.
#pragma once

#include <cstdint>

#include "gui/Color.h"
#include "gui/Control.h"
#include "gui/KnobGeometry.h"

namespace qp {

class Knob : public Control {
public:
    Knob(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background, Bitmap* handle,
         Point offset = Point());
    ~Knob() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    std::int32_t keyDown(KeyCode& key) override;
    bool wheel(DrawContext* context, Point where, float distance) override;

    virtual void drawHandle(DrawContext* context);
    // Both angles in radians; a negative range turns clockwise. Mark the knob dirty.
    virtual void setStartAngle(float angle);
    virtual float getStartAngle() const;
    virtual void setRangeAngle(float angle);
    virtual float getRangeAngle() const;
    // Control-local pixels.
    virtual void valueToPoint(Point& point) const;
    virtual float valueFromPoint(Point& point) const;
    virtual void setInset(std::int32_t inset);
    virtual void setShadowColor(Color color);
    virtual void setHandleColor(Color color);
    // Retains the new bitmap, releases the old one and recomputes the inset.
    virtual void setHandleBitmap(Bitmap* handle);
    // How much finer a linear drag gets with shift.
    virtual void setZoomFactor(float factor);
    virtual float getZoomFactor() const;

    std::int32_t getInset() const { return geometry_.inset; }
    Color getHandleColor() const { return handleColor_; }
    Color getShadowColor() const { return shadowColor_; }
    Bitmap* getHandleBitmap() const { return handleBitmap_; }
    // The geometry for the current angles, range and size.
    KnobGeometry geometry() const;

protected:
    Point offset_;
    Color handleColor_ = colorWhite;
    Color shadowColor_ = colorGrey;
    Bitmap* handleBitmap_ = nullptr;
    // Angles, radius and inset; its value range is the control's, filled in by
    // geometry().
    KnobGeometry geometry_;
    float zoomFactor_ = 1.5f;
};

}  // namespace qp
