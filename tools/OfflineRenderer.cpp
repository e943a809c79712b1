#include "tools/OfflineRenderer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/SignalStats.h"

namespace qp::tools {

namespace {

constexpr int kHostChannels = 2;

std::string lowered(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string parameterName(AEffect* effect, int index) {
    char buffer[256] = {};
    effect->dispatcher(effect, effGetParamName, index, 0, buffer, 0.0f);
    return std::string(buffer, strnlen(buffer, kMaxParamTextLen - 1));
}

bool parseWholeInt(const std::string& text, long* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    *value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end != nullptr && *end == '\0';
}

}  // namespace

bool parseParameterAssignment(const std::string& text, ParameterAssignment* assignment, std::string* error) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size()) {
        *error = "parameter setting \"" + text + "\" is not NAME=VALUE or INDEX=VALUE";
        return false;
    }
    const std::string valueText = text.substr(equals + 1);
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(valueText.c_str(), &end);
    if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(value)) {
        *error = "parameter value \"" + valueText + "\" is not a number";
        return false;
    }
    assignment->key = text.substr(0, equals);
    assignment->value = float(value);
    return true;
}

int resolveParameter(AEffect* effect, const std::string& key, std::string* error) {
    long index = 0;
    if (parseWholeInt(key, &index)) {
        if (index >= 0 && index < effect->numParams) {
            return int(index);
        }
        *error = "parameter index " + key + " is out of range (the effect has " +
                 std::to_string(effect->numParams) + ")";
        return -1;
    }
    for (int i = 0; i < effect->numParams; ++i) {
        if (parameterName(effect, i) == key) {
            return i;
        }
    }
    for (int i = 0; i < effect->numParams; ++i) {
        if (lowered(parameterName(effect, i)) == lowered(key)) {
            return i;
        }
    }
    std::string names;
    for (int i = 0; i < effect->numParams; ++i) {
        names += (i ? ", " : "") + parameterName(effect, i);
    }
    *error = "the effect has no parameter \"" + key + "\" (it has: " + names + ")";
    return -1;
}

RenderResult renderThroughEffect(AEffect* effect, const Audio& input, const RenderOptions& options) {
    RenderResult result;
    if (input.channels.empty() || input.channels.size() > 2) {
        result.error = "the input must be mono or stereo";
        return result;
    }
    if (options.blockSize < 1 || options.blockSize > kMaxBlockSize) {
        result.error = "block size must be 1 to " + std::to_string(kMaxBlockSize);
        return result;
    }
    if (options.program >= effect->numPrograms || options.program < -1) {
        result.error = "program " + std::to_string(options.program) + " does not exist (the effect has " +
                       std::to_string(effect->numPrograms) + ")";
        return result;
    }
    std::vector<std::pair<int, float>> settings;
    for (const ParameterAssignment& assignment : options.parameters) {
        const int index = resolveParameter(effect, assignment.key, &result.error);
        if (index < 0) {
            return result;
        }
        settings.emplace_back(index, assignment.value);
    }

    auto dispatch = [effect](Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    };
    // A host's order: open, configure while switched off, choose the program,
    // then the parameters (they belong to that program), then switch on.
    dispatch(effOpen, 0, 0, nullptr, 0.0f);
    dispatch(effSetSampleRate, 0, 0, nullptr, float(input.sampleRate));
    dispatch(effSetBlockSize, 0, options.blockSize, nullptr, 0.0f);
    if (options.program >= 0) {
        dispatch(effSetProgram, 0, options.program, nullptr, 0.0f);
    }
    if (options.restore && !options.restore(effect, &result.error)) {
        return result;
    }
    for (const auto& [index, value] : settings) {
        effect->setParameter(effect, index, value);
    }
    result.sens = effect->numParams > 0 ? effect->getParameter(effect, 0) : 0.0f;
    dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);

    // The plug-in gets its own copies: it may write to its inputs, and a plug-in
    // that claims more pins than two still finds valid (silent) channels.
    const std::size_t block = std::size_t(options.blockSize);
    const int inputCount = std::max(kHostChannels, effect->numInputs);
    const int outputCount = std::max(kHostChannels, effect->numOutputs);
    std::vector<std::vector<float>> inputs(static_cast<std::size_t>(inputCount), std::vector<float>(block));
    std::vector<std::vector<float>> outputs(static_cast<std::size_t>(outputCount), std::vector<float>(block));
    std::vector<float*> inputPointers, outputPointers;
    for (auto& channel : inputs) {
        inputPointers.push_back(channel.data());
    }
    for (auto& channel : outputs) {
        outputPointers.push_back(channel.data());
    }
    const bool replacing = !options.accumulate && (effect->flags & effFlagsCanReplacing) != 0 &&
                           effect->processReplacing != nullptr;

    const std::size_t frames = input.frames();
    result.output.sampleRate = input.sampleRate;
    result.output.channels.assign(kHostChannels, std::vector<float>(frames));
    for (std::size_t start = 0; start < frames; start += block) {
        const std::size_t count = std::min(block, frames - start);
        for (int channel = 0; channel < kHostChannels; ++channel) {
            // A mono file feeds both inputs.
            const auto& source = input.channels[std::min<std::size_t>(channel, input.channels.size() - 1)];
            std::copy_n(source.begin() + std::ptrdiff_t(start), count, inputs[channel].begin());
        }
        if (replacing) {
            effect->processReplacing(effect, inputPointers.data(), outputPointers.data(), Int32(count));
        } else {
            for (auto& channel : outputs) {
                std::fill(channel.begin(), channel.end(), 0.0f);
            }
            effect->process(effect, inputPointers.data(), outputPointers.data(), Int32(count));
        }
        for (int channel = 0; channel < kHostChannels; ++channel) {
            std::copy_n(outputs[channel].begin(), count,
                        result.output.channels[channel].begin() + std::ptrdiff_t(start));
        }
    }
    dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
    result.ok = true;
    return result;
}

std::string figuresLine(const Audio& input, const Audio& output, float sens) {
    const LevelFigures in = measureLevels(input.channels);
    const LevelFigures out = measureLevels(output.channels);
    const double share = gateOpenShare(input.channels, sens);
    char line[256];
    std::snprintf(line, sizeof line,
                  "in: rms %.1f dBFS, peak %.1f dBFS | out: rms %.1f dBFS, peak %.1f dBFS | "
                  "gate open %.1f%% of samples (sens %.3f) | %zu frames at %u Hz",
                  in.rmsDb, in.peakDb, out.rmsDb, out.peakDb, 100.0 * share, double(sens), input.frames(),
                  unsigned(input.sampleRate));
    return line;
}

}  // namespace qp::tools
