// The host's automation and the editor change parameters and programs while the
// audio thread runs the sample loop, with no locks in between. ThreadSanitizer
// watches every access; the test itself checks that the audio stays sane.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "effect/BuzzEffect.h"
#include "effect/PluginMain.h"

namespace qp::test {
namespace {

constexpr Int32 kFrames = 256;
constexpr int kAudioBlocks = 3000;

IntPtr QP_CDECL quietHost(AEffect*, Int32 opcode, Int32, IntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

EditorBase* plainEditor(EffectBase* effect) { return new EditorBase(effect); }

// Cheap deterministic values in [0, 1) for the automation thread.
class Values {
public:
    float next() {
        state_ = state_ * 1664525u + 1013904223u;
        return float(state_ >> 8) / 16777216.0f;
    }

private:
    std::uint32_t state_ = 12345u;
};

TEST(AutomationAgainstAudio, ParametersProgramsAndBanksChangeWhileTheSampleLoopRuns) {
    setEditorFactory(&plainEditor);
    AEffect* record = pluginMain(&quietHost);
    setEditorFactory(nullptr);
    ASSERT_NE(record, nullptr);
    record->dispatcher(record, effMainsChanged, 0, 1, nullptr, 0.0f);

    // The bank the user-interface thread reloads, taken while nothing else runs:
    // a host reads the chunk straight from the effect's live block.
    void* live = nullptr;
    const Int32 bankSize = Int32(record->dispatcher(record, effGetChunk, 0, 0, &live, 0.0f));
    ASSERT_EQ(bankSize, Int32(sizeof(ParameterBlock)));
    std::vector<unsigned char> bank(static_cast<unsigned char*>(live),
                                    static_cast<unsigned char*>(live) + bankSize);

    std::atomic<bool> audioDone{false};
    std::atomic<bool> allFinite{true};

    std::thread audio([&] {
        std::vector<float> left(kFrames), right(kFrames), outLeft(kFrames), outRight(kFrames);
        float* inputs[2] = {left.data(), right.data()};
        float* outputs[2] = {outLeft.data(), outRight.data()};
        for (int block = 0; block < kAudioBlocks; ++block) {
            for (Int32 n = 0; n < kFrames; ++n) {
                left[n] = right[n] = float((block * kFrames + n) % 97) / 97.0f - 0.5f;
            }
            if (block % 2 == 0) {
                record->processReplacing(record, inputs, outputs, kFrames);
            } else {
                record->process(record, inputs, outputs, kFrames);
            }
            for (Int32 n = 0; n < kFrames; ++n) {
                if (!std::isfinite(outLeft[n]) || outLeft[n] != outRight[n]) {
                    allFinite = false;
                }
            }
        }
        audioDone = true;
    });

    std::thread automation([&] {
        Values values;
        for (int step = 0; !audioDone; ++step) {
            record->setParameter(record, kSensIndex, values.next());
            record->setParameter(record, kBuzzIndex, values.next() * 1.5f - 0.25f);
            if (step % 16 == 0) {
                record->dispatcher(record, effSetProgram, 0, step / 16 % kProgramCount, nullptr, 0.0f);
            }
            (void)record->getParameter(record, kSensIndex);
        }
    });

    // The host's user-interface thread: idles the editor, reads what it shows, and
    // now and then reloads the bank, which rewrites values, flags and controllers
    // that the sample loop reads.
    std::thread userInterface([&] {
        char text[kMaxProgramNameLen];
        for (int step = 0; !audioDone; ++step) {
            if (step % 8 == 0) {
                record->dispatcher(record, effSetChunk, 0, bankSize, bank.data(), 0.0f);
            }
            record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
            record->dispatcher(record, effGetParamDisplay, kBuzzIndex, 0, text, 0.0f);
            (void)record->dispatcher(record, effGetProgram, 0, 0, nullptr, 0.0f);
            (void)record->getParameter(record, kBuzzIndex);
        }
    });

    audio.join();
    automation.join();
    userInterface.join();

    EXPECT_TRUE(allFinite);
    const float sens = record->getParameter(record, kSensIndex);
    EXPECT_GE(sens, 0.0f);
    EXPECT_LE(sens, 1.0f);
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

}  // namespace
}  // namespace qp::test
