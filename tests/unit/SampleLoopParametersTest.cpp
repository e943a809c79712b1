// Where the sample loop finds `sens` and `buzz`: the current program's values for
// per-program parameters, the parameter's own record otherwise, followed across
// program switches and redefinitions between blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

class SampleLoopParameters : public ::testing::Test {
protected:
    // One sample of silence. From rest, with sens = 1 even the 1e-11 offset opens
    // the gate and the sample is about 0.43 * buzz; with sens < 1 the gate stays
    // shut and it is about 0.
    static float silentSample(BuzzEffect& target) {
        float in = 0.0f, out0 = -1.0f, out1 = -1.0f;
        float* inputs[2] = {&in, &in};
        float* outputs[2] = {&out0, &out1};
        target.processReplacing(inputs, outputs, 1);
        EXPECT_EQ(out0, out1);
        return out0;
    }
    // The first sample of an effect set up by `configure`, from rest.
    static float firstSilentSample(const std::function<void(BuzzEffect&)>& configure) {
        BuzzEffect fresh{&RecordingHost::callback};
        configure(fresh);
        return silentSample(fresh);
    }

    MemoryPlatformScope platform;
    RecordingHost host;
    EditorFactoryScope noEditor{nullptr};
};

TEST_F(SampleLoopParameters, AProgramSwitchBetweenBlocksAppliesAtTheNextBlock) {
    BuzzEffect effect{&RecordingHost::callback};
    effect.setProgram(3);
    effect.setParameter(kSensIndex, 1.0f);
    effect.setParameter(kBuzzIndex, 1.0f);
    effect.setProgram(0);

    EXPECT_LT(std::fabs(silentSample(effect)), 1e-6f);
    effect.setProgram(3);
    EXPECT_GT(silentSample(effect), 0.4f);  // the open gate: 0.43
    effect.setProgram(0);
    // The shut gate lets the step decay (0.22); still open it would climb to 0.65.
    EXPECT_LT(silentSample(effect), 0.3f);
}

TEST_F(SampleLoopParameters, BuzzComesFromTheCurrentProgram) {
    auto eachProgramItsOwnBuzz = [](Int32 current) {
        return [current](BuzzEffect& effect) {
            for (Int32 program = 0; program < kProgramCount; ++program) {
                effect.setProgram(program);
                effect.setParameter(kSensIndex, 1.0f);
                effect.setParameter(kBuzzIndex, float(program) / 8.0f);
            }
            effect.setProgram(current);
        };
    };
    const float quarter = firstSilentSample(eachProgramItsOwnBuzz(2));
    const float full = firstSilentSample(eachProgramItsOwnBuzz(8));
    EXPECT_GT(quarter, 0.1f);
    EXPECT_NEAR(full / quarter, 4.0f, 1e-4f);
}

TEST_F(SampleLoopParameters, AGlobalParameterIsReadFromItsRecordInEveryProgram) {
    // sens global and fully open while every program's own sens stays 0.5; buzz
    // still per program.
    auto globalSensIn = [](Int32 current, float buzz) {
        return [=](BuzzEffect& effect) {
            effect.defineParameter(kSensIndex, "sens", 1.0f, 0, 0, 0);
            effect.setProgram(current);
            effect.setParameter(kBuzzIndex, buzz);
        };
    };
    const float full = firstSilentSample(globalSensIn(4, 1.0f));
    const float quarter = firstSilentSample(globalSensIn(7, 0.25f));
    EXPECT_GT(full, 0.4f);
    EXPECT_NEAR(full / quarter, 4.0f, 1e-4f);
}

TEST_F(SampleLoopParameters, RedefiningAParameterAppliesAtTheNextBlock) {
    BuzzEffect effect{&RecordingHost::callback};
    effect.setParameter(kSensIndex, 0.0f);
    EXPECT_LT(std::fabs(silentSample(effect)), 1e-6f);
    effect.defineParameter(kSensIndex, "sens", 1.0f, 0, 0, 0);
    EXPECT_GT(silentSample(effect), 0.15f);  // buzz 0.5: 0.21
}

}  // namespace
}  // namespace qp::test
