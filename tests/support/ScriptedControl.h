// The control of the call-out tables (tests/editor, tests/lv2).
#pragma once

#include <cstdint>

#include "gui/Control.h"
#include "gui/ControlEditing.h"
#include "gui/TrackingScope.h"

namespace qp::test {

// A control that calls out the way the real ones do, without a window: its press
// is a drag's loop as the back ends run it (the bracket first, then host idle
// and a value each step until the frame goes away), its wheel and its loss of
// focus (as a text edit's) tell the listener a new value.
class ScriptedControl : public Control {
public:
    ScriptedControl(ControlListener* listener, std::int32_t tag)
        : Control(Rect(10, 10, 106, 106), listener, tag) {}
    void draw(DrawContext*) override { setDirty(false); }
    void mouseDown(DrawContext* context, Point) override {
        TrackingScope scope(*this);
        scope.beginEdit(getTag());
        for (int step = 1; step <= 3 && scope.idle(); ++step) {
            setValue(0.25f * float(step));
            notifyIfDirty(*this, context);
            if (scope.frameLost()) {
                return;
            }
        }
    }
    bool wheel(DrawContext* context, Point, float distance) override {
        return wheelStep(*this, context, distance);
    }
    // As a text edit: the edited value reaches the listener as focus goes.
    void loseFocus(DrawContext* context) override {
        setValue(0.75f);
        notifyIfDirty(*this, context);
    }
};

}  // namespace qp::test
