#include "effect/dsp/BuzzChain.h"

namespace qp {

BuzzChain::BuzzChain() = default;

void BuzzChain::tune() {
    highpass_.setType(OnePoleFilter::kHighpass);
    highpass_.setFrequency(kHighpassFrequency);
    lowpass_.setType(OnePoleFilter::kLowpass);
    lowpass_.setFrequency(kLowpassFrequency);
}

void BuzzChain::reset() {
    highpass_.setState(0.0f);
    lowpass_.setState(0.0f);
}

}  // namespace qp
