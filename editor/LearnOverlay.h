// An invisible control laid exactly over a parameter control. A right click opens
// the MIDI-learn menu ("MidiLearn", or "MidiLearn New" and "Forget CC n" once a
// controller is learnt); a left click and the wheel go on to the control beneath,
// so its drag, edit bracket and default-value click are its own.
//
// A chosen learn entry reaches the listener as this overlay's value change: the
// target's tag to learn, the tag + kForgetCommandOffset to forget.
//
// The menu's choice reaches the overlay as the menu's listener: inside the
// right click where the popup is modal (Windows), or later, from the frame's
// event pump, where it is not (X11), so the host's loop runs while it is open.
//
// Ownership: the target is not owned (both live in the same frame or entry); the
// temporary menu exists while the right-click menu is up and belongs to the
// frame meanwhile. A popup closed without a choice leaves it in the frame,
// taking no presses, until the next right click or the frame's end.
#pragma once

#include <cstdint>

#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "host/EditorProtocol.h"

namespace qp {

class OptionMenu;

class LearnOverlay : public Control, private ControlListener {
public:
    LearnOverlay(const Rect& size, ControlListener* listener, std::int32_t tag, Control* target);
    ~LearnOverlay() override;

    // The overlay shows nothing of its own.
    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    // One wheel step is the target's own (stepByWheel: its increment and range),
    // told to this overlay's listener as the target's change, without an edit
    // bracket. Not taken while the overlay or the target takes no mouse.
    bool wheel(DrawContext* context, Point where, float distance) override;

    // 0: none learnt. Shown only in the next right-click menu.
    virtual void setLearnedController(std::int32_t controller);

    std::int32_t getLearnedController() const { return learnedController_; }
    Control* getTarget() const { return target_; }
    OptionMenu* getTemporaryMenu() const { return temporaryMenu_; }

private:
    void runLearnMenu(DrawContext* context, Point where);
    // The temporary menu's choice.
    void valueChanged(DrawContext* context, Control* control) override;
    void removeTemporaryMenu();

    OptionMenu* temporaryMenu_ = nullptr;
    // While the menu's mouseDown runs: a modal popup's choice comes from inside it.
    bool inMenu_ = false;
    Control* target_;
    std::int32_t learnedController_ = 0;
};

}  // namespace qp
