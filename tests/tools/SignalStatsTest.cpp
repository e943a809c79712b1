// The renderer's figures: levels in dBFS and the share of open-gate samples.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/SignalStats.h"

namespace qp::test {

using namespace qp::tools;
namespace {

TEST(SignalStats, FullScaleSineIsMinusThreeDecibelsRms) {
    std::vector<float> sine(44100);
    for (std::size_t n = 0; n < sine.size(); ++n) {
        sine[n] = float(std::sin(2 * 3.14159265358979 * 441.0 * n / 44100.0));
    }
    const LevelFigures figures = measureLevels({sine, sine});
    EXPECT_NEAR(figures.rmsDb, -3.0103, 0.01);
    EXPECT_NEAR(figures.peakDb, 0.0, 0.01);
}

TEST(SignalStats, SilenceAndEmptyInputHaveTheFloorLevel) {
    EXPECT_EQ(measureLevels({std::vector<float>(100, 0.0f)}).rmsDb, kSilenceDb);
    EXPECT_EQ(measureLevels({}).peakDb, kSilenceDb);
}

TEST(SignalStats, NonFiniteSamplesDoNotPoisonTheFigures) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const LevelFigures figures = measureLevels({{0.5f, nan, -0.5f, std::numeric_limits<float>::infinity()}});
    EXPECT_NEAR(figures.peakDb, -6.0206, 0.001);
    EXPECT_NEAR(figures.rmsDb, -6.0206, 0.001);
}

TEST(SignalStats, GateShareCountsTheSignedSumAboveTheThreshold) {
    // With sens 0.5 the threshold is 0.5.
    const std::vector<float> left = {0.3f, 0.3f, -0.4f, 0.25f, 0.0f};
    const std::vector<float> right = {0.3f, 0.1f, -0.4f, 0.25f, 0.6f};
    EXPECT_DOUBLE_EQ(gateOpenShare({left, right}, 0.5f), 2.0 / 5.0);  // 0.6 and 0.6
    // 0.25 + 0.25 + 1e-11 lands on 0.5 as a float: not above the threshold.
    EXPECT_DOUBLE_EQ(gateOpenShare({{0.25f}, {0.25f}}, 0.5f), 0.0);
    // sens 1: silence opens it; sens 0: only sums above 1.
    EXPECT_DOUBLE_EQ(gateOpenShare({{0.0f, 0.0f}, {0.0f, 0.0f}}, 1.0f), 1.0);
    EXPECT_DOUBLE_EQ(gateOpenShare({{0.5f, 0.6f}, {0.5f, 0.6f}}, 0.0f), 0.5);
}

TEST(SignalStats, MonoInputFeedsBothInputsAndCountsTwice) {
    EXPECT_DOUBLE_EQ(gateOpenShare({{0.2f, 0.3f}}, 0.5f), 0.5);
    EXPECT_DOUBLE_EQ(gateOpenShare({}, 0.5f), 0.0);
}

}  // namespace
}  // namespace qp::test
