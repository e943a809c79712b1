// First-order recursive filter: s[n] = s[n-1] + k (x[n] - s[n-1]). Its lowpass
// output is s[n] (unit gain at 0 Hz), its highpass output x[n] - s[n-1] (a zero at
// 0 Hz). The per-sample arithmetic is one inline function, `step`, used both by
// the member operations and by sample loops that keep a filter's state and
// coefficient in locals, so there is a single definition of it.
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
        return type_ == kHighpass ? step<true>(x, coefficient_, state_)
                                  : step<false>(x, coefficient_, state_);
    }

    virtual float processLowpass(float x) {
        step<false>(x, coefficient_, state_);
        return state_;
    }

    virtual float processHighpass(float x) { return step<true>(x, coefficient_, state_); }

    float state() const { return state_; }
    float coefficient() const { return coefficient_; }
    std::int32_t type() const { return type_; }
    bool isHighpass() const { return type_ == kHighpass; }

    // Hands back a state a sample loop carried in a local. It goes through the
    // guard, so no caller can leave a subnormal or non-finite state behind.
    void setState(float state) { state_ = guarded(state); }

    // One sample on plain values: `state` becomes the guarded new state; the result
    // is the highpass output when Highpass, else the lowpass output (the new state
    // before the guard). k is the coefficient widened to double, which is exact,
    // so a loop can widen it once. d = x - s stays in double until it has been
    // scaled by k, so the lowpass result is rounded to float once; the highpass
    // output is d rounded once.
    template <bool Highpass>
    static float step(float x, double k, float& state) {
        const double d = double(x) - double(state);
        const float next = float(d * k + double(state));
        state = guarded(next);
        return Highpass ? float(d) : next;
    }

    // A state whose exponent field is all zeros (zero or subnormal) decays through
    // the slow subnormal range during silence; one whose field is all ones (inf or
    // NaN, from a non-finite input) would poison every later sample. Both become
    // +0. Adding one to the field maps those two cases, and only them, to 0 and 1,
    // so a normal sample costs a single compare.
    static float guarded(float state) {
        const std::uint32_t exponent = std::bit_cast<std::uint32_t>(state) >> kMantissaBits;
        return ((exponent + 1u) & kExponentMask) <= 1u ? 0.0f : state;
    }

private:
    static constexpr int kMantissaBits = 23;
    static constexpr std::uint32_t kExponentMask = 0xFFu;

    float state_ = 0.0f;
    float coefficient_ = 1.0f;
    std::int32_t type_ = kLowpass;
};

}  // namespace qp
