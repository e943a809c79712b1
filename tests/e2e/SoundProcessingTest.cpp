// The effect's sound through the record's process entries: compared sample by
// sample with an independent model of the chain (sum, gate, step, 400 Hz
// highpass, 3000 Hz lowpass), and the entries' handling of odd host input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr Int32 kSens = 0;
constexpr Int32 kBuzz = 1;
constexpr double kPi = 3.14159265358979323846;

// The chain written out from its description, independently of the product.
class ReferenceChain {
public:
    float step(float in0, float in1, float sens, float buzz) {
        const float sum = float(double(in0) + double(in1) + 1e-11);
        const bool open = 1.0 - double(sens) < double(sum);
        const float x = (open ? buzz : 0.0f) + sum;
        const float highpassed = onePole(highpassState_, kHighpassK, x, true);
        return onePole(lowpassState_, kLowpassK, highpassed, false);
    }

    // Coefficients computed once at 44100 Hz with the product's 6.28319.
    static inline const float kHighpassK = float(6.28319 / 44100.0 * 400.0);
    static inline const float kLowpassK = float(6.28319 / 44100.0 * 3000.0);

private:
    static float onePole(float& state, float k, float x, bool highpass) {
        const double d = double(x) - double(state);
        const float lowpass = float(d * double(k) + double(state));
        const float out = highpass ? float(d) : lowpass;
        state = std::isnormal(lowpass) ? lowpass : 0.0f;
        return out;
    }

    float highpassState_ = 0.0f;
    float lowpassState_ = 0.0f;
};

// A sung-vowel-like test signal: a 180 Hz fundamental with two harmonics.
std::vector<float> voice(std::size_t frames, double amplitude) {
    std::vector<float> samples(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / 44100.0;
        samples[n] =
            float(amplitude * (0.7 * std::sin(2 * kPi * 180 * t) + 0.2 * std::sin(2 * kPi * 360 * t + 0.3) +
                               0.1 * std::sin(2 * kPi * 540 * t + 1.1)));
    }
    return samples;
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
    }

    // Runs in0/in1 through processReplacing in blocks of `blockSize`.
    static std::vector<float> render(PluginHost& target, const std::vector<float>& in0,
                                     const std::vector<float>& in1, std::size_t blockSize = 512) {
        std::vector<float> result;
        for (std::size_t start = 0; start < in0.size(); start += blockSize) {
            const std::size_t frames = std::min(blockSize, in0.size() - start);
            StereoBlock block(frames);
            std::copy_n(in0.begin() + start, frames, block.in[0].begin());
            std::copy_n(in1.begin() + start, frames, block.in[1].begin());
            target.processReplacing(block);
            // Bitwise, so that a NaN on both outputs counts as the same sample.
            EXPECT_EQ(std::memcmp(block.out[0].data(), block.out[1].data(), frames * sizeof(float)), 0);
            result.insert(result.end(), block.out[0].begin(), block.out[0].end());
        }
        return result;
    }

    // Opens `quiet` beside `host`, with buzz 0 against the host's 1: the two sound
    // alike exactly while the gate stays shut. False when it does not open.
    bool openQuietTwin(PluginHost& quiet) {
        if (quiet.open() == nullptr) {
            return false;
        }
        host.setParameter(kBuzz, 1.0f);
        quiet.setParameter(kBuzz, 0.0f);
        return true;
    }

    // For calls that must do nothing: every output still holds what the host put
    // there, and the filters are still at rest, so the next first sample is the
    // worked example's.
    void expectUntouchedAndAtRest(const StereoBlock& block, float hostValue) {
        for (int channel = 0; channel < 2; ++channel) {
            for (float sample : block.out[channel]) {
                ASSERT_EQ(sample, hostValue);
            }
        }
        StereoBlock first(1, 0.4f);
        host.processReplacing(first);
        EXPECT_NEAR(first.out[0][0], 0.5556563f, 1e-6);
    }

    PluginHost host;
};

TEST_F(Sound, FirstSampleFromRestMatchesTheWorkedExample) {
    StereoBlock block(1, 0.4f);
    host.processReplacing(block);
    EXPECT_NEAR(block.out[0][0], 0.5556563f, 1e-6);
    EXPECT_EQ(block.out[1][0], block.out[0][0]);
}

TEST_F(Sound, FollowsTheReferenceChainThroughParameterChanges) {
    const std::vector<float> in0 = voice(6000, 0.5);
    std::vector<float> in1(in0.size());
    for (std::size_t n = 0; n < in0.size(); ++n) {
        in1[n] = in0[n] * 0.8f;
    }

    ReferenceChain reference;
    // Block sizes a host might use, with the parameters moved between blocks.
    const std::size_t sizes[] = {1, 7, 512, 1000, 64, 2000, 2416};
    const float sensValues[] = {0.5f, 0.75f, 0.25f, 0.5f, 1.0f, 0.0f, 0.5f};
    const float buzzValues[] = {0.5f, 1.0f, 0.2f, 0.0f, 0.5f, 0.9f, 0.5f};
    std::size_t start = 0;
    std::size_t openSamples = 0;
    for (std::size_t b = 0; b < std::size(sizes); ++b) {
        host.setParameter(kSens, sensValues[b]);
        host.setParameter(kBuzz, buzzValues[b]);
        StereoBlock block(sizes[b]);
        std::copy_n(in0.begin() + start, sizes[b], block.in[0].begin());
        std::copy_n(in1.begin() + start, sizes[b], block.in[1].begin());
        host.processReplacing(block);
        for (std::size_t n = 0; n < sizes[b]; ++n) {
            const float a = in0[start + n];
            const float c = in1[start + n];
            openSamples += 1.0 - sensValues[b] < double(a) + double(c);
            const float expected = reference.step(a, c, sensValues[b], buzzValues[b]);
            ASSERT_NEAR(block.out[0][n], expected, 1e-6 * std::max(1.0f, std::fabs(expected)))
                << "block " << b << " sample " << n;
            ASSERT_EQ(block.out[1][n], block.out[0][n]);
        }
        start += sizes[b];
    }
    ASSERT_EQ(start, in0.size());
    // The signal really exercised both sides of the gate.
    EXPECT_GT(openSamples, in0.size() / 10);
    EXPECT_LT(openSamples, in0.size() * 9 / 10);
}

TEST_F(Sound, GateOpensOnTheSignedSumOnly) {
    // Negative input below the threshold: the step height does not matter.
    PluginHost quiet;
    ASSERT_TRUE(openQuietTwin(quiet));
    std::vector<float> negative(256, -0.4f);
    EXPECT_EQ(render(host, negative, negative), render(quiet, negative, negative));

    // The same magnitude above the threshold makes the step audible.
    std::vector<float> positive(256, 0.4f);
    EXPECT_NE(render(host, positive, positive), render(quiet, positive, positive));
}

TEST_F(Sound, OneInputCountsOnceAndBothCountTwice) {
    PluginHost quiet;
    ASSERT_TRUE(openQuietTwin(quiet));
    std::vector<float> signal(256, 0.4f);
    std::vector<float> silence(256, 0.0f);
    // 0.4 alone stays below 0.5; 0.4 on both inputs is 0.8.
    EXPECT_EQ(render(host, signal, silence), render(quiet, signal, silence));
    EXPECT_EQ(render(host, silence, signal), render(quiet, silence, signal));
    EXPECT_NE(render(host, signal, signal), render(quiet, signal, signal));
}

TEST_F(Sound, SilenceNeverOpensTheGateAndSettlesToZero) {
    host.setParameter(kBuzz, 1.0f);
    std::vector<float> kick(64, 0.6f);
    render(host, kick, kick);
    std::vector<float> silence(44100, 0.0f);
    std::vector<float> out = render(host, silence, silence);
    for (float sample : out) {
        ASSERT_TRUE(std::isfinite(sample));
    }
    EXPECT_LT(std::fabs(out.back()), 1e-6f);
    // Nothing but decay: the tail is monotonically closer to zero than its start.
    EXPECT_LT(std::fabs(out.back()), std::fabs(out[100]));
}

TEST_F(Sound, FullSensitivityTurnsSilenceIntoADecayingStep) {
    host.setParameter(kSens, 1.0f);
    host.setParameter(kBuzz, 0.5f);
    std::vector<float> silence(44100, 0.0f);
    std::vector<float> out = render(host, silence, silence);
    EXPECT_NEAR(out[0], 0.5f * ReferenceChain::kLowpassK, 1e-6);
    EXPECT_LT(std::fabs(out.back()), 1e-4f);
}

TEST_F(Sound, ZeroSensitivityNeedsTheInputsToExceedOneTogether) {
    PluginHost quiet;
    ASSERT_TRUE(openQuietTwin(quiet));
    host.setParameter(kSens, 0.0f);
    quiet.setParameter(kSens, 0.0f);
    std::vector<float> below(128, 0.45f);
    std::vector<float> above(128, 0.55f);
    EXPECT_EQ(render(host, below, below), render(quiet, below, below));
    EXPECT_NE(render(host, above, above), render(quiet, above, above));
}

TEST_F(Sound, ReplacingOverwritesAndAccumulatingAdds) {
    PluginHost twin;
    ASSERT_NE(twin.open(), nullptr);
    const std::vector<float> signal = voice(512, 0.45);

    StereoBlock replaced(512, 0.0f, 7.0f);
    StereoBlock accumulated(512, 0.0f, 0.25f);
    for (int channel = 0; channel < 2; ++channel) {
        replaced.in[channel] = signal;
        accumulated.in[channel] = signal;
    }
    host.processReplacing(replaced);
    twin.process(accumulated);
    for (std::size_t n = 0; n < signal.size(); ++n) {
        ASSERT_EQ(replaced.out[0][n], replaced.out[1][n]);
        ASSERT_NE(replaced.out[0][n], 7.0f);
        ASSERT_EQ(accumulated.out[0][n], 0.25f + replaced.out[0][n]) << n;
        ASSERT_EQ(accumulated.out[1][n], 0.25f + replaced.out[1][n]) << n;
    }
}

TEST_F(Sound, EmptyOrNegativeBlocksTouchNothing) {
    StereoBlock block(16, 0.4f, 3.0f);
    for (Int32 frames : {0, -1, -512}) {
        host.processReplacing(block.inputs(), block.outputs(), frames);
        host.process(block.inputs(), block.outputs(), frames);
    }
    expectUntouchedAndAtRest(block, 3.0f);
}

TEST_F(Sound, MissingChannelArraysAreIgnored) {
    StereoBlock block(32, 0.4f, 3.0f);
    float* noChannels[2] = {nullptr, nullptr};
    float* halfInputs[2] = {block.in[0].data(), nullptr};
    host.processReplacing(nullptr, block.outputs(), 32);
    host.processReplacing(block.inputs(), nullptr, 32);
    host.process(nullptr, block.outputs(), 32);
    host.process(block.inputs(), nullptr, 32);
    host.process(nullptr, nullptr, 32);
    host.processReplacing(noChannels, block.outputs(), 32);
    host.processReplacing(halfInputs, block.outputs(), 32);
    host.process(block.inputs(), noChannels, 32);
    expectUntouchedAndAtRest(block, 3.0f);
}

TEST_F(Sound, SampleRateChangesDoNotRetuneTheFilters) {
    PluginHost at48k;
    ASSERT_NE(at48k.open(), nullptr);
    at48k.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    at48k.dispatch(effSetBlockSize, 0, 256);
    at48k.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    host.dispatch(effMainsChanged, 0, 1);
    const std::vector<float> signal = voice(4096, 0.45);
    EXPECT_EQ(render(at48k, signal, signal, 256), render(host, signal, signal, 256));

    at48k.dispatch(effSetBlockSizeAndSampleRate, 0, 128, nullptr, 96000.0f);
    host.dispatch(effMainsChanged, 0, 0);
    at48k.dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(render(at48k, signal, signal, 128), render(host, signal, signal, 128));
}

TEST_F(Sound, NonFiniteInputDoesNotSilenceTheEffectForEver) {
    PluginHost clean;
    ASSERT_NE(clean.open(), nullptr);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> poison(64, 0.3f);
    poison[10] = nan;
    poison[20] = inf;
    poison[30] = -inf;
    std::vector<float> poisonRight(64, 0.3f);
    poisonRight[40] = inf;
    poisonRight[41] = -inf;  // inf + -inf within one sum
    render(host, poison, poisonRight);

    // Both filters forget within a few thousand samples; after that the two
    // effects sound the same.
    const std::vector<float> signal = voice(8192, 0.45);
    std::vector<float> recovered = render(host, signal, signal);
    std::vector<float> reference = render(clean, signal, signal);
    for (std::size_t n = 0; n < recovered.size(); ++n) {
        ASSERT_TRUE(std::isfinite(recovered[n])) << n;
    }
    for (std::size_t n = 4096; n < recovered.size(); ++n) {
        ASSERT_NEAR(recovered[n], reference[n], 1e-6) << n;
    }
}

TEST_F(Sound, ParameterChangeTakesEffectAtTheNextSample) {
    // A host may automate inside a block by splitting it; a one-sample block
    // after the change already uses the new value.
    PluginHost quiet;
    ASSERT_NE(quiet.open(), nullptr);
    std::vector<float> steady(100, 0.4f);
    render(host, steady, steady);
    render(quiet, steady, steady);
    host.setParameter(kBuzz, 0.0f);
    quiet.setParameter(kBuzz, 0.0f);
    quiet.setParameter(kSens, 0.0f);  // gate closed in the second one: same x as buzz 0
    std::vector<float> one(1, 0.4f);
    EXPECT_EQ(render(host, one, one), render(quiet, one, one));
}

}  // namespace
}  // namespace qp::test
