#include "bench/FloorLoop.h"

#include <atomic>
#include <bit>
#include <cstdint>

namespace qp::bench {

namespace {

constexpr double kSilenceOffset = 1e-11;

// Zero, subnormal, infinite and NaN states become +0 with one compare (the
// exponent field plus one is 0 or 1 only for all-ones and all-zeros).
inline float guarded(float state) {
    const std::uint32_t exponent = std::bit_cast<std::uint32_t>(state) >> 23;
    return ((exponent + 1u) & 0xFFu) <= 1u ? 0.0f : state;
}

}  // namespace

void floorLoop(const float* in0, const float* in1, float* out0, float* out1, int frames,
               FloorParameters& parameters, FloorFilters& filters) {
    float highpassState = filters.highpassState;
    float lowpassState = filters.lowpassState;
    const double highpassK = filters.highpassK;
    const double lowpassK = filters.lowpassK;
    std::atomic_ref<float> sens(parameters.sens);
    std::atomic_ref<float> buzz(parameters.buzz);

    for (int n = 0; n < frames; ++n) {
        const float mono = float(double(in0[n]) + double(in1[n]) + kSilenceOffset);
        const double threshold = 1.0 - double(sens.load(std::memory_order_relaxed));
        const float step = threshold < double(mono) ? buzz.load(std::memory_order_relaxed) : 0.0f;
        const float x = step + mono;

        const double highDifference = double(x) - double(highpassState);
        const float highpassed = float(highDifference);
        highpassState = guarded(float(highDifference * highpassK + double(highpassState)));

        const double lowDifference = double(highpassed) - double(lowpassState);
        const float lowpassed = float(lowDifference * lowpassK + double(lowpassState));
        lowpassState = guarded(lowpassed);

        out0[n] = lowpassed;
        out1[n] = lowpassed;
    }
    filters.highpassState = highpassState;
    filters.lowpassState = lowpassState;
}

}  // namespace qp::bench
