// The editing steps that knobs and sliders share: telling the listener, the
// mouse wheel and the arrow keys. Every change ends the same way: the listener
// hears about it only when the control is dirty, so a step that clamps to the
// value already shown stays silent.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "gui/Control.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/KeyCode.h"
#include "gui/TrackingScope.h"

namespace qp {

// Shift divides a wheel or key step by this much.
inline constexpr float kFineStepDivisor = 10.0f;

// -1 for left and down, +1 for up and right, 0 for any other key.
std::int32_t arrowKeyDirection(const KeyCode& key);

// valueChanged when the control is dirty and has a listener; context may be none.
void notifyIfDirty(Control& control, DrawContext* context);

// The wheel's rule: value += distance x wheel increment (a tenth with shift
// held), clamped to the control's range. False, and nothing changes, while the
// control's mouse input is disabled. Tells nobody.
bool stepByWheel(Control& control, DrawContext* context, float distance);

// stepByWheel, then the listener when the control is dirty.
bool wheelStep(Control& control, DrawContext* context, float distance);

// One wheel increment per arrow key (a tenth with shift), clamped; the listener
// is told without a drawing context. 1 when handled, -1 for any other key.
std::int32_t arrowKeyStep(Control& control, const KeyCode& key);

// What a drag does with each pointer state: follow(context, point, buttons).
// It owns everything the drag needs between two states (the knob's and slider's
// drag rules, the last point seen), because on X11 it outlives the press.
class DragFollower {
public:
    virtual ~DragFollower() = default;
    virtual void follow(DrawContext* context, Point point, std::int32_t buttons) = 0;
    // Whether a state with these buttons is followed by more: a drag goes on
    // while the left button is held.
    virtual bool goesOn(std::int32_t buttons) const { return (buttons & kButtonLeft) != 0; }
};

template <class Follow>
class DragFollowerOf final : public DragFollower {
public:
    explicit DragFollowerOf(Follow&& follow)
        : follow_(std::move(follow)) {}
    void follow(DrawContext* context, Point point, std::int32_t buttons) override {
        follow_(context, point, buttons);
    }

private:
    Follow follow_;
};

// One mouse drag from where, bracketed by the frame's beginEdit(tag) ...
// endEdit(tag) with the control as the frame's edit view: follow(context, point,
// buttons) for every pointer state until the left button is up or the frame
// went away (the host closed the editor in a step's idle or in the listener).
//
// On Windows the drag is polled here, inside the press: the states are polls of
// the buttons and the pointer, with the owner's wait between them. On X11 the
// press returns at once and the drag goes on in the frame's event pump: the
// first state is the press itself, then each motion and the release; the
// frame owns the drag until the release and ends it if it is destroyed first.
// Either way the control lives through the whole drag, but the release at its
// end may be the last: the caller touches nothing of the control after this
// returns, and follow captures by value, never the press's locals by reference.
void runDrag(Control& control, DrawContext* context, Point where, std::unique_ptr<DragFollower> follower);

template <class Follow>
void trackDrag(Control& control, DrawContext* context, Point where, Follow follow) {
    runDrag(control, context, where, std::make_unique<DragFollowerOf<Follow>>(std::move(follow)));
}

}  // namespace qp
