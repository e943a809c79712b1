// The knob mode a host sets (VST 2's effSetEditKnobMode), in the toolkit's terms.
// The toolkit knows no host type; this is where the host's number meets it.
#pragma once

#include <cstdint>

#include "gui/KnobMode.h"
#include "host/EditorProtocol.h"

namespace qp {

// The host's mode is any integer: kLinearKnobMode drags linearly and every other
// value circularly.
constexpr KnobMode toolkitKnobMode(std::int32_t hostMode) {
    return hostMode == kLinearKnobMode ? KnobMode::linear : KnobMode::circular;
}

}  // namespace qp
