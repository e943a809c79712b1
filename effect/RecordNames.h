// Names in the parameter and program records come from banks and presets that
// hosts hand back, so a name may fill its whole field without a terminator.
// Every reader goes through these: at most 23 characters, never past the field.
#pragma once

#include <cstddef>
#include <cstring>

#include "effect/ParameterRecords.h"

namespace qp {

constexpr std::size_t kMaxNameLength = kNameSize - 1;

inline std::size_t recordNameLength(const char (&name)[kNameSize]) {
    const void* end = std::memchr(name, 0, kMaxNameLength);
    return end ? std::size_t(static_cast<const char*>(end) - name) : kMaxNameLength;
}

// Writes the name and a terminator: at most 24 bytes.
inline void copyRecordName(char* text, const char (&name)[kNameSize]) {
    const std::size_t length = recordNameLength(name);
    std::memcpy(text, name, length);
    text[length] = 0;
}

}  // namespace qp
