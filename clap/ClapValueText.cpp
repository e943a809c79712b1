// The display mirrors EffectBase::floatToText, the VST 2 edition's, over the only
// range these values have: that function belongs to the VST 2 effect's base
// class, which this plug-in does not link.
#include "clap/ClapValueText.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace qp::clap {

namespace {

constexpr int kFractionDigits = 6;
constexpr std::uint32_t kTextLength = 2 + kFractionDigits;

// The last integer digit of a value from 0 to 1e7, what fmod(value, 10) gives,
// found without the maths library (the module needs only the C library itself):
// tens * 10 is exact and so is the difference, as both are close.
char digitOf(double value) {
    double tens = double(std::int64_t(value / 10.0));
    if (tens * 10.0 > value) {
        tens -= 1.0;
    }
    return char('0' + int(value - tens * 10.0));
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* skipDigits(const char* at, const char* last) {
    while (at < last && isDigit(*at)) {
        ++at;
    }
    return at;
}

// A decimal number alone: a sign, digits with at most one point (a digit on at
// least one side), an exponent. Anything strtod would take besides (infinities,
// NaN, hexadecimal) is left out here.
bool isDecimal(const char* first, const char* last) {
    const char* at = first < last && (*first == '+' || *first == '-') ? first + 1 : first;
    const char* digitsEnd = skipDigits(at, last);
    bool digits = digitsEnd > at;
    at = digitsEnd;
    if (at < last && *at == '.') {
        digitsEnd = skipDigits(at + 1, last);
        digits = digits || digitsEnd > at + 1;
        at = digitsEnd;
    }
    if (digits && at < last && (*at == 'e' || *at == 'E')) {
        at = at + 1 < last && (at[1] == '+' || at[1] == '-') ? at + 2 : at + 1;
        digitsEnd = skipDigits(at, last);
        digits = digitsEnd > at;
        at = digitsEnd;
    }
    return digits && at == last;
}

}  // namespace

bool valueToText(double value, char* text, std::uint32_t capacity) {
    if (text == nullptr || capacity <= kTextLength || !std::isfinite(value)) {
        return false;
    }
    // As the VST 2 edition sees it: a float, then widened again.
    const double v = double(float(std::clamp(value, 0.0, 1.0)));
    const bool whole = v >= 1.0;
    text[0] = whole ? '1' : '0';
    text[1] = '.';
    // Each digit truncated, taken from the right with a multiplication by 0.1, so
    // the digits are the ones the VST 2 display has always shown.
    double m = (whole ? v - 1.0 : v) * 1e6;
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
    // strtod reads the point of the locale the host has set: the text goes to it
    // with that point in place of ours.
    constexpr std::size_t kLongest = 64;
    const char* point = std::localeconv()->decimal_point;
    const std::size_t pointLength = point != nullptr && point[0] != '\0' ? std::strlen(point) : 0;
    char number[kLongest + 8];
    std::size_t length = 0;
    if (!isDecimal(first, last) || std::size_t(last - first) > kLongest || pointLength == 0 ||
        pointLength > 4) {
        return false;
    }
    for (const char* at = first; at < last; ++at) {
        if (*at == '.') {
            std::memcpy(number + length, point, pointLength);
            length += pointLength;
        } else {
            number[length++] = *at;
        }
    }
    number[length] = '\0';
    char* end = nullptr;
    const double parsed = std::strtod(number, &end);
    if (end != number + length || !std::isfinite(parsed)) {
        return false;
    }
    value = std::clamp(parsed, 0.0, 1.0);
    return true;
}

}  // namespace qp::clap
