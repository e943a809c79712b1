#include "effect/dsp/DspBlock.h"

#include <atomic>
#include <cmath>

namespace qp {

namespace {

constexpr float kDefaultDspSampleRate = 44100.0f;

// Atomic because effects may be built on different host threads at once; relaxed
// because the value is read only when a coefficient is computed, never per sample.
std::atomic<float> dspSampleRate{kDefaultDspSampleRate};

}  // namespace

void setDspSampleRate(float rate) {
    if (rate > 0.0f && std::isfinite(rate)) {
        dspSampleRate.store(rate, std::memory_order_relaxed);
    }
}

float getDspSampleRate() { return dspSampleRate.load(std::memory_order_relaxed); }

DspBlock::DspBlock() { dspSampleRate.store(kDefaultDspSampleRate, std::memory_order_relaxed); }

DspBlock::~DspBlock() = default;

}  // namespace qp
