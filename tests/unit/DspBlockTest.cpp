#include <gtest/gtest.h>

#include <limits>

#include "effect/dsp/DspBlock.h"
#include "effect/dsp/OnePoleFilter.h"

namespace qp::test {
namespace {

// The shared rate is library-wide; every test leaves it at the load-time 44100 Hz.
class DspSampleRate : public ::testing::Test {
protected:
    void TearDown() override { DspBlock restore; }
};

TEST_F(DspSampleRate, TakesOnlyFinitePositiveRates) {
    DspBlock reset;
    setDspSampleRate(0.0f);
    setDspSampleRate(-48000.0f);
    setDspSampleRate(std::numeric_limits<float>::quiet_NaN());
    setDspSampleRate(std::numeric_limits<float>::infinity());
    EXPECT_EQ(getDspSampleRate(), 44100.0f);

    setDspSampleRate(48000.0f);
    EXPECT_EQ(getDspSampleRate(), 48000.0f);
}

TEST_F(DspSampleRate, EveryBlockConstructionResetsItTo44100) {
    setDspSampleRate(96000.0f);
    DspBlock block;
    EXPECT_EQ(getDspSampleRate(), 44100.0f);

    setDspSampleRate(48000.0f);
    OnePoleFilter filter;
    EXPECT_EQ(getDspSampleRate(), 44100.0f);
}

}  // namespace
}  // namespace qp::test
