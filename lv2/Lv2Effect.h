// One LV2 instance: the shared signal chain behind the plug-in's six ports. It
// knows ports and blocks only; the LV2 record that hosts call lives in
// Lv2Descriptor.cpp.
#pragma once

#include <cstdint>

#include "effect/ParameterRecords.h"
#include "effect/dsp/BuzzChain.h"

namespace qp::lv2 {

class Lv2Effect final {
public:
    // The chain tuned for 44100 Hz, as the VST 2 edition is at every rate, so a
    // host's rate changes nothing in the sound; controls at their defaults.
    Lv2Effect();

    // Remembers where a port's data is; any pointer, null included, and any index
    // (an unknown one is ignored). Nothing is read here.
    void connectPort(std::uint32_t port, void* data);

    // Back to rest: the filters forget the signal that ran before.
    void activate();

    // Reads the controls once, then renders `frames` frames. Inputs and outputs may
    // share buffers. While an audio port is unconnected (null) the block is
    // skipped: the connected outputs get silence and the filters keep their state.
    // Allocates nothing, takes no lock, makes no system call.
    void run(std::uint32_t frames);

private:
    void takeControlValues();

    BuzzChain chain_;
    const float* inLeft_ = nullptr;
    const float* inRight_ = nullptr;
    float* outLeft_ = nullptr;
    float* outRight_ = nullptr;
    const float* controls_[kParameterCount] = {};
    // Clamped to the port range; a non-finite control value is passed over, as the
    // VST 2 edition passes over a non-finite setParameter, so the last finite one
    // (at first the default) stays.
    float values_[kParameterCount];
};

}  // namespace qp::lv2
