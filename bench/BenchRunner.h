// Times plug-ins' block processing against the floor loop on the same input:
// stereo blocks of the synthesized vowel, at each block size asked for, the
// contenders interleaved round by round so all of them see the same machine load.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/PluginInterface.h"

namespace qp::bench {

// Processes `frames` frames from two input channels into two output channels.
using BlockProcessor = std::function<void(float** inputs, float** outputs, int frames)>;

// One thing to time. `fresh` must return processors whose state starts at rest;
// the first is used to check that the floor computes what the contender computes.
struct Contender {
    std::string label;
    std::function<BlockProcessor()> fresh;
};

struct BenchSetup {
    std::vector<int> blockSizes{512};
    int runs = 3;                // the figure printed is the median of these
    double secondsPerRun = 0.4;  // of processing, per contender and block size
    int rounds = 4;              // per run; a run's figure is its best round
    // When above 0: no timing, every contender and the floor just run this many
    // blocks at each size, so a profiler's counts divide into exact per-call costs.
    long long profileBlocks = 0;
};

// What one contender measured at one block size: the median over the runs of
// its time per frame and of its ratio to the floor loop timed in the same run.
struct Figure {
    double nanosecondsPerFrame = 0.0;
    double floorRatio = 0.0;
};

// Prints, per block size, one line with every contender's time per frame and
// ratio to the floor, then the floor's own time, and (with two or more
// contenders) the first one's time over each other's (median over the runs of
// the ratio within a run). Returns the figures,
// [contender][block size index].
std::vector<std::vector<Figure>> runComparison(const std::vector<Contender>& contenders,
                                               const BenchSetup& setup);

// Readies a plug-in's record as a host does before audio (44.1 kHz, blocks of
// `maximumBlock`, switched on) and wraps its processReplacing entry.
BlockProcessor startProcessing(AEffect* effect, int maximumBlock = 512);

// Block sizes written as "1,8,64" or "1-4096" (every power of two in the range);
// empty when the text is neither.
std::vector<int> parseBlockSizes(const std::string& text);

// Takes the options every bench shares (--frames, --runs, --seconds, --profile)
// at argv[i], moving i past a value it takes. False when argv[i] is none of them.
// A malformed --frames list empties setup.blockSizes, which the caller refuses.
bool takeSetupOption(int argc, char** argv, int& i, BenchSetup& setup);

}  // namespace qp::bench
