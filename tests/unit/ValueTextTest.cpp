// The value-to-text conversions of the effect base: fixed 8-character texts with
// truncated digits, and the words used where a number does not fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "HostTestSupport.h"

namespace qp::test {
namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();

class ValueText : public ::testing::Test {
protected:
    std::string floatText(float value) {
        return write([&](char* t) { effect.floatToText(value, t); });
    }
    std::string integerText(Int32 value) {
        return write([&](char* t) { effect.integerToText(value, t); });
    }
    std::string decibelText(float gain) {
        return write([&](char* t) { effect.gainToDecibelText(gain, t); });
    }
    std::string hertzText(float samples) {
        return write([&](char* t) { effect.samplesToHertzText(samples, t); });
    }
    std::string millisecondsText(float samples) {
        return write([&](char* t) { effect.samplesToMillisecondsText(samples, t); });
    }

    // Every conversion writes at most 8 characters and a terminator.
    template <typename Write>
    std::string write(Write&& convert) {
        char text[32];
        std::memset(text, kUntouched, sizeof(text));
        convert(text);
        EXPECT_EQ(text[9], kUntouched);
        return text;
    }

    DefaultEffect effect{nullptr};
};

TEST_F(ValueText, FloatsShowEightCharactersWithTruncatedDigits) {
    const std::vector<std::pair<float, const char*>> cases = {
        {0.5f, "0.500000"},       {1.0f, "1.000000"},         {0.0f, "0.000000"},
        {-0.0f, "0.000000"},      {-0.5f, "-0.50000"},        {12.34f, "12.34000"},
        {1234567.0f, "1234567."}, {0.123456789f, "0.123456"}, {0.9999999f, "0.999999"},
        {-1234.5f, "-1234.50"},   {10.0f, "10.00000"},        {999999.9f, "999999.8"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(floatText(value), expected) << value;
    }
}

TEST_F(ValueText, FloatsTooLargeForTheirWidthAreHuge) {
    EXPECT_EQ(floatText(100000000.0f), "Huge!");
    EXPECT_EQ(floatText(99999999.0f), "Huge!");  // its float value is 100000000
    EXPECT_EQ(floatText(-10000000.0f), "Huge!");
    EXPECT_EQ(floatText(99999992.0f), "9999992.");  // the budget keeps the last digits
    EXPECT_EQ(floatText(-9999999.0f), "-999999.");
}

TEST_F(ValueText, NonNumbersHaveWordsOfTheirOwn) {
    EXPECT_EQ(floatText(std::nanf("")), "NaN");
    EXPECT_EQ(floatText(-std::nanf("")), "NaN");
    EXPECT_EQ(floatText(kInfinity), "Huge!");
    EXPECT_EQ(floatText(-kInfinity), "Huge!");
    EXPECT_EQ(decibelText(std::nanf("")), "NaN");
    EXPECT_EQ(decibelText(kInfinity), "Huge!");
    EXPECT_EQ(hertzText(std::nanf("")), "NaN");
    EXPECT_EQ(millisecondsText(kInfinity), "Huge!");
}

TEST_F(ValueText, FloatTextsAreAlwaysEightCharactersWide) {
    for (float value = 1e-6f; value < 9e7f; value *= 3.3f) {
        EXPECT_EQ(floatText(value).size(), 8u) << value;
        EXPECT_EQ(floatText(-value / 10.0f).size(), 8u) << -value / 10.0f;
    }
}

TEST_F(ValueText, GainsShowDecibels) {
    EXPECT_EQ(decibelText(0.0f), "-oo");
    EXPECT_EQ(decibelText(-1.0f), "-oo");
    EXPECT_EQ(decibelText(-kInfinity), "-oo");
    EXPECT_EQ(decibelText(1.0f), "0.000000");
    EXPECT_EQ(decibelText(0.5f), "-6.02059");
    EXPECT_EQ(decibelText(2.0f), "6.020599");
}

TEST_F(ValueText, PeriodsAndCountsFollowTheStoredSampleRate) {
    EXPECT_EQ(hertzText(0.0f), "0.000000");  // no division by zero
    EXPECT_EQ(hertzText(100.0f), "441.0000");
    EXPECT_EQ(millisecondsText(44100.0f), "1000.000");
    effect.setSampleRate(48000.0f);
    EXPECT_EQ(hertzText(480.0f), "100.0000");
    EXPECT_EQ(millisecondsText(24.0f), "0.500000");
}

TEST_F(ValueText, UnitConversionsGoThroughTheEffectsFloatText) {
    class PlainNumbers : public DefaultEffect {
    public:
        PlainNumbers()
            : DefaultEffect(nullptr) {}
        void floatToText(float, char* text) override { std::strcpy(text, "own"); }
    } own;
    char text[16];
    own.gainToDecibelText(1.0f, text);
    EXPECT_STREQ(text, "own");
    own.samplesToHertzText(0.0f, text);
    EXPECT_STREQ(text, "own");
    own.samplesToMillisecondsText(10.0f, text);
    EXPECT_STREQ(text, "own");
}

TEST_F(ValueText, IntegersAreRightAlignedAndCutToEightCharacters) {
    EXPECT_EQ(integerText(0), "      0");
    EXPECT_EQ(integerText(1234567), "1234567");
    EXPECT_EQ(integerText(12345678), "12345678");
    EXPECT_EQ(integerText(99999999), "99999999");
    EXPECT_EQ(integerText(100000000), "Huge!");
    EXPECT_EQ(integerText(std::numeric_limits<Int32>::max()), "Huge!");
    EXPECT_EQ(integerText(-12345678), "-1234567");
    EXPECT_EQ(integerText(-5), "     -5");
    EXPECT_EQ(integerText(std::numeric_limits<Int32>::min()), "-2147483");
}

}  // namespace
}  // namespace qp::test
