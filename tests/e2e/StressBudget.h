// What the stress battery shares: its size knob and a test signal.
//
// The normal run keeps every group to a few seconds under Wine. Setting
// QP_SOAK_SECONDS (./run soak SECONDS) makes each group run on until its share
// of that many seconds has passed, with at least its normal number of rounds.
#pragma once

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace qp::test::stress {

inline double soakSeconds() {
    const char* text = std::getenv("QP_SOAK_SECONDS");
    if (text == nullptr || *text == 0) {
        return 0.0;
    }
    const double seconds = std::atof(text);
    return std::isfinite(seconds) && seconds > 0.0 ? seconds : 0.0;
}

inline bool soaking() { return soakSeconds() > 0.0; }

// Rounds of one loop: `normal` rounds, or in a soak until its share of the soak
// time has passed.
class Budget {
public:
    Budget(long normalRounds, double soakShare)
        : normal_(normalRounds),
          deadline_(std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(soakSeconds() * soakShare))) {}

    // Whether round `done` (counted from 0) is still to run.
    bool more(long done) const {
        if (done < normal_) {
            return true;
        }
        return soaking() && std::chrono::steady_clock::now() < deadline_;
    }

private:
    long normal_;
    std::chrono::steady_clock::time_point deadline_;
};

// Shares of a soak, adding up to one.
constexpr double kThreadsShare = 0.35;
constexpr double kParallelShare = 0.25;
constexpr double kPartitionShare = 0.15;
constexpr double kRealTimeShare = 0.1;
constexpr double kSilenceShare = 0.15;

// A sung-vowel-like signal that crosses the gate at the default sensitivity:
// a 180 Hz fundamental with two harmonics and a slow swell.
inline std::vector<float> voice(std::size_t frames, double amplitude = 0.5, std::size_t offset = 0) {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = double(i + offset) / 44100.0;
        const double swell = 0.75 + 0.25 * std::sin(2 * kPi * 0.7 * t);
        samples[i] = float(amplitude * swell *
                           (0.7 * std::sin(2 * kPi * 180 * t) + 0.2 * std::sin(2 * kPi * 360 * t + 0.3) +
                            0.1 * std::sin(2 * kPi * 540 * t + 1.1)));
    }
    return samples;
}

}  // namespace qp::test::stress
