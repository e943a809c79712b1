// The display mirrors EffectBase::floatToText, the VST 2 edition's, over the only
// range these values have: that function belongs to the VST 2 effect's base
// class, which this plug-in does not link.
#include "clap/ClapValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace qp::clap {

namespace {

constexpr int kFractionDigits = 6;
constexpr std::uint32_t kTextLength = 2 + kFractionDigits;

char digitOf(double value) { return char('0' + int(std::fmod(value, 10.0))); }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool valueToText(double value, char* text, std::uint32_t capacity) {
    if (text == nullptr || capacity <= kTextLength || !std::isfinite(value)) {
        return false;
    }
    // As the VST 2 edition sees it: a float, then widened again.
    const double v = double(float(std::clamp(value, 0.0, 1.0)));
    text[0] = digitOf(std::floor(v));
    text[1] = '.';
    // Each digit truncated, taken from the right with a multiplication by 0.1, so
    // the digits are the ones the VST 2 display has always shown.
    double m = std::fmod(v, 1.0) * 1e6;
    for (int k = kFractionDigits - 1; k >= 0; --k) {
        if (m <= 0.0) {
            text[2 + k] = '0';
        } else {
            text[2 + k] = digitOf(m);
            m *= 0.1;
        }
    }
    text[kTextLength] = '\0';
    return true;
}

bool textToValue(const char* text, double& value) {
    if (text == nullptr) {
        return false;
    }
    const char* first = text;
    const char* last = text + std::strlen(text);
    while (first < last && isBlank(*first)) {
        ++first;
    }
    while (last > first && isBlank(last[-1])) {
        --last;
    }
    if (first < last && *first == '+') {
        ++first;
        if (first < last && *first == '-') {
            return false;
        }
    }
    double parsed = 0.0;
    // from_chars reads the C locale's numbers whatever locale the host has set.
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (first == last || error != std::errc() || end != last || !std::isfinite(parsed)) {
        return false;
    }
    value = std::clamp(parsed, 0.0, 1.0);
    return true;
}

}  // namespace qp::clap
