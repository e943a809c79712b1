// A key as the views see it: the character it types, a virtual code for keys that
// type none, and the modifiers held. The editor turns whatever its host sends into
// this record, so the views never see a host's type.
//
// The numbers are those of the host's key record, so the editor's translation is a
// field-by-field copy; any other source of keys maps its keys onto these codes.
#pragma once

#include <cstdint>

namespace qp {

struct KeyCode {
    std::int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

// Virtual codes of the four arrows.
enum ArrowKey : unsigned char {
    kArrowLeft = 11,
    kArrowUp = 12,
    kArrowRight = 13,
    kArrowDown = 14,
};
// Bit of the modifier that stands for shift.
inline constexpr unsigned char kKeyModifierShift = 1;

}  // namespace qp
