// Parameter values as text and back, for clap.params.
#pragma once

#include <cstdint>

namespace qp::clap {

// The VST 2 edition's display of a value (the value as a float, clamped to 0..1):
// one integer digit, a point and six fraction digits, truncated, e.g. "0.500000".
// False for a non-finite value or a buffer too small for the text and terminator.
bool valueToText(double value, char* text, std::uint32_t capacity);

// A decimal number with optional blanks around it, clamped to 0..1. False for
// anything else: empty text, other characters, NaN or an infinity.
bool textToValue(const char* text, double& value);

}  // namespace qp::clap
