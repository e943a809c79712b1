#include "tools/VowelSynth.h"

#include <algorithm>
#include <cmath>

namespace qp::tools {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kVibratoOnset = 0.4;   // s before the vibrato starts to grow ...
constexpr double kVibratoGrowth = 0.6;  // ... and the time it takes to reach full depth

// Glottal flow over one period (phase 0..1): a half cosine rise while the folds
// open, a quarter cosine fall while they close, then closed.
double rosenbergPulse(double phase, double open, double closing) {
    if (phase < open) {
        return 0.5 * (1.0 - std::cos(kPi * phase / open));
    }
    if (phase < open + closing) {
        return std::cos(0.5 * kPi * (phase - open) / closing);
    }
    return 0.0;
}

double raisedCosine(double t, double length) {
    if (t <= 0.0) {
        return 0.0;
    }
    if (t >= length) {
        return 1.0;
    }
    return 0.5 * (1.0 - std::cos(kPi * t / length));
}

// Two-pole resonator with unit gain at 0 Hz (the classic formant synthesiser's).
class Resonator {
public:
    Resonator(const Formant& formant, double sampleRate) {
        const double r = std::exp(-kPi * formant.bandwidth / sampleRate);
        b1_ = 2.0 * r * std::cos(2.0 * kPi * formant.frequency / sampleRate);
        b2_ = -r * r;
        a0_ = 1.0 - b1_ - b2_;
    }

    double step(double x) {
        const double y = a0_ * x + b1_ * y1_ + b2_ * y2_;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double a0_, b1_, b2_;
    double y1_ = 0.0, y2_ = 0.0;
};

}  // namespace

std::vector<float> synthesizeVowel(const VowelSettings& settings) {
    const double rate = double(settings.sampleRate);
    const std::size_t frames = std::size_t(std::max(0.0, settings.seconds) * rate);
    std::vector<double> voice(frames);
    std::vector<Resonator> tract;
    for (const Formant& formant : settings.formants) {
        tract.emplace_back(formant, rate);
    }

    double phase = 0.0;
    double previousFlow = 0.0;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = double(n) / rate;
        const double depth = settings.vibratoDepth * raisedCosine(t - kVibratoOnset, kVibratoGrowth);
        const double semitones = depth * std::sin(2.0 * kPi * settings.vibratoRate * t);
        const double pitch = settings.pitch * std::pow(2.0, semitones / 12.0);
        phase += pitch / rate;
        phase -= std::floor(phase);

        const double envelope =
            raisedCosine(t, settings.attack) * raisedCosine(settings.seconds - t, settings.release);
        const double flow = envelope * rosenbergPulse(phase, settings.openQuotient, settings.closingQuotient);
        // Radiation at the lips differentiates the flow: the sharp closure
        // becomes the strong excitation that rings in the formants.
        double sample = flow - previousFlow;
        previousFlow = flow;
        for (Resonator& formant : tract) {
            sample = formant.step(sample);
        }
        voice[n] = sample;
    }

    double highest = 0.0;
    for (double sample : voice) {
        highest = std::max(highest, sample);
    }
    const double gain = highest > 0.0 ? settings.peak / highest : 0.0;
    std::vector<float> result(frames);
    for (std::size_t n = 0; n < frames; ++n) {
        result[n] = float(voice[n] * gain);
    }
    return result;
}

}  // namespace qp::tools
