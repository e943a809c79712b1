#include <time.h>
#include <unistd.h>

#include "gui/System.h"

namespace qp {

namespace {

// X11 has no system-wide double-click setting of its own (each toolkit keeps
// one); this is the Windows default, which the controls were tuned with.
constexpr std::int32_t kDoubleClickMs = 500;

}  // namespace

std::uint32_t systemTicks() {
    // Monotonic: a change of the wall clock must not stretch or reverse a drag.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u);
}

std::int32_t doubleClickTime() { return kDoubleClickMs; }

std::uint32_t currentThreadId() { return std::uint32_t(gettid()); }

}  // namespace qp
