// The editing steps that knobs and sliders share: telling the listener, the
// mouse wheel and the arrow keys. Every change ends the same way: the listener
// hears about it only when the control is dirty, so a step that clamps to the
// value already shown stays silent.
#pragma once

#include <cstdint>

#include "host/PluginInterface.h"

namespace qp {

class Control;
class DrawContext;

// Virtual key codes of the host's key record for the four arrows.
enum ArrowKey : unsigned char {
    kArrowLeft = 11,
    kArrowUp = 12,
    kArrowRight = 13,
    kArrowDown = 14,
};
// Bit of the host key record's modifier that stands for shift.
inline constexpr unsigned char kKeyModifierShift = 1;
// Shift divides a wheel or key step by this much.
inline constexpr float kFineStepDivisor = 10.0f;

// -1 for left and down, +1 for up and right, 0 for any other key.
std::int32_t arrowKeyDirection(const VstKeyCode& key);

// valueChanged when the control is dirty and has a listener; context may be none.
void notifyIfDirty(Control& control, DrawContext* context);

// value += distance x wheel increment (a tenth with shift held), clamped.
// False, and nothing changes, while mouse input is disabled.
bool wheelStep(Control& control, DrawContext* context, float distance);

// One wheel increment per arrow key (a tenth with shift), clamped; the listener
// is told without a drawing context. 1 when handled, -1 for any other key.
std::int32_t arrowKeyStep(Control& control, const VstKeyCode& key);

}  // namespace qp
