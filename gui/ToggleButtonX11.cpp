// A toggle button's press on X11 follows the frame's events (DragX11.h), so the
// host's loop runs while it is held: the press is the first state, each motion
// one more, and a change of the buttons (the release) the last.
#include "gui/DragX11.h"
#include "gui/ToggleButton.h"

namespace qp {

void ToggleButton::mouseDown(DrawContext* context, Point where) {
    const std::int32_t clickButtons = leftPressButtons(context);
    if (clickButtons == 0) {
        return;
    }

    class PressFollower final : public DragFollower {
    public:
        PressFollower(ToggleButton& button, std::int32_t clickButtons)
            : button_(button),
              clickButtons_(clickButtons),
              entryValue_(button.value_),
              flipped_(button.value_ == 0.0f ? 1.0f : 0.0f),
              told_(button.value_) {}
        void follow(DrawContext* context, Point point, std::int32_t buttons) override {
            button_.followPress(context, point, entryValue_, flipped_, told_);
            if (!goesOn(buttons)) {
                button_.lastShownValue_ = button_.value_;
            }
        }
        bool goesOn(std::int32_t buttons) const override { return buttons == clickButtons_; }

    private:
        // The drag's tracking scope holds the button for as long as this lives.
        ToggleButton& button_;
        std::int32_t clickButtons_;
        float entryValue_;
        float flipped_;
        float told_;
    };
    x11::startDrag(
        std::make_unique<x11::EventDrag>(*this, std::make_unique<PressFollower>(*this, clickButtons), false),
        context, where);
}

}  // namespace qp
