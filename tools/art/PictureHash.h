// The 64-bit FNV-1a hash of a picture's pixel bytes: what the golden table of the
// art tests holds for every picture at every step, on every platform.
#pragma once

#include <cstdint>

#include "editor/art/Art.h"

namespace qp::art {

inline std::uint64_t pictureHash(const Picture& p) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::uint8_t b : p.rgb) {
        h = (h ^ b) * 1099511628211ull;
    }
    return h;
}

}  // namespace qp::art
