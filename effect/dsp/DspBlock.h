// Base of the signal-processing blocks and the sample rate they all share.
#pragma once

namespace qp {

// The rate every block turns frequencies into coefficients with. It is one value
// for the whole library, shared by all effect instances: 44100 Hz at load time and
// again after every block construction. Only finite rates above zero are taken;
// zero, negative, infinite and NaN rates would give a frozen or NaN coefficient.
void setDspSampleRate(float rate);
float getDspSampleRate();

class DspBlock {
public:
    // Resets the shared rate to 44100 Hz, whatever it held before: every block is
    // tuned for that rate unless its owner sets another one after constructing it.
    DspBlock();
    virtual ~DspBlock();

    // A copy carries the block's state and leaves the shared rate alone, which is
    // how a sample loop keeps a filter in locals and writes it back once.
    DspBlock(const DspBlock&) = default;
    DspBlock& operator=(const DspBlock&) = default;
};

}  // namespace qp
