// A filter carried through a sample loop in locals: its state taken out, stepped
// with OnePoleFilter::step and handed back with setState.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

#include "effect/dsp/OnePoleFilter.h"

namespace qp::test {
namespace {

std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

float input(int n) { return float(n % 37) / 37.0f - 0.4f; }

TEST(OnePoleFilterLocals, AStateHandedBackContinuesLikeTheMemberOperations) {
    for (std::int32_t type : {OnePoleFilter::kLowpass, OnePoleFilter::kHighpass}) {
        OnePoleFilter member;
        member.setType(type);
        member.setFrequency(3000.0f);
        OnePoleFilter carried = member;

        float state = carried.state();
        const double k = carried.coefficient();
        for (int n = 0; n < 200; ++n) {
            const float expected = member.processSample(input(n));
            const float got = carried.isHighpass() ? OnePoleFilter::step<true>(input(n), k, state)
                                                   : OnePoleFilter::step<false>(input(n), k, state);
            ASSERT_EQ(bitsOf(got), bitsOf(expected)) << "type " << type << " sample " << n;
        }
        carried.setState(state);
        for (int n = 200; n < 210; ++n) {
            ASSERT_EQ(bitsOf(carried.processSample(input(n))), bitsOf(member.processSample(input(n))));
        }
    }
}

TEST(OnePoleFilterLocals, HandedBackStatesPassTheGuard) {
    OnePoleFilter filter;
    for (float bad :
         {1e-40f, -1e-40f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        filter.setState(bad);
        EXPECT_EQ(bitsOf(filter.state()), 0u) << bad;
    }
    filter.setState(std::numeric_limits<float>::min());
    EXPECT_EQ(filter.state(), std::numeric_limits<float>::min());
}

}  // namespace
}  // namespace qp::test
