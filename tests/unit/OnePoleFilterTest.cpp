#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "effect/dsp/OnePoleFilter.h"

namespace qp::test {
namespace {

std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

// At a shared rate of 2 pi (as the filter rounds it) half a hertz gives k = 0.5
// exactly, which makes the responses easy to follow by hand.
OnePoleFilter halfCoefficientFilter(std::int32_t type) {
    setDspSampleRate(6.28319f);
    OnePoleFilter filter;  // resets the shared rate, so set it again below
    setDspSampleRate(6.28319f);
    filter.setType(type);
    filter.setFrequency(0.5f);
    DspBlock restore;
    return filter;
}

std::vector<float> feed(OnePoleFilter& filter, float (OnePoleFilter::*step)(float),
                        std::vector<float> input) {
    for (float& x : input) {
        x = (filter.*step)(x);
    }
    return input;
}

TEST(OnePoleFilter, StartsAtRestPassingTheInputThrough) {
    OnePoleFilter filter;
    EXPECT_EQ(filter.state(), 0.0f);
    EXPECT_EQ(filter.coefficient(), 1.0f);
    EXPECT_EQ(filter.processSample(0.25f), 0.25f);
    EXPECT_EQ(filter.processHighpass(0.75f), 0.5f);  // x[n] - x[n-1] with k = 1
}

TEST(OnePoleFilter, LowpassStepResponseApproachesTheInput) {
    OnePoleFilter filter = halfCoefficientFilter(OnePoleFilter::kLowpass);
    ASSERT_EQ(filter.coefficient(), 0.5f);
    EXPECT_EQ(feed(filter, &OnePoleFilter::processSample, {1.0f, 1.0f, 1.0f}),
              (std::vector<float>{0.5f, 0.75f, 0.875f}));
}

TEST(OnePoleFilter, HighpassStepResponseDecaysToZero) {
    OnePoleFilter filter = halfCoefficientFilter(OnePoleFilter::kHighpass);
    EXPECT_EQ(feed(filter, &OnePoleFilter::processSample, {1.0f, 1.0f, 1.0f}),
              (std::vector<float>{1.0f, 0.5f, 0.25f}));
}

TEST(OnePoleFilter, FixedOutputOperationsIgnoreTheType) {
    OnePoleFilter lowpass = halfCoefficientFilter(OnePoleFilter::kHighpass);
    EXPECT_EQ(feed(lowpass, &OnePoleFilter::processLowpass, {1.0f, 1.0f, 1.0f}),
              (std::vector<float>{0.5f, 0.75f, 0.875f}));
    OnePoleFilter highpass = halfCoefficientFilter(OnePoleFilter::kLowpass);
    EXPECT_EQ(feed(highpass, &OnePoleFilter::processHighpass, {1.0f, 1.0f, 1.0f}),
              (std::vector<float>{1.0f, 0.5f, 0.25f}));
}

TEST(OnePoleFilter, CoefficientsAtTheSharedRateAreBitExact) {
    OnePoleFilter highpass;
    highpass.setFrequency(400.0f);
    EXPECT_EQ(bitsOf(highpass.coefficient()), 0x3d696ec0u);  // 0.05699038...
    OnePoleFilter lowpass;
    lowpass.setFrequency(3000.0f);
    EXPECT_EQ(bitsOf(lowpass.coefficient()), 0x3edad7d4u);  // 0.42742788...
}

TEST(OnePoleFilter, LaterRateChangesDoNotRetuneIt) {
    OnePoleFilter filter;
    filter.setFrequency(400.0f);
    setDspSampleRate(48000.0f);
    EXPECT_EQ(bitsOf(filter.coefficient()), 0x3d696ec0u);
    filter.setFrequency(400.0f);
    EXPECT_NE(bitsOf(filter.coefficient()), 0x3d696ec0u);
    DspBlock restore;
}

TEST(OnePoleFilterGuard, SubnormalStateIsFlushedToPositiveZero) {
    const float subnormal = 1e-40f;
    ASSERT_EQ(std::fpclassify(subnormal), FP_SUBNORMAL);

    OnePoleFilter lowpass;  // k = 1: the new state is the input
    EXPECT_EQ(lowpass.processLowpass(subnormal), 0.0f);
    EXPECT_EQ(bitsOf(lowpass.state()), 0u);

    // processSample reports the lowpass result as computed, before the guard.
    OnePoleFilter sample;
    EXPECT_EQ(sample.processSample(-subnormal), -subnormal);
    EXPECT_EQ(bitsOf(sample.state()), 0u);
}

TEST(OnePoleFilterGuard, SmallestNormalStateIsKept) {
    OnePoleFilter filter;
    const float smallest = std::numeric_limits<float>::min();
    filter.processLowpass(smallest);
    EXPECT_EQ(filter.state(), smallest);
    filter.processLowpass(-smallest);
    EXPECT_EQ(filter.state(), -smallest);
}

TEST(OnePoleFilterGuard, NonFiniteInputDoesNotSilenceLaterSamples) {
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        for (std::int32_t type : {OnePoleFilter::kLowpass, OnePoleFilter::kHighpass}) {
            OnePoleFilter filter;
            filter.setType(type);
            filter.setFrequency(3000.0f);
            filter.processSample(0.5f);
            filter.processSample(bad);
            EXPECT_EQ(filter.state(), 0.0f) << bad << " type " << type;
            EXPECT_TRUE(std::isfinite(filter.processSample(0.25f))) << bad << " type " << type;
            EXPECT_NE(filter.state(), 0.0f) << bad << " type " << type;
        }
    }
}

TEST(OnePoleFilterGuard, SilenceDecaysWithoutSubnormalStates) {
    OnePoleFilter filter;
    filter.setFrequency(400.0f);
    filter.processSample(1.0f);
    for (int n = 0; n < 100000; ++n) {
        filter.processSample(0.0f);
        ASSERT_NE(std::fpclassify(filter.state()), FP_SUBNORMAL) << "sample " << n;
    }
    EXPECT_EQ(filter.state(), 0.0f);
}

}  // namespace
}  // namespace qp::test
