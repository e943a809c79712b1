// Long digital silence and non-finite input, through the built library. A
// minute of silence after a loud start must leave the filters out of the slow
// subnormal range (the time per block stays flat, measured as a ratio within
// one run) and let the output die away towards the tiny level the gate's
// anti-denormal offset leaves; NaN and infinite samples must leave the
// effect as if it had just been made once they have passed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>

#include "PluginHost.h"
#include "StressBudget.h"

namespace qp::test {
namespace {

constexpr Int32 kBlock = 512;
constexpr long kBlocksPerSecond = 44100 / kBlock;
constexpr long kMinuteBlocks = 60 * kBlocksPerSecond;
// The states of a filter left to decay by itself reach the subnormal range
// within a few seconds; from there each sample costs many times a normal one.
// The bound leaves room for a loaded machine.
constexpr double kFlatTimeRatio = 3.0;

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

TEST(StressSilence, AMinuteOfSilenceStaysFastAndDiesAway) {
    PluginHost host;
    ASSERT_TRUE(host.loaded()) << host.loadError();
    ASSERT_NE(host.open(), nullptr);
    host.setParameter(1, 1.0f);
    // A loud start fills both filters.
    StereoBlock block(kBlock);
    const std::vector<float> loud = stress::voice(std::size_t(kBlock) * 8, 0.9);
    for (int b = 0; b < 8; ++b) {
        for (auto& channel : block.in) {
            std::copy_n(loud.begin() + b * kBlock, kBlock, channel.begin());
        }
        host.processReplacing(block);
    }
    const float loudLevel = std::fabs(block.out[0][kBlock - 1]);
    block.fillInputs(0.0f);

    // One unbroken stretch of silence: a minute, or in a soak as long as its
    // share of the time allows.
    std::vector<double> microseconds;
    std::vector<float> peaks;
    long subnormalOutputs = 0;
    const stress::Budget budget(kMinuteBlocks, stress::kSilenceShare);
    for (long b = 0; budget.more(b); ++b) {
        const auto start = std::chrono::steady_clock::now();
        host.processReplacing(block);
        const auto end = std::chrono::steady_clock::now();
        microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        float peak = 0.0f;
        for (float sample : block.out[0]) {
            ASSERT_TRUE(std::isfinite(sample)) << "block " << b;
            subnormalOutputs += std::fpclassify(sample) == FP_SUBNORMAL;
            peak = std::max(peak, std::fabs(sample));
        }
        peaks.push_back(peak);
    }
    const std::size_t second = std::size_t(kBlocksPerSecond);
    const float peakOfSecondTen = *std::max_element(peaks.begin() + 9 * second, peaks.begin() + 10 * second);
    const float peakOfLastSecond = *std::max_element(peaks.end() - std::ptrdiff_t(second), peaks.end());
    // Medians of the first and the last five seconds: a block the scheduler
    // interrupted does not move them.
    const double first = median({microseconds.begin(), microseconds.begin() + std::ptrdiff_t(5 * second)});
    const double last = median({microseconds.end() - std::ptrdiff_t(5 * second), microseconds.end()});
    std::printf(
        "%zu blocks (%.0f s) of silence: median block %.2f us in the first 5 s, %.2f us in the last 5 s "
        "(ratio %.3f); output %.3g after the start, peak %.3g in second 10, %.3g in the last second; "
        "%ld subnormal output samples\n",
        microseconds.size(), double(microseconds.size()) / double(kBlocksPerSecond), first, last,
        last / first, double(loudLevel), double(peakOfSecondTen), double(peakOfLastSecond), subnormalOutputs);
    EXPECT_LT(last / first, kFlatTimeRatio);
    EXPECT_GT(loudLevel, 1e-3f);
    EXPECT_LT(peakOfLastSecond, 1e-6f);
    // Nothing builds up again once it has died away.
    EXPECT_LE(peakOfLastSecond, peakOfSecondTen);
    // The output is the second filter's state: none of it was subnormal.
    EXPECT_EQ(subnormalOutputs, 0);
}

class StressFaults : public ::testing::Test {
protected:
    // Renders in0/in1 in one replacing (or accumulating, onto zeros) block.
    static std::vector<float> render(PluginHost& host, const std::vector<float>& in0,
                                     const std::vector<float>& in1, bool accumulating = false) {
        StereoBlock block(in0.size());
        block.in[0] = in0;
        block.in[1] = in1;
        if (accumulating) {
            host.process(block);
        } else {
            host.processReplacing(block);
        }
        return block.out[0];
    }
};

TEST_F(StressFaults, NonFiniteSamplesLeaveTheEffectAsIfNew) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Bad {
        float left, right;
        const char* what;
    };
    const Bad kinds[] = {{nan, 0.1f, "NaN left"},
                         {0.1f, nan, "NaN right"},
                         {nan, nan, "NaN both"},
                         {inf, 0.0f, "+inf"},
                         {-inf, 0.2f, "-inf"},
                         {inf, -inf, "+inf with -inf"},
                         {FLT_MAX, FLT_MAX, "overflowing sum"},
                         {-FLT_MAX, -FLT_MAX, "overflowing negative sum"}};
    const std::vector<float> before = stress::voice(3000, 0.6);
    const std::vector<float> after = stress::voice(5000, 0.6, 1234);
    long cases = 0;
    for (const Bad& bad : kinds) {
        for (std::size_t at : {std::size_t(0), std::size_t(17), std::size_t(2999)}) {
            for (bool accumulating : {false, true}) {
                PluginHost hit;
                ASSERT_NE(hit.open(), nullptr);
                hit.setParameter(1, 0.8f);
                std::vector<float> left = before, right = before;
                left[at] = bad.left;
                right[at] = bad.right;
                // A second bad sample a little later, when there is room for one.
                if (at + 5 < left.size()) {
                    left[at + 5] = bad.right;
                    right[at + 5] = bad.left;
                }
                const std::size_t lastBad = at + 5 < left.size() ? at + 5 : at;
                std::vector<float> out = render(hit, left, right, accumulating);
                const std::vector<float> afterwards = render(hit, after, after, accumulating);
                out.erase(out.begin(), out.begin() + std::ptrdiff_t(lastBad + 1));
                out.insert(out.end(), afterwards.begin(), afterwards.end());

                PluginHost fresh;
                ASSERT_NE(fresh.open(), nullptr);
                fresh.setParameter(1, 0.8f);
                std::vector<float> tail(before.begin() + std::ptrdiff_t(lastBad + 1), before.end());
                std::vector<float> expected = render(fresh, tail, tail, accumulating);
                const std::vector<float> expectedAfter = render(fresh, after, after, accumulating);
                expected.insert(expected.end(), expectedAfter.begin(), expectedAfter.end());

                ASSERT_EQ(out.size(), expected.size());
                for (std::size_t i = 0; i < out.size(); ++i) {
                    ASSERT_TRUE(std::isfinite(out[i])) << bad.what << " at " << at << ": sample " << i;
                    ASSERT_EQ(std::memcmp(&out[i], &expected[i], sizeof(float)), 0)
                        << bad.what << " at " << at << (accumulating ? " (process)" : "") << ": sample " << i
                        << " after the last bad one is " << out[i] << ", a fresh effect gives "
                        << expected[i];
                }
                ++cases;
            }
        }
    }
    std::printf("%ld bad-sample cases recovered as from rest\n", cases);
}

}  // namespace
}  // namespace qp::test
