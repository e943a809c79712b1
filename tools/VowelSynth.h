// The built-in test input: a sung "ah". A Rosenberg glottal pulse train (with
// vibrato and a phrase-like amplitude envelope), differentiated for the lips'
// radiation, through a cascade of five formant resonators. Deterministic, so the
// demo and the tests get the same file every time.
#pragma once

#include <cstdint>
#include <vector>

namespace qp::tools {

struct Formant {
    double frequency;  // Hz
    double bandwidth;  // Hz
};

struct VowelSettings {
    std::uint32_t sampleRate = 44100;
    double seconds = 3.0;
    double pitch = 165.0;           // Hz, the sung note (about E3)
    double vibratoRate = 5.5;       // Hz
    double vibratoDepth = 0.35;     // semitones either side, reached after the onset
    double attack = 0.12;           // s, raised-cosine rise
    double release = 0.35;          // s, raised-cosine fall
    double openQuotient = 0.45;     // share of the period in which the glottis opens
    double closingQuotient = 0.15;  // share in which it closes
    // "ah" as sung by a baritone.
    Formant formants[5] = {{730, 90}, {1090, 110}, {2440, 170}, {3400, 250}, {4500, 300}};
    // The highest positive sample of the result. Two copies sum to 0.8 at the
    // peaks, so with sens 0.5 the gate (sum > 0.5) opens on the main peak of each
    // period (about 6 % of the samples) and stays shut in between; the effect's
    // output then peaks just above full scale (its two inputs add).
    double peak = 0.4;
};

// Mono samples, normalised so that the largest positive sample is settings.peak.
std::vector<float> synthesizeVowel(const VowelSettings& settings = {});

}  // namespace qp::tools
