// Double-click timing as plain logic, so it can be checked without a window or a
// clock. Presses arrive as separate button-down messages (the frame's window
// class asks for no double-click messages); a control decides itself whether a
// press completes a pair.
#pragma once

#include <cstdint>

namespace qp {

// The system's double-click time, raised to 250 ms: shorter settings would make
// a deliberate double click on a small control nearly impossible.
constexpr std::int32_t kMinimumDoubleClickInterval = 250;
constexpr std::int32_t doubleClickIntervalFrom(std::int32_t systemMilliseconds) {
    return systemMilliseconds < kMinimumDoubleClickInterval ? kMinimumDoubleClickInterval
                                                            : systemMilliseconds;
}

class DoubleClick {
public:
    explicit DoubleClick(std::int32_t intervalMs)
        : interval_(intervalMs) {}

    // A press at time now (tick milliseconds). The first press, and the press after
    // a completed pair, start a new pair. Elapsed time is taken modulo 2^32, so a
    // tick counter that wrapped or went past INT32_MAX still pairs presses.
    // now == 0 means there is no clock (a control outside an editor's frame):
    // without one no press is ever a double click.
    bool press(std::int32_t now) {
        if (now == kNoClock) {
            pending_ = false;
            return false;
        }
        if (pending_ && std::uint32_t(now) - std::uint32_t(last_) < std::uint32_t(interval_)) {
            pending_ = false;
            return true;
        }
        pending_ = true;
        last_ = now;
        return false;
    }

    std::int32_t interval() const { return interval_; }
    void setInterval(std::int32_t intervalMs) { interval_ = intervalMs; }

    static constexpr std::int32_t kNoClock = 0;

private:
    std::int32_t interval_;
    std::int32_t last_ = 0;
    bool pending_ = false;
};

}  // namespace qp
