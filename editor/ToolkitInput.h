// What the host sends the editor in its own terms, translated into the toolkit's:
// the key record of effEditKeyDown/effEditKeyUp and the knob mode of
// effSetEditKnobMode. The toolkit knows no host type; these two are the only places
// where the host's numbers meet the toolkit's.
#pragma once

#include <cstdint>

#include "gui/KeyCode.h"
#include "gui/KnobMode.h"
#include "host/EditorProtocol.h"
#include "host/PluginInterface.h"

namespace qp {

// The toolkit numbers characters, virtual codes and modifier bits as the host's
// record does, so every field is copied as it is.
constexpr KeyCode toolkitKey(const VstKeyCode& key) { return KeyCode{key.character, key.virt, key.modifier}; }

// The host's mode is any integer: kLinearKnobMode drags linearly and every other
// value circularly.
constexpr KnobMode toolkitKnobMode(std::int32_t hostMode) {
    return hostMode == kLinearKnobMode ? KnobMode::linear : KnobMode::circular;
}

}  // namespace qp
