// A view with a value in a range, a tag naming the parameter (or command) it
// stands for, a listener told about changes, and a background bitmap.
//
// Dirty rule: a control needs drawing when its value differs from the value last
// drawn (oldValue), or when it was marked dirty. setValue alone therefore makes a
// control dirty, and the frame's idle picks it up; every concrete draw ends with
// setDirty(false), which records the drawn value.
//
// Mouse handlers of concrete controls share one shape: nothing while mouse input
// is disabled; buttons from context->pollMouseButtons(); a drag is bracketed by
// the frame's beginEdit(tag) ... endEdit(tag), the control makes itself the edit
// view, and the loop calls pollMouseButtons, pollMouseLocation and the idle step
// on every step until the left button is up; after a change, the listener's
// valueChanged when isDirty(). Whatever hands control away (an idle step, a
// popup, a listener that reaches the host) runs inside a TrackingScope, which
// keeps the control alive and ends the loop when the host closed the editor.
#pragma once

#include <cstdint>

#include "gui/DoubleClick.h"
#include "gui/View.h"

namespace qp {

class Bitmap;
class ControlListener;

class Control : public View {
public:
    // The background is retained when given.
    Control(const Rect& size, ControlListener* listener = nullptr, std::int32_t tag = 0,
            Bitmap* background = nullptr);
    // Releases the background.
    ~Control() override;

    void draw(DrawContext* context) override = 0;
    bool isDirty() const override;
    void setDirty(bool dirty = true) override;

    // Runs the frame's idle processing (the editor's wait); once per tracking step.
    virtual void doIdle();
    // Stored unchanged: no clamping here.
    virtual void setValue(float value);
    virtual float getValue() const;
    virtual void setMin(float value);
    virtual float getMin() const;
    virtual void setMax(float value);
    virtual float getMax() const;
    virtual void setOldValue(float value);
    virtual float getOldValue() const;
    virtual void setDefaultValue(float value);
    virtual float getDefaultValue() const;
    virtual void setTag(std::int32_t tag);
    // Releases the bitmap held before and retains the new one.
    virtual void setBackground(Bitmap* background);
    virtual Bitmap* getBackground() const;
    virtual void setBackgroundOffset(Point offset);
    // The part of a frame-sized background that lies under this view.
    virtual void copyBackgroundOffset();
    virtual void setWheelIncrement(float increment);
    virtual float getWheelIncrement() const;
    virtual void clampValue();

    std::int32_t getTag() const { return tag_; }
    ControlListener* getListener() const { return listener_; }
    Point getBackgroundOffset() const { return backgroundOffset_; }
    // Whether this press completes a double click (see DoubleClick.h); the clock
    // is the frame's tick count.
    bool isDoubleClick();
    std::int32_t getDoubleClickInterval() const { return doubleClick_.interval(); }

protected:
    // Draws the part of the background bitmap at source over the control, keyed
    // by the bitmap's transparent colour when the control is transparent;
    // nothing without a background.
    void drawBackgroundFrame(DrawContext* context, Point source);
    // The buttons of a press that mouseDown acts on; 0 without a context, with
    // mouse input disabled, or when the left button is not among them.
    std::int32_t leftPressButtons(DrawContext* context) const;

    ControlListener* listener_;
    std::int32_t tag_;
    float oldValue_ = 1.0f;
    float defaultValue_ = 0.5f;
    float value_ = 0.0f;
    float vmin_ = 0.0f;
    float vmax_ = 1.0f;
    float wheelIncrement_ = 0.1f;
    DoubleClick doubleClick_;
    Bitmap* background_ = nullptr;
    Point backgroundOffset_;
};

}  // namespace qp
