// How a knob follows a drag, one choice for the whole toolkit: the frame asks its
// owner (the editor), which keeps the host's choice and translates it.
#pragma once

namespace qp {

enum class KnobMode {
    // The knob follows the pointer's angle around its centre.
    circular,
    // The knob follows the pointer's distance from the click, up and right raising it.
    linear,
};

}  // namespace qp
