// Times a plug-in's processReplacing against the floor loop on the same input:
// stereo 512-frame blocks of the synthesized vowel, interleaved rounds so both
// see the same machine load, at least a second of processing each.
#pragma once

#include <functional>

#include "host/PluginInterface.h"

namespace qp::bench {

// Processes `frames` frames from two input channels into two output channels.
using BlockProcessor = std::function<void(float** inputs, float** outputs, int frames)>;

struct BenchSetup {
    int blockSize = 512;
    double minimumSeconds = 1.0;  // of processing, per contender
    int rounds = 8;
};

// Prints the figures of both and, last, the line "ratio=R" (plug-in time per
// frame over floor time per frame, best round of each). `fresh` must return
// processors whose state starts at rest; they are used once to check that the
// floor computes what the plug-in computes. Returns the ratio.
double runComparison(const char* pluginLabel, const std::function<BlockProcessor()>& freshPlugin,
                     const BenchSetup& setup = {});

// runComparison over plug-in records: each one `create` gives (it stops the
// bench itself when it has none) is set to 44.1 kHz, 512-frame blocks and
// switched on; all are closed once the figures are printed.
double runRecordComparison(const std::function<AEffect*()>& create);

}  // namespace qp::bench
