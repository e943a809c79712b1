// The figures the renderer prints: level and peak in dBFS, and how often the
// plug-in's gate was open. The plug-in does not report its gate, so the share
// is found by evaluating the same condition on the input.
#pragma once

#include <cstddef>
#include <vector>

namespace qp::tools {

// Levels below this print as this many dBFS (digital silence has no logarithm).
constexpr double kSilenceDb = -200.0;

struct LevelFigures {
    double rmsDb = kSilenceDb;   // over all samples of all channels
    double peakDb = kSilenceDb;  // largest magnitude
};

LevelFigures measureLevels(const std::vector<std::vector<float>>& channels);

// Share (0..1) of frames in which in0 + in1 + 1e-11 > 1 - sens, with the sum
// formed in double and stored as float as the plug-in forms it. A mono input
// feeds both plug-in inputs, so it counts twice.
double gateOpenShare(const std::vector<std::vector<float>>& channels, float sens);

}  // namespace qp::tools
