// The library loaded and unloaded over and over, as hosts that scan plug-ins in
// one process or unload a library with its last effect do: no cycle may keep a
// thread-local storage slot. A process has 1,088 of them, and a runtime that
// finds none left aborts the host. A soak (./run soak) runs 5,000 cycles of each.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "EditorSession.h"
#include "PluginHost.h"
#include "StressBudget.h"

namespace qp::test {
namespace {

constexpr long kNormalCycles = 300;
constexpr long kSoakCycles = 5000;
constexpr long kCheckEvery = 50;

// Free TLS slots of this process: taken until none is left, then given back.
int freeTlsSlots() {
    std::vector<DWORD> taken;
    for (DWORD slot = TlsAlloc(); slot != TLS_OUT_OF_INDEXES; slot = TlsAlloc()) {
        taken.push_back(slot);
    }
    for (DWORD slot : taken) {
        TlsFree(slot);
    }
    return int(taken.size());
}

struct CycleCase {
    const char* name;
    bool makeEffect;   // `main`, effOpen and effClose, or the library alone
    long editorEvery;  // cycles between two that open the editor too (0: none)
};

void PrintTo(const CycleCase& c, std::ostream* out) { *out << c.name; }

void cycle(const CycleCase& c, long number) {
    PluginHost host;
    ASSERT_TRUE(host.loaded()) << host.loadError();
    if (!c.makeEffect) {
        return;
    }
    ASSERT_NE(host.open(), nullptr);
    host.dispatch(effOpen);
    if (c.editorEvery > 0 && number % c.editorEvery == 0 && EditorSession::displayAvailable()) {
        EditorSession session(host);
        ASSERT_EQ(session.open(), 1);
        session.idle(20);
    }
    host.close();
}

class LoadUnloadCycles : public ::testing::TestWithParam<CycleCase> {};

TEST_P(LoadUnloadCycles, KeepsNoThreadLocalStorageSlot) {
    const CycleCase& c = GetParam();
    const long cycles = stress::soaking() ? kSoakCycles : kNormalCycles;
    // What the system libraries set up once, in the first cycle, is no loss.
    ASSERT_NO_FATAL_FAILURE(cycle(c, 0));
    const int before = freeTlsSlots();
    int now = before;
    for (long done = 1; done <= cycles; ++done) {
        ASSERT_NO_FATAL_FAILURE(cycle(c, done));
        if (done % kCheckEvery == 0 || done == cycles) {
            now = freeTlsSlots();
            // Stop at the first loss: going on would use up the slots and abort the run.
            ASSERT_EQ(now, before) << "free TLS slots after " << done << " cycles (" << c.name << ")";
        }
    }
    std::printf("%s: %ld cycles, free TLS slots %d before, %d after\n", c.name, cycles, before, now);
}

INSTANTIATE_TEST_SUITE_P(StressLoadUnload, LoadUnloadCycles,
                         ::testing::Values(CycleCase{"LoadAndUnload", false, 0},
                                           CycleCase{"MainOpenAndCloseWithTheEditorAtTimes", true, 25}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qp::test
