// The audio entries (processReplacing, process, effProcessEvents) make no call
// out of the library: no allocation, lock, wait, message, file, registry or
// drawing call. Every import slot of the built library counts the calls the
// audio thread makes through it while the editor is open and idled on the
// window thread, parameters move, controllers are learnt and programs change.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <thread>

#include "EditorSession.h"
#include "ImportCalls.h"
#include "MidiE2eSupport.h"
#include "StressBudget.h"
#include "effect/ParameterRecords.h"

namespace qp::test {
namespace {

// Reading the thread's own id from its environment block enters no kernel and
// waits for nothing; the editor uses it to tell the window thread from others.
bool harmless(const std::string& name) { return name == "KERNEL32.dll!GetCurrentThreadId"; }

std::map<std::string, long> withoutHarmless(std::map<std::string, long> counts) {
    std::erase_if(counts, [](const auto& entry) { return harmless(entry.first); });
    return counts;
}

class StressRealTime : public OpenEffectTest {
protected:
    void SetUp() override {
        OpenEffectTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        calls = std::make_unique<ImportCalls>(GetModuleHandleA("Quorrelphone.dll"));
        ASSERT_GT(calls->slots(), 100u);
    }
    void TearDown() override {
        calls.reset();
        OpenEffectTest::TearDown();
    }

    std::unique_ptr<ImportCalls> calls;
};

TEST_F(StressRealTime, TheCountersSeeTheCallsOfOtherEntries) {
    // The same counters that must stay at zero below do count: making an
    // effect allocates; the chunk and rate paths, by contrast, call nothing.
    calls->arm(GetCurrentThreadId());
    {
        PluginHost another;
        ASSERT_NE(another.open(), nullptr);
    }
    const auto construction = calls->counts();
    std::printf("calls of making and closing an effect: %s\n", describeCalls(construction).c_str());
    EXPECT_GT(construction.count("msvcrt.dll!malloc"), 0u);
    EXPECT_GT(construction.count("msvcrt.dll!free"), 0u);
    calls->reset();
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    host.dispatch(effMainsChanged, 0, 1);
    std::vector<unsigned char> bank = chunkOf(host, false);
    ASSERT_EQ(bank.size(), 360u);
    EXPECT_EQ(setChunk(host, bank.data(), Int32(bank.size()), false), 1);
    std::printf("calls of a rate change and a bank round trip: %s\n", describeCalls(calls->counts()).c_str());
    if (!EditorSession::displayAvailable()) {
        GTEST_SKIP() << "the editor's windows need a display";
    }
    calls->reset();
    {
        EditorSession session(host);
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, session.hostWindow()), 1);
        host.dispatch(effEditIdle);
        host.dispatch(effEditClose);
    }
    calls->disarm();
    const auto editor = calls->counts();
    std::printf("calls of one editor open, idle and close: %s\n", describeCalls(editor).c_str());
    EXPECT_GT(editor.count("USER32.dll!CreateWindowExA"), 0u);
    EXPECT_GT(editor.count("msvcrt.dll!malloc"), 0u);
    EXPECT_GT(withoutHarmless(editor).size(), 5u);
    // Nothing is counted on a thread that is not armed.
    calls->reset();
    std::thread([&] { host.dispatch(effGetChunk, 0, 0, &bank); }).join();
    EXPECT_TRUE(calls->counts().empty()) << describeCalls(calls->counts());
}

TEST_F(StressRealTime, AudioEntriesCallNothingOutsideTheLibrary) {
    const bool withEditor = EditorSession::displayAvailable();
    std::unique_ptr<EditorSession> session;
    if (withEditor) {
        session = std::make_unique<EditorSession>(host);
        ASSERT_EQ(session->open(), 1);
    }
    // Controllers to learn: the next controller change after each command binds.
    host.setParameter(kLearnCommand, 0.0f);

    const std::vector<float> signal = stress::voice(8192, 0.6);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::atomic<bool> done{false};
    std::atomic<long> blocks{0};
    std::atomic<long> eventLists{0};
    std::map<std::string, long> seen;

    std::thread audio([&] {
        // Everything the audio thread needs is made before counting starts.
        StereoBlock block(4096);
        MidiList learnt, program, mixed, notes;
        learnt.add(0xB0, 21, 100);
        program.add(0xC0, 3, 0).add(0xC5, 0, 0);
        mixed.add(0xB3, 21, 10).add(0xB0, 22, 90).add(0xF8, 0, 0).add(0xE0, 1, 64).add(0xB0, 21, 127);
        notes.add(0x90, 60, 100).add(0x80, 60, 0).add(0x90, 64, 0);
        VstEvents empty{};
        const Int32 sizes[] = {1, 7, 64, 512, 4096, 333};
        const stress::Budget budget(600, stress::kRealTimeShare);

        calls->arm(GetCurrentThreadId());
        std::size_t position = 0;
        for (long round = 0; budget.more(round); ++round) {
            const Int32 frames = sizes[round % std::size(sizes)];
            for (Int32 n = 0; n < frames; ++n) {
                const float x = signal[(position + std::size_t(n)) % signal.size()];
                block.in[0][std::size_t(n)] = x;
                block.in[1][std::size_t(n)] = round % 97 == 5 && n == 0 ? (round % 2 ? nan : inf) : x;
            }
            position += std::size_t(frames);
            float* in[2] = {block.in[0].data(), block.in[1].data()};
            float* out[2] = {block.out[0].data(), block.out[1].data()};
            if (round % 3 == 0) {
                host.process(in, out, frames);
            } else {
                host.processReplacing(in, out, frames);
            }
            ++blocks;
            switch (round % 5) {
                case 0:
                    learnt.sendTo(host);
                    break;
                case 1:
                    mixed.sendTo(host);
                    break;
                case 2:
                    notes.sendTo(host);
                    break;
                case 3:
                    if (round % 50 == 3) {
                        program.sendTo(host);
                    }
                    break;
                default:
                    host.dispatch(effProcessEvents, 0, 0, round % 2 ? &empty : nullptr);
                    break;
            }
            ++eventLists;
        }
        calls->disarm();
        seen = calls->counts();
        done = true;
    });

    // The window thread meanwhile: automation, learn commands and idling.
    for (int round = 0; !done; ++round) {
        host.setParameter(round % 2, float(round % 11) / 10.0f);
        if (round % 7 == 0) {
            host.setParameter(kLearnCommand, float(round % 2));
        }
        if (withEditor) {
            session->idle(10);
        } else {
            Sleep(5);
        }
    }
    audio.join();
    std::printf("audio thread: %ld blocks, %ld event lists, editor %s; calls out of the library: %s\n",
                blocks.load(), eventLists.load(), withEditor ? "open" : "closed",
                describeCalls(seen).c_str());
    EXPECT_TRUE(withoutHarmless(seen).empty()) << describeCalls(seen);
    // The counters work on the audio thread too: the editor asks it for its id
    // when a learnt controller or a program change moves a knob.
    if (withEditor) {
        EXPECT_GT(seen["KERNEL32.dll!GetCurrentThreadId"], 0);
    }
    // The audio thread really learnt controllers on the way.
    ParameterBlock bank;
    const std::vector<unsigned char> bytes = chunkOf(host, false);
    ASSERT_EQ(bytes.size(), sizeof bank);
    std::memcpy(&bank, bytes.data(), sizeof bank);
    EXPECT_NE(bank.parameters[0].learnedController + bank.parameters[1].learnedController, 0);
}

}  // namespace
}  // namespace qp::test
