// Appends unsigned integers to a byte buffer least significant byte first, the
// order the file formats the tools write (WAV, BMP) keep their numbers in.
#pragma once

#include <cstdint>
#include <vector>

namespace qp::tools {

inline void put16le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

inline void put32le(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16le(out, v & 0xFFFF);
    put16le(out, v >> 16);
}

}  // namespace qp::tools
