// The effect's signal chain and its sample loop, free of any plug-in interface:
// the two inputs summed to mono, a step of height `buzz` added while the sum
// rises above 1 - `sens`, then a 400 Hz highpass and a 3000 Hz lowpass, the
// result to both outputs. Every front end (the VST 2 effect, the LV2 plug-in)
// renders through `render` here, so they share one definition of the sound.
#pragma once

#include <cstdint>

#include "effect/dsp/OnePoleFilter.h"

namespace qp {

class BuzzChain final {
public:
    static constexpr float kHighpassFrequency = 400.0f;
    static constexpr float kLowpassFrequency = 3000.0f;
    // Added to every mono sum: silence reaches the gate and the filters as 1e-11,
    // not as exact zeros, so the filter states settle on a tiny normal value
    // instead of decaying through the subnormal range.
    static constexpr double kSilenceOffset = 1e-11;

    // The filters at rest, untuned (constructing them resets the shared DSP rate
    // to 44100 Hz, see DspBlock).
    BuzzChain();

    // Sets the filters' types and frequencies at the shared DSP rate of the moment.
    // Owners call it right after construction, when that rate is 44100 Hz, so the
    // coefficients are those of 44100 Hz whatever rate a host runs at later.
    void tune();

    // Both filters back to rest; the coefficients stay.
    void reset();

    const OnePoleFilter& highpass() const { return highpass_; }
    const OnePoleFilter& lowpass() const { return lowpass_; }

    // Renders `frames` samples (nothing for 0 or fewer). Inputs and outputs may be
    // the same arrays (in-place hosts): each sample is read before it is written.
    //
    // `values.atSample()` is called once per sample and gives what that sample
    // reads: its `sens()` every sample, its `buzz()` only while the gate is open.
    // A front end that follows values written by other threads reads them there;
    // one that takes them once per block hands out the same pair every time.
    // `deliver(out, sample)` stores a result (replacing or accumulating).
    //
    // Always inlined into the front end's block function: called, it would take
    // `values` through memory the caller has just written, and at small blocks
    // that round trip, not the samples, is what a block costs.
    template <typename Values, typename Deliver>
    [[gnu::always_inline]] void render(const float* in0, const float* in1, float* out0, float* out1,
                                       std::int32_t frames, const Values& values, Deliver deliver) {
        if (frames <= 0) {
            return;
        }
        const Loop<Values, Deliver> loop{in0, in1, out0, out1, values, deliver};
        // The filters run on locals (state, and the coefficient widened once) so they
        // stay in registers rather than being reloaded after every output store; their
        // types pick one of four loops here rather than a branch per sample.
        float first = highpass_.state();
        float second = lowpass_.state();
        const double firstK = highpass_.coefficient();
        const double secondK = lowpass_.coefficient();
        if (highpass_.isHighpass()) {
            if (lowpass_.isHighpass()) {
                loop.template run<true, true>(frames, first, firstK, second, secondK);
            } else {
                loop.template run<true, false>(frames, first, firstK, second, secondK);
            }
        } else if (lowpass_.isHighpass()) {
            loop.template run<false, true>(frames, first, firstK, second, secondK);
        } else {
            loop.template run<false, false>(frames, first, firstK, second, secondK);
        }
        highpass_.setState(first);
        lowpass_.setState(second);
    }

private:
    template <typename Values, typename Deliver>
    struct Loop {
        const float* in0;
        const float* in1;
        float* out0;
        float* out1;
        Values values;
        Deliver deliver;

        template <bool FirstHighpass, bool SecondHighpass>
        void run(std::int32_t frames, float& firstState, double firstK, float& secondState,
                 double secondK) const {
            float first = firstState;
            float second = secondState;
            for (std::int32_t n = 0; n < frames; ++n) {
                const float mono = float(double(in0[n]) + double(in1[n]) + kSilenceOffset);
                const auto current = values.atSample();
                // The signed sum is compared, so only the part of the waveform above the
                // threshold opens the gate, and a NaN sum leaves it closed.
                const double threshold = 1.0 - double(current.sens());
                const float step = threshold < double(mono) ? current.buzz() : 0.0f;
                const float x = step + mono;
                const float sample = OnePoleFilter::step<SecondHighpass>(
                    OnePoleFilter::step<FirstHighpass>(x, firstK, first), secondK, second);
                deliver(out0[n], sample);
                deliver(out1[n], sample);
            }
            firstState = first;
            secondState = second;
        }
    };

    OnePoleFilter highpass_;
    OnePoleFilter lowpass_;
};

}  // namespace qp
