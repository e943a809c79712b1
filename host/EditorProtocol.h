// What the effect and its editor tell each other beyond plain parameter values,
// defined once for both sides. It lives in host/ because that is the one folder
// that both effect/ and editor/ include (the toolkit in gui/ knows neither), and
// it includes nothing itself.
//
// Commands travel as pseudo-parameter changes: the editor sends (index, value)
// through automateParameter, the effect's handleCommand carries them out, and the
// editor sees them again through its setParameter.
#pragma once

#include <cstdint>

namespace qp {

// The about box's tag; its click (any value) closes the about screen.
inline constexpr std::int32_t kAboutBoxIndex = 4;
// The command menu's tag; the value is the chosen entry.
inline constexpr std::int32_t kMenuCommandIndex = 5;
// The presets submenu's tag; the value is the chosen program.
inline constexpr std::int32_t kPresetsMenuIndex = 6;
// Every learn overlay's tag; the value names the parameter (see below).
inline constexpr std::int32_t kLearnCommandIndex = 13;

// The command menu's entries, in menu order: each entry's number is its value.
inline constexpr std::int32_t kMenuAboutEntry = 0;
inline constexpr std::int32_t kMenuSaveDefaultsEntry = 1;
inline constexpr std::int32_t kMenuForgetAllEntry = 2;

// A learn command's value is the parameter index to learn, or the index plus
// this offset to forget. Values from the limit on are forget commands: parameter
// indexes stay far below it, and a host's stray automation of 999.x must not arm
// learning for a parameter that does not exist.
inline constexpr std::int32_t kForgetCommandOffset = 1000;
inline constexpr float kLearnCommandLimit = 999.0f;

// The toolkit-wide knob mode the host sets through effSetEditKnobMode: in this
// mode a knob follows a straight drag instead of the pointer's angle. Every other
// mode drags circularly. Every editor open sets it.
inline constexpr std::int32_t kLinearKnobMode = 2;

}  // namespace qp
