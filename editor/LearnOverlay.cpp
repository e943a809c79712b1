#include "editor/LearnOverlay.h"

#include <cstdio>
#include <new>

#include "gui/ControlEditing.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/TrackingScope.h"

namespace qp {

namespace {

// Never drawn; a choice toggles the chosen entry's check flag, which is how the
// overlay reads it afterwards. Pops up below the knob's bottom-left corner.
constexpr std::int32_t kLearnMenuStyle = kDisplayNoDrawing | kMenuCheckCurrent | kMenuMultipleCheck;
constexpr std::int32_t kLearnEntry = 0;
constexpr std::int32_t kForgetEntry = 1;

}  // namespace

LearnOverlay::LearnOverlay(const Rect& size, ControlListener* listener, std::int32_t tag, Control* target)
    : Control(size, listener, tag, nullptr),
      target_(target) {}

LearnOverlay::~LearnOverlay() = default;

void LearnOverlay::draw(DrawContext*) { setDirty(false); }

void LearnOverlay::setLearnedController(std::int32_t controller) { learnedController_ = controller; }

void LearnOverlay::mouseDown(DrawContext* context, Point where) {
    const std::int32_t buttons = context ? context->pollMouseButtons() : 0;
    if (!(buttons & kButtonRight)) {
        if (target_) {
            target_->mouseDown(context, where);
        }
        return;
    }
    runLearnMenu(context, where);
}

void LearnOverlay::runLearnMenu(DrawContext* context, Point where) {
    // A menu whose popup closed without a choice.
    removeTemporaryMenu();
    Frame* frame = getFrame();
    if (!frame) {
        return;
    }
    OptionMenu* menu = new (std::nothrow) OptionMenu(size_, this, 0, nullptr, nullptr, kLearnMenuStyle);
    if (!menu) {
        return;
    }
    if (learnedController_ != 0) {
        char forget[64];
        std::snprintf(forget, sizeof(forget), "Forget CC %d", int(learnedController_));
        menu->addEntry("MidiLearn New");
        menu->addEntry(forget);
    } else {
        menu->addEntry("MidiLearn");
    }
    if (!frame->addView(menu)) {
        menu->release();
        return;
    }
    temporaryMenu_ = menu;
    // A modal popup's loop dispatches messages, and the host may close the
    // editor in there: the frame goes, and with it the frame's references to
    // this overlay and the menu. Both stay alive until the menu is done with.
    TrackingScope overlayTracking(*this);
    TrackingScope menuTracking(*menu);
    inMenu_ = true;
    menu->mouseDown(context, where);
    inMenu_ = false;

    Frame* holder = menuTracking.frame();
    if (holder && temporaryMenu_ == menu && holder->getEditView() == menu) {
        // Its popup is open still (it does not block here): the choice comes
        // through valueChanged. Meanwhile the invisible menu takes no presses,
        // so the knob beneath keeps its own.
        menu->setMouseEnabled(false);
        return;
    }
    // The frame may have closed in the popup or in the listener; one still there
    // holds the menu.
    if (holder && temporaryMenu_ == menu) {
        holder->removeView(menu, true);
    }
    temporaryMenu_ = nullptr;
}

void LearnOverlay::valueChanged(DrawContext* context, Control* control) {
    OptionMenu* menu = temporaryMenu_;
    if (!menu || control != menu) {
        return;
    }
    // The menu has no tag to tell: a choice toggles the chosen entry's check flag.
    const bool learn = menu->isCheckedEntry(kLearnEntry);
    const bool forget = menu->isCheckedEntry(kForgetEntry);
    if (learn || forget) {
        if (target_) {
            value_ = float(target_->getTag());
        }
        if (forget) {
            value_ += float(kForgetCommandOffset);
        }
        if (listener_) {
            // The listener reaches the host, which may close the editor.
            TrackingScope tracking(*this);
            listener_->valueChanged(context, this);
            if (tracking.frameLost()) {
                return;
            }
        }
    }
    // Inside the modal popup the right click's end lets go of the menu.
    if (!inMenu_) {
        removeTemporaryMenu();
    }
}

void LearnOverlay::removeTemporaryMenu() {
    OptionMenu* menu = temporaryMenu_;
    temporaryMenu_ = nullptr;
    if (menu && getFrame() && getFrame()->isChild(menu)) {
        getFrame()->removeView(menu, true);
    }
}

bool LearnOverlay::wheel(DrawContext* context, Point, float distance) {
    if (!target_) {
        return true;
    }
    wheelIncrement_ = target_->getWheelIncrement();
    // The step the target itself would take: its range, its increment, and
    // nothing while it (or this overlay standing in for it) takes no mouse.
    if (!isMouseEnabled() || !stepByWheel(*target_, context, distance)) {
        return false;
    }
    // The listener hears the target, so the effect gets its tag and value.
    if (listener_) {
        listener_->valueChanged(context, target_);
    }
    return true;
}

}  // namespace qp
