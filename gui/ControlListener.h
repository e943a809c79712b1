// Told about every value change of a control that leaves it dirty (and by a few
// controls unconditionally on a click). The editor is the listener of its
// controls; context may be none (changes from keys).
#pragma once

namespace qp {

class Control;
class DrawContext;

class ControlListener {
public:
    virtual void valueChanged(DrawContext* context, Control* control) = 0;

protected:
    ~ControlListener() = default;
};

}  // namespace qp
