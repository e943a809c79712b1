// First-order recursive filter: s[n] = s[n-1] + k (x[n] - s[n-1]). Its lowpass
// output is s[n] (unit gain at 0 Hz), its highpass output x[n] - s[n-1] (a zero at
// 0 Hz). The per-sample operations are defined here so the effect's sample loop
// can inline them.
#pragma once

#include <bit>
#include <cstdint>

#include "effect/dsp/DspBlock.h"

namespace qp {

class OnePoleFilter final : public DspBlock {
public:
    static constexpr std::int32_t kLowpass = 0;
    static constexpr std::int32_t kHighpass = 1;

    OnePoleFilter();
    ~OnePoleFilter() override;
    OnePoleFilter(const OnePoleFilter&) = default;
    OnePoleFilter& operator=(const OnePoleFilter&) = default;

    // 1 (kHighpass) makes processSample return the highpass output; any other
    // value the lowpass output.
    void setType(std::int32_t type) { type_ = type; }
    // k = 2 pi f / rate at the shared rate of the moment; later rate changes do not
    // retune the filter.
    void setFrequency(float frequency);

    virtual float processSample(float x) {
        const double d = advance(x);
        output_ = type_ == kHighpass ? float(d) : newState_;
        commitState();
        return output_;
    }

    virtual float processLowpass(float x) {
        advance(x);
        commitState();
        return state_;
    }

    virtual float processHighpass(float x) {
        output_ = float(advance(x));
        commitState();
        return output_;
    }

    float state() const { return state_; }
    float coefficient() const { return coefficient_; }
    std::int32_t type() const { return type_; }

private:
    // d = x - s stays in double until it has been scaled by k, so the lowpass
    // result is rounded to float once; the highpass output is d rounded once.
    double advance(float x) {
        const double d = double(x) - double(state_);
        newState_ = float(d * double(coefficient_) + double(state_));
        return d;
    }

    // A state whose exponent field is all zeros (zero or subnormal) decays through
    // the slow subnormal range during silence; one whose field is all ones (inf or
    // NaN, from a non-finite input) would poison every later sample. Both become
    // +0. Adding one to the field maps those two cases, and only them, to 0 and 1,
    // so a normal sample costs a single compare.
    void commitState() {
        const std::uint32_t exponent = std::bit_cast<std::uint32_t>(newState_) >> kMantissaBits;
        if (((exponent + 1u) & kExponentMask) <= 1u) newState_ = 0.0f;
        state_ = newState_;
    }

    static constexpr int kMantissaBits = 23;
    static constexpr std::uint32_t kExponentMask = 0xFFu;

    float state_ = 0.0f;
    float coefficient_ = 1.0f;
    std::int32_t type_ = kLowpass;
    float output_ = 0.0f;
    float newState_ = 0.0f;
};

}  // namespace qp
