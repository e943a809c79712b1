#include "effect/dsp/OnePoleFilter.h"

namespace qp {

namespace {

// The filters were tuned with this rounded 2 pi; keeping it keeps their sound.
constexpr double kTwoPi = 6.28319;

}  // namespace

OnePoleFilter::OnePoleFilter() = default;

OnePoleFilter::~OnePoleFilter() = default;

void OnePoleFilter::setFrequency(float frequency) {
    coefficient_ = float(kTwoPi / double(getDspSampleRate()) * double(frequency));
}

}  // namespace qp
