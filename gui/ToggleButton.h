// A two-state button that follows the mouse while the button is held: the value
// shows flipped while the pointer is over the control and unflipped off it, so
// the change is committed only by releasing over the control. The drag is
// bracketed by the frame's beginEdit(tag) ... endEdit(tag); the listener hears
// each change once. The background holds the two pictures one under the other,
// pictureHeight pixels each.
#pragma once

#include <cstdint>

#include "gui/Control.h"

namespace qp {

class ToggleButton : public Control {
public:
    ToggleButton(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t pictureHeight,
                 Bitmap* background, Point offset = Point());
    ~ToggleButton() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;

    std::int32_t getPictureHeight() const { return pictureHeight_; }
    float getLastShownValue() const { return lastShownValue_; }

protected:
    // One pointer state of a press (the tracking itself is the back end's:
    // polled on Windows, event-driven on X11): flipped while the pointer is over
    // the button, the entry value elsewhere. The listener hears each change
    // once: the dirty state alone would repeat a change on every step until the
    // next redraw, and would miss one on a button never drawn yet. told is the
    // value it heard last.
    void followPress(DrawContext* context, Point point, float entryValue, float flipped, float& told);

    Point offset_;
    std::int32_t pictureHeight_;
    float lastShownValue_;
};

}  // namespace qp
