// The value-to-text conversions of EffectBase. Parameter displays are 8 characters
// wide (the host's limit), so every text here is at most 8 characters and a
// terminator. The three unit conversions go through the virtual floatToText, so an
// effect that renders numbers differently changes them all at once.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/EffectBase.h"

namespace qp {

namespace {

constexpr int kDisplayWidth = 8;
constexpr const char* kTooLargeText = "Huge!";
constexpr const char* kNotANumberText = "NaN";
constexpr const char* kMinusInfinityText = "-oo";
// Above these the integer part alone would not fit: eight digits, or a sign and seven.
constexpr double kLargestPositive = 99999999.0;
constexpr double kLargestNegative = 9999999.0;
constexpr Int32 kLargestInteger = 99999999;

void writeText(char* text, const char* value) { std::memcpy(text, value, std::strlen(value) + 1); }

// 10^n by repeated multiplication: exact for the few digits used here, and free of
// any difference between the two runtimes' pow.
double powerOfTen(int n) {
    double result = 1.0;
    for (int i = 0; i < n; ++i) {
        result *= 10.0;
    }
    return result;
}

char digitOf(double value) { return char('0' + int(std::fmod(value, 10.0))); }

}  // namespace

void EffectBase::gainToDecibelText(float gain, char* text) {
    if (gain <= 0.0f) {
        writeText(text, kMinusInfinityText);
        return;
    }
    floatToText(float(20.0 * std::log10(double(gain))), text);
}

void EffectBase::samplesToHertzText(float samples, char* text) {
    if (samples == 0.0f) {
        floatToText(0.0f, text);
        return;
    }
    floatToText(getSampleRate() / samples, text);
}

void EffectBase::samplesToMillisecondsText(float samples, char* text) {
    floatToText(samples * 1000.0f / getSampleRate(), text);
}

// A fixed 8-character rendering: sign, integer digits, a point, then as many
// fraction digits as fit. Every digit is truncated, never rounded, so 0.1234567
// shows as 0.123456; the scaling by 0.1 is a multiplication on purpose, as the
// digits it yields are the ones users have always seen.
void EffectBase::floatToText(float value, char* text) {
    double v = value;
    if (std::isnan(v)) {
        writeText(text, kNotANumberText);
        return;
    }
    int count = 0;
    const bool negative = v < 0.0;
    if (negative) {
        v = -v;
        count = 1;
        if (v > kLargestNegative) {  // also -infinity
            writeText(text, kTooLargeText);
            return;
        }
    } else if (v > kLargestPositive) {  // also +infinity
        writeText(text, kTooLargeText);
        return;
    }

    // The integer part is built from its last digit leftwards, behind a point.
    char integerPart[kDisplayWidth + 2];
    int start = kDisplayWidth + 1;
    integerPart[start] = '\0';
    integerPart[--start] = '.';
    double i = std::floor(v);
    integerPart[--start] = digitOf(i);
    i *= 0.1;
    count += 2;
    while (i >= 1.0 && count < kDisplayWidth) {
        integerPart[--start] = digitOf(i);
        i *= 0.1;
        ++count;
    }
    if (negative) {
        integerPart[--start] = '-';
    }
    writeText(text, integerPart + start);
    if (count >= kDisplayWidth) {
        return;
    }

    const int fractionDigits = kDisplayWidth - count;
    char* fraction = text + std::strlen(text);
    double m = std::fmod(v, 1.0) * powerOfTen(fractionDigits);
    for (int k = fractionDigits - 1; k >= 0; --k) {
        if (m <= 0.0) {
            fraction[k] = '0';
        } else {
            fraction[k] = digitOf(m);
            m *= 0.1;
        }
    }
    fraction[fractionDigits] = '\0';
}

void EffectBase::integerToText(Int32 value, char* text) {
    if (value > kLargestInteger) {
        writeText(text, kTooLargeText);
        return;
    }
    char scratch[32];
    std::snprintf(scratch, sizeof(scratch), "%7d", int(value));
    scratch[kDisplayWidth] = '\0';
    writeText(text, scratch);
}

}  // namespace qp
