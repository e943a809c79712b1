// A two-state button: each left click flips the value between 0 and 1 and tells
// the listener. The background holds the "off" picture in its upper half and the
// "on" picture in its lower half.
#pragma once

#include "gui/Control.h"

namespace qp {

class OnOffButton : public Control {
public:
    OnOffButton(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background);
    ~OnOffButton() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
};

}  // namespace qp
