// The sample loop: gate, filters, the two processing entries and the host's
// rate, block and on/off requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

struct Block {
    Block(std::vector<float> left, std::vector<float> right)
        : in{std::move(left), std::move(right)},
          out{std::vector<float>(in[0].size(), 0.0f), std::vector<float>(in[0].size(), 0.0f)} {}
    Block(std::vector<float> both)
        : Block(both, both) {}

    float** inputs() {
        inputPointers[0] = in[0].data();
        inputPointers[1] = in[1].data();
        return inputPointers;
    }
    float** outputs() {
        outputPointers[0] = out[0].data();
        outputPointers[1] = out[1].data();
        return outputPointers;
    }
    Int32 frames() const { return Int32(in[0].size()); }

    // Frames [start, start + count) through processReplacing, as a host does
    // that splits its block to change a parameter in between.
    void replacePart(BuzzEffect& effect, Int32 start, Int32 count) {
        float* inPart[2] = {in[0].data() + start, in[1].data() + start};
        float* outPart[2] = {out[0].data() + start, out[1].data() + start};
        effect.processReplacing(inPart, outPart, count);
    }

    std::vector<float> in[2];
    std::vector<float> out[2];
    float* inputPointers[2];
    float* outputPointers[2];
};

class BuzzEffectProcessing : public ::testing::Test {
protected:
    std::unique_ptr<BuzzEffect> makeEffect() {
        return std::make_unique<BuzzEffect>(&RecordingHost::callback);
    }

    std::vector<float> replace(BuzzEffect& target, Block block) {
        target.processReplacing(block.inputs(), block.outputs(), block.frames());
        // Identical bits, NaN included.
        EXPECT_EQ(std::memcmp(block.out[0].data(), block.out[1].data(), block.out[0].size() * sizeof(float)),
                  0);
        return block.out[0];
    }
    std::vector<float> replace(Block block) { return replace(*effect, std::move(block)); }

    // A voice-like test signal made with exact arithmetic only, so that both builds
    // feed the effect the very same bits.
    static std::vector<float> sawtooth(int frames, int period, float amplitude) {
        std::vector<float> samples(frames);
        for (int n = 0; n < frames; ++n) {
            samples[n] = amplitude * (float(n % period) / float(period) - 0.5f);
        }
        return samples;
    }

    MemoryPlatformScope platform;
    RecordingHost host;
    EditorFactoryScope noEditor{nullptr};
    std::unique_ptr<BuzzEffect> effect = makeEffect();
};

TEST_F(BuzzEffectProcessing, FirstSampleFromRestIsBitExact) {
    // m = 0.8 opens the gate (0.5 < 0.8), x = 1.3 passes the highpass unchanged and
    // the lowpass scales it by k = 0.42742788.
    const std::vector<float> out = replace(Block({0.4f}));
    EXPECT_EQ(bitsOf(out[0]), 0x3f0e3f7du) << out[0];  // 0.55565625
}

TEST_F(BuzzEffectProcessing, LongRunIsBitExact) {
    // FNV-1a over the output bits of a gated sawtooth with parameter changes; the
    // figure was taken from the native build and must match the Windows build.
    Block block(sawtooth(4096, 100, 1.2f), sawtooth(4096, 75, 0.7f));
    effect->setParameter(kSensIndex, 0.35f);
    block.replacePart(*effect, 0, 2048);
    effect->setParameter(kBuzzIndex, 0.8f);
    block.replacePart(*effect, 2048, 2048);

    std::uint32_t hash = 2166136261u;
    for (float sample : block.out[0]) {
        hash = (hash ^ bitsOf(sample)) * 16777619u;
    }
    EXPECT_EQ(hash, 0xec40de59u);
}

TEST_F(BuzzEffectProcessing, SilenceNeverOpensTheGateAtMiddleSensitivity) {
    const std::vector<float> out = replace(Block(std::vector<float>(4410, 0.0f)));
    for (float sample : out) {
        ASSERT_LT(std::fabs(sample), 1e-10f);
    }
}

TEST_F(BuzzEffectProcessing, FullSensitivityTurnsSilenceIntoADecayingStep) {
    effect->setParameter(kSensIndex, 1.0f);  // threshold 0: even 1e-11 opens the gate
    const std::vector<float> out = replace(Block(std::vector<float>(44100, 0.0f)));
    EXPECT_GT(out[0], 0.2f);
    EXPECT_LT(std::fabs(out.back()), 1e-6f);  // the highpass removes the constant
}

TEST_F(BuzzEffectProcessing, GateComparesTheSignedSumOfBothInputs) {
    // sens = 0 puts the threshold at 1.0; the buzz step is the difference between
    // an effect with buzz 1 and one with buzz 0 on the same first sample.
    auto buzzStep = [&](float left, float right) {
        auto fresh = makeEffect();
        fresh->setParameter(kSensIndex, 0.0f);
        fresh->setParameter(kBuzzIndex, 1.0f);
        const float withBuzz = replace(*fresh, Block({left}, {right}))[0];
        auto reference = makeEffect();
        reference->setParameter(kSensIndex, 0.0f);
        reference->setParameter(kBuzzIndex, 0.0f);
        return withBuzz - replace(*reference, Block({left}, {right}))[0];
    };
    EXPECT_GT(buzzStep(0.6f, 0.6f), 0.4f);  // 1.2 > 1.0: a full step of buzz
    EXPECT_EQ(buzzStep(0.6f, 0.0f), 0.0f);  // one input counts once
    EXPECT_EQ(buzzStep(0.45f, 0.45f), 0.0f);
    EXPECT_EQ(buzzStep(-3.0f, -3.0f), 0.0f);  // the magnitude does not count
}

TEST_F(BuzzEffectProcessing, ParameterChangesApplyFromTheNextSample) {
    Block block(std::vector<float>(2, 0.0f));
    effect->setParameter(kSensIndex, 1.0f);
    block.replacePart(*effect, 0, 1);
    effect->setParameter(kBuzzIndex, 0.0f);
    block.replacePart(*effect, 1, 1);
    EXPECT_GT(block.out[0][0], 0.2f);
    EXPECT_LT(block.out[0][1], block.out[0][0]);
}

TEST_F(BuzzEffectProcessing, AccumulatingAddsWhatReplacingWrites) {
    const std::vector<float> signal = sawtooth(512, 64, 1.5f);
    const std::vector<float> replaced = replace(*makeEffect(), Block(signal));

    Block block(signal);
    std::fill(block.out[0].begin(), block.out[0].end(), 1.0f);
    std::fill(block.out[1].begin(), block.out[1].end(), -2.0f);
    effect->process(block.inputs(), block.outputs(), block.frames());
    for (std::size_t n = 0; n < signal.size(); ++n) {
        ASSERT_EQ(block.out[0][n], 1.0f + replaced[n]) << n;
        ASSERT_EQ(block.out[1][n], -2.0f + replaced[n]) << n;
    }
}

TEST_F(BuzzEffectProcessing, ProcessingInPlaceGivesTheSameSamples) {
    const std::vector<float> signal = sawtooth(256, 40, 1.5f);
    const std::vector<float> separate = replace(*makeEffect(), Block(signal));
    std::vector<float> left = signal, right = signal;
    float* channels[2] = {left.data(), right.data()};
    effect->processReplacing(channels, channels, Int32(signal.size()));
    EXPECT_EQ(left, separate);
    EXPECT_EQ(right, separate);
}

// The record's entries, which enter the sample loop on their own path, render
// what the effect's members render, in blocks as small as one frame; a record
// without its effect renders nothing.
TEST_F(BuzzEffectProcessing, RecordEntriesRenderWhatTheMembersRender) {
    const std::vector<float> signal = sawtooth(300, 37, 1.6f);
    const std::vector<float> whole = replace(*makeEffect(), Block(signal));
    struct Case {
        bool accumulating;
        Int32 blockSize;
    };
    for (const Case& c : {Case{false, 1}, Case{false, 7}, Case{true, 1}, Case{true, 64}}) {
        SCOPED_TRACE(testing::Message()
                     << (c.accumulating ? "process" : "processReplacing") << " in blocks of " << c.blockSize);
        const std::unique_ptr<BuzzEffect> target = makeEffect();
        AEffect* record = target->record();
        Block block(signal);
        std::fill(block.out[0].begin(), block.out[0].end(), c.accumulating ? 0.25f : 9.0f);
        AEffect orphan = *record;
        orphan.object = nullptr;
        for (Int32 start = 0; start < block.frames(); start += c.blockSize) {
            const Int32 count = std::min(c.blockSize, block.frames() - start);
            float* in[2] = {block.in[0].data() + start, block.in[1].data() + start};
            float* out[2] = {block.out[0].data() + start, block.out[1].data() + start};
            (c.accumulating ? orphan.process : orphan.processReplacing)(&orphan, in, out, count);
            (c.accumulating ? record->process : record->processReplacing)(record, in, out, count);
        }
        for (std::size_t n = 0; n < signal.size(); ++n) {
            ASSERT_EQ(block.out[0][n], (c.accumulating ? 0.25f : 0.0f) + whole[n]) << n;
            ASSERT_EQ(block.out[1][n], whole[n]) << n;
        }
    }
}

TEST_F(BuzzEffectProcessing, EmptyOrMissingBuffersTouchNothing) {
    Block block({0.4f});
    block.out[0][0] = block.out[1][0] = 7.0f;
    effect->processReplacing(block.inputs(), block.outputs(), 0);
    effect->process(block.inputs(), block.outputs(), -5);
    effect->processReplacing(nullptr, block.outputs(), 1);
    effect->process(block.inputs(), nullptr, 1);
    for (int missing = 0; missing < 4; ++missing) {
        float** in = block.inputs();
        float** out = block.outputs();
        (missing < 2 ? in : out)[missing % 2] = nullptr;
        effect->processReplacing(in, out, 1);
        effect->process(in, out, 1);
    }
    EXPECT_EQ(block.out[0][0], 7.0f);
    EXPECT_EQ(block.out[1][0], 7.0f);
    // The filters did not move either: the next sample is the first from rest.
    EXPECT_EQ(bitsOf(replace(Block({0.4f}))[0]), 0x3f0e3f7du);
}

TEST_F(BuzzEffectProcessing, NonFiniteInputDoesNotSilenceTheEffect) {
    const std::vector<float> signal = sawtooth(64, 16, 1.5f);
    const std::vector<float> fromRest = replace(*makeEffect(), Block(signal));
    for (float bad : {kNaN, kInfinity, -kInfinity, std::numeric_limits<float>::max()}) {
        auto fresh = makeEffect();
        replace(*fresh, Block({0.3f, 0.9f}));
        replace(*fresh, Block({bad}));
        // Both filter states were reset, so the effect continues as from rest.
        EXPECT_EQ(replace(*fresh, Block(signal)), fromRest) << bad;
    }
}

TEST_F(BuzzEffectProcessing, HostRateChangesDoNotRetuneTheFilters) {
    const std::vector<float> signal = sawtooth(256, 50, 1.5f);
    const std::vector<float> at44100 = replace(*makeEffect(), Block(signal));
    effect->dispatcher(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->dispatcher(effSetBlockSize, 0, 256, nullptr, 0.0f);
    EXPECT_EQ(effect->getSampleRate(), 48000.0f);
    EXPECT_EQ(effect->getBlockSize(), 256);
    EXPECT_EQ(replace(Block(signal)), at44100);
}

TEST_F(BuzzEffectProcessing, StateCarriesAcrossBlocksAndSuspendResume) {
    const std::vector<float> signal = sawtooth(200, 30, 1.5f);
    const std::vector<float> whole = replace(*makeEffect(), Block(signal));
    std::vector<float> pieces = replace(Block({signal.begin(), signal.begin() + 77}));
    effect->dispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    const std::vector<float> rest = replace(Block({signal.begin() + 77, signal.end()}));
    pieces.insert(pieces.end(), rest.begin(), rest.end());
    EXPECT_EQ(pieces, whole);
}

TEST_F(BuzzEffectProcessing, EverySwitchOnAsksForMidi) {
    effect->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    effect->dispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effMainsChanged, 0, 5, nullptr, 0.0f);
    const auto wantMidi = host.callsWith(audioMasterWantMidi);
    ASSERT_EQ(wantMidi.size(), 2u);
    EXPECT_EQ(wantMidi[0].value, 1);
    EXPECT_EQ(wantMidi[1].value, 1);
}

}  // namespace
}  // namespace qp::test
