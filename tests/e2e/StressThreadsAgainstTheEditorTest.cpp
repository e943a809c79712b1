// A host's threads all at once against one effect with its editor: the window
// thread opens, idles and closes the editor again and again while an audio
// thread renders and feeds controller changes, an automation thread moves both
// parameters and replays learn and forget commands, and a chunk thread loads
// banks and presets. Nothing may crash or hang, no native object may pile up,
// every output stays finite, and the bank left at the end restores byte for
// byte into a fresh effect. Needs a display.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "EditorSession.h"
#include "ImportCounter.h"
#include "MidiE2eSupport.h"
#include "StressBudget.h"

namespace qp::test {
namespace {

constexpr long kEditorCycles = 300;
constexpr std::size_t kBankSize = 360;
constexpr Int32 kForgetOffset = 1000;
// A window cycle that does not come back within this long is a hang.
constexpr auto kHangLimit = std::chrono::seconds(60);

struct Chunks {
    std::vector<std::vector<unsigned char>> banks;
    std::vector<std::vector<unsigned char>> presets;
};

// Banks and presets as another instance of the effect saves them: renamed and
// moved programs, and controllers learnt for both parameters.
Chunks makeChunks() {
    Chunks chunks;
    PluginHost source;
    if (source.open() == nullptr) {
        return chunks;
    }
    for (int k = 0; k < 4; ++k) {
        source.dispatch(effSetProgram, 0, k * 2);
        char name[24];
        std::snprintf(name, sizeof name, "Stress %d", k);
        source.dispatch(effSetProgramName, 0, 0, name);
        source.setParameter(0, 0.1f + 0.2f * float(k));
        source.setParameter(1, 0.9f - 0.2f * float(k));
        source.setParameter(kLearnCommand, float(k % 2));
        controllerChange(source, k, 20 + k, 64);
        chunks.banks.push_back(chunkOf(source, false));
        chunks.presets.push_back(chunkOf(source, true));
    }
    return chunks;
}

// A crash on any thread ends the run at once with a line saying where, rather
// than leaving Wine's debugger to hold the process until the suite times out.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "crash: exception %08lx at %p on thread %lu during the editor stress\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress, static_cast<unsigned long>(GetCurrentThreadId()));
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

class StressThreads : public SettingsIsolated {
protected:
    void SetUp() override {
        previousFilter = SetUnhandledExceptionFilter(reportCrash);
        SettingsIsolated::SetUp();
        ASSERT_TRUE(host.loaded()) << host.loadError();
        if (!EditorSession::displayAvailable()) {
            GTEST_SKIP() << "the editor's windows need a display";
        }
        ImportCounter::install(GetModuleHandleA("Quorrelphone.dll"));
        ASSERT_NE(host.open(), nullptr);
    }
    void TearDown() override {
        SettingsIsolated::TearDown();
        SetUnhandledExceptionFilter(previousFilter);
    }

    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    PluginHost host;
};

TEST_F(StressThreads, EditorCyclesWhileAudioAutomationAndChunksRun) {
    const Chunks chunks = makeChunks();
    ASSERT_EQ(chunks.banks.size(), 4u);
    for (const auto& bank : chunks.banks) {
        ASSERT_EQ(bank.size(), kBankSize);
    }
    EditorSession session(host);

    long cycles = 0;
    auto cycle = [&] {
        ASSERT_EQ(host.dispatch(effEditOpen, 0, 0, session.hostWindow()), 1);
        EditorSession::pump();
        for (int i = 0; i < 3; ++i) {
            host.dispatch(effEditIdle);
            EditorSession::pump();
        }
        host.dispatch(effEditClose);
        EditorSession::pump();
        ++cycles;
    };
    cycle();
    const NativeCounts afterFirst = ImportCounter::live();
    const NativeCounts madeBefore = ImportCounter::made();

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, nonFinite{0}, automations{0}, learnCommands{0}, chunkLoads{0};
    std::atomic<long> progress{0};

    std::thread audio([&] {
        const std::vector<float> signal = stress::voice(44100, 0.6);
        StereoBlock block(256);
        std::size_t at = 0;
        for (long round = 0; !stop; ++round) {
            for (auto& channel : block.in) {
                for (std::size_t n = 0; n < channel.size(); ++n) {
                    channel[n] = signal[(at + n) % signal.size()];
                }
            }
            at += block.in[0].size();
            host.processReplacing(block);
            for (float sample : block.out[0]) {
                nonFinite += !std::isfinite(sample);
            }
            // The controllers the chunks and the learn commands bind.
            controllerChange(host, int(round % 16), 20 + int(round % 4), int(round % 128));
            ++blocks;
        }
    });
    std::thread automation([&] {
        std::uint32_t seed = 12345;
        for (long round = 0; !stop; ++round) {
            seed = seed * 1664525u + 1013904223u;
            host.setParameter(Int32(round % 2), float(seed >> 8) / float(1 << 24));
            ++automations;
            if (round % 5 == 0) {
                const Int32 parameter = Int32((seed >> 4) % 2);
                host.setParameter(kLearnCommand,
                                  float(round % 10 == 0 ? parameter : parameter + kForgetOffset));
                ++learnCommands;
            }
            if (round % 64 == 0) {
                Sleep(1);
            }
        }
    });
    std::thread loader([&] {
        for (long round = 0; !stop; ++round) {
            const bool preset = round % 3 == 2;
            const auto& chunk = preset ? chunks.presets[std::size_t(round) % chunks.presets.size()]
                                       : chunks.banks[std::size_t(round) % chunks.banks.size()];
            EXPECT_EQ(setChunk(host, chunk.data(), Int32(chunk.size()), preset), 1);
            ++chunkLoads;
            Sleep(1);
        }
    });
    std::thread watchdog([&] {
        long seen = -1;
        auto since = std::chrono::steady_clock::now();
        while (!stop) {
            Sleep(100);
            if (progress != seen) {
                seen = progress;
                since = std::chrono::steady_clock::now();
            } else if (std::chrono::steady_clock::now() - since > kHangLimit) {
                std::fprintf(stderr, "hang: no editor cycle for %lld s after %ld cycles\n",
                             static_cast<long long>(kHangLimit.count()), seen);
                std::abort();
            }
        }
    });

    const auto start = std::chrono::steady_clock::now();
    const stress::Budget budget(kEditorCycles - 1, stress::kThreadsShare);
    for (long round = 0; budget.more(round) && !HasFatalFailure(); ++round) {
        cycle();
        ++progress;
    }
    stop = true;
    for (std::thread* t : {&audio, &automation, &loader, &watchdog}) {
        t->join();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const NativeCounts afterAll = ImportCounter::live();
    const NativeCounts madeAll = ImportCounter::made();
    std::printf(
        "%ld editor cycles in %.1f s against %ld audio blocks, %ld automations (%ld learn/forget "
        "commands), %ld chunk loads; windows made %d, gdi objects made %d; live after the first cycle: %s; "
        "after all: %s\n",
        cycles, seconds, blocks.load(), automations.load(), learnCommands.load(), chunkLoads.load(),
        madeAll.windows - madeBefore.windows, madeAll.gdiObjects - madeBefore.gdiObjects,
        afterFirst.describe().c_str(), afterAll.describe().c_str());
    // All four threads really ran alongside the editor.
    EXPECT_GE(cycles, kEditorCycles);
    EXPECT_GT(madeAll.windows - madeBefore.windows, cycles / 2);
    EXPECT_GT(blocks.load(), cycles);
    EXPECT_GT(learnCommands.load(), 10);
    EXPECT_GT(chunkLoads.load(), 10);
    EXPECT_EQ(nonFinite.load(), 0);
    EXPECT_EQ(afterAll, afterFirst) << afterAll.describe();

    // What the effect holds now is a bank any instance takes back unchanged.
    const std::vector<unsigned char> last = chunkOf(host, false);
    ASSERT_EQ(last.size(), kBankSize);
    PluginHost fresh;
    ASSERT_NE(fresh.open(), nullptr);
    EXPECT_EQ(setChunk(fresh, last.data(), Int32(last.size()), false), 1);
    EXPECT_EQ(chunkOf(fresh, false), last);
}

}  // namespace
}  // namespace qp::test
