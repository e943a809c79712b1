// Runs audio through a loaded plug-in the way a host's offline bounce does:
// the effect is set up (program, parameters, sample rate, block size), switched
// on, fed host-sized blocks, and switched off again. Uses nothing but the record.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/PluginInterface.h"
#include "tools/WavFile.h"

namespace qp::tools {

// "sens=0.8" or "0=0.8": a parameter by name or by index.
struct ParameterAssignment {
    std::string key;
    float value = 0.0f;
};

bool parseParameterAssignment(const std::string& text, ParameterAssignment* assignment, std::string* error);

constexpr int kDefaultBlockSize = 512;
constexpr int kMaxBlockSize = 1 << 16;

struct RenderOptions {
    std::vector<ParameterAssignment> parameters;
    int program = -1;  // -1 keeps the effect's current program
    int blockSize = kDefaultBlockSize;
    bool accumulate = false;  // process into zeroed outputs instead of processReplacing
    // Runs after the program is chosen and before the parameters are set (a
    // host restoring a saved state); a false return stops the render with its error.
    std::function<bool(AEffect*, std::string* error)> restore;
};

struct RenderResult {
    bool ok = false;
    std::string error;
    Audio output;       // stereo, the input's rate and length
    float sens = 0.0f;  // parameter 0 as the effect held it when processing began
};

// Finds a parameter by index text or by name (exact first, then ignoring case);
// -1 with an error naming the effect's parameters when there is none.
int resolveParameter(AEffect* effect, const std::string& key, std::string* error);

RenderResult renderThroughEffect(AEffect* effect, const Audio& input, const RenderOptions& options);

// One line: level and peak of input and output in dBFS, and the share of
// samples in which the gate condition held on the input.
std::string figuresLine(const Audio& input, const Audio& output, float sens);

}  // namespace qp::tools
