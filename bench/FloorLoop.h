// The floor the plug-in's sample loop is measured against: the same per-sample
// arithmetic (sum in double stored as float, signed gate, step, one-pole
// highpass then lowpass with the denormal guard, same rounding points) written
// inline in one function, filter state in locals, parameters read per sample.
#pragma once

namespace qp::bench {

struct FloorParameters {
    float sens = 0.5f;
    float buzz = 0.5f;
};

struct FloorFilters {
    float highpassState = 0.0f;
    float lowpassState = 0.0f;
    // The product computes both coefficients once, at 44100 Hz, with 6.28319.
    float highpassK = float(6.28319 / 44100.0 * 400.0);
    float lowpassK = float(6.28319 / 44100.0 * 3000.0);
};

// Parameters are read through relaxed atomic loads, as the plug-in reads values
// another thread may write.
void floorLoop(const float* in0, const float* in1, float* out0, float* out1, int frames,
               FloorParameters& parameters, FloorFilters& filters);

}  // namespace qp::bench
