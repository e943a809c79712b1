// qphost: the project's own command-line VST 2 host (see tools/CommandLine.h),
// for the DLL on Windows and for Quorrelphone.so on Linux. Pictures of the
// editor are taken on Windows only (tools/EditorSnapshotWin32.cpp).
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/CommandLine.h"
#ifdef _WIN32
#include "tools/EditorSnapshot.h"
#endif
#include "tools/EffectInfo.h"
#include "tools/OfflineRenderer.h"
#include "tools/PluginLibrary.h"
#include "tools/PresetFile.h"
#include "tools/PresetTransfer.h"
#include "tools/SignalStats.h"
#include "tools/VowelSynth.h"
#include "tools/WavFile.h"

namespace qp::tools {
namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

int fail(const std::string& message) {
    std::cerr << "qphost: " << message << '\n';
    return kExitFailure;
}

std::string pluginPath(const CommandLine& line) {
    return line.library.empty() ? PluginLibrary::defaultPath() : line.library;
}

// The plug-in a preset command works on, loaded and its effect opened; effect
// stays null, and error says why, when it cannot be loaded.
struct OpenedPlugin {
    explicit OpenedPlugin(const CommandLine& line)
        : path(pluginPath(line)) {
        if (library.load(path, &error)) {
            effect = library.effect();
            effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        }
    }

    const std::string path;
    PluginLibrary library;
    std::string error;
    AEffect* effect = nullptr;
};

int runInfo(const CommandLine& line) {
    const std::string path = pluginPath(line);
    PluginLibrary library;
    std::string error;
    if (!library.load(path, &error)) {
        return fail(error);
    }
    printEffectInfo(library.effect(), path, std::cout);
    return 0;
}

// Reads a file named after --preset or --bank and checks it against the plug-in
// without sending the plug-in anything.
bool readFittingFile(AEffect* effect, const std::string& path, bool bank, PresetFile* file,
                     std::string* error) {
    PresetParseResult parsed = readPresetFile(path);
    if (!parsed.ok) {
        *error = parsed.error;
        return false;
    }
    if (isBank(parsed.file.kind) != bank) {
        *error = path + " is a " + (bank ? "preset" : "bank") + ", not a " + (bank ? "bank" : "preset") +
                 " (use " + (bank ? "--preset" : "--bank") + ")";
        return false;
    }
    const std::string misfit = checkPresetFits(parsed.file, pluginShape(effect));
    if (!misfit.empty()) {
        *error = path + ": " + misfit;
        return false;
    }
    *file = std::move(parsed.file);
    return true;
}

std::string parameterLine(AEffect* effect) {
    std::string text;
    for (Int32 i = 0; i < effect->numParams; ++i) {
        char name[256] = {};
        effect->dispatcher(effect, effGetParamName, i, 0, name, 0.0f);
        char value[64];
        std::snprintf(value, sizeof value, "%s%s %.6g", i ? ", " : "", name,
                      double(effect->getParameter(effect, i)));
        text += value;
    }
    return text;
}

int runPresetSave(const CommandLine& line) {
    OpenedPlugin plugin(line);
    if (plugin.effect == nullptr) {
        return fail(plugin.error);
    }
    AEffect* effect = plugin.effect;
    std::string error;

    // Every step is checked before the first one runs: a bad file or number
    // leaves nothing half-done and no output file.
    std::vector<PresetFile> files(line.presetSteps.size());
    std::vector<int> parameters(line.presetSteps.size(), -1);
    for (std::size_t i = 0; i < line.presetSteps.size(); ++i) {
        const PresetStep& step = line.presetSteps[i];
        switch (step.kind) {
            case PresetStep::Kind::Program:
                if (step.program >= effect->numPrograms) {
                    return fail("program " + std::to_string(step.program) +
                                " does not exist (the plug-in has " + std::to_string(effect->numPrograms) +
                                ")");
                }
                break;
            case PresetStep::Kind::Parameter:
                parameters[i] = resolveParameter(effect, step.parameter.key, &error);
                if (parameters[i] < 0) {
                    return fail(error);
                }
                if (!(step.parameter.value >= 0.0f && step.parameter.value <= 1.0f)) {
                    return fail("--param " + step.parameter.key + ": a saved value runs from 0 to 1");
                }
                break;
            case PresetStep::Kind::Preset:
            case PresetStep::Kind::Bank:
                if (!readFittingFile(effect, step.text, step.kind == PresetStep::Kind::Bank, &files[i],
                                     &error)) {
                    return fail(error);
                }
                break;
            case PresetStep::Kind::Name:
                break;
        }
    }
    for (std::size_t i = 0; i < line.presetSteps.size(); ++i) {
        const PresetStep& step = line.presetSteps[i];
        switch (step.kind) {
            case PresetStep::Kind::Program:
                effect->dispatcher(effect, effSetProgram, 0, step.program, nullptr, 0.0f);
                break;
            case PresetStep::Kind::Name: {
                char name[kMaxProgramNameLen] = {};
                step.text.copy(name, sizeof name - 1);
                effect->dispatcher(effect, effSetProgramName, 0, 0, name, 0.0f);
                break;
            }
            case PresetStep::Kind::Parameter:
                effect->setParameter(effect, parameters[i], step.parameter.value);
                break;
            case PresetStep::Kind::Preset:
            case PresetStep::Kind::Bank:
                if (!applyPresetFile(effect, files[i], false, &error)) {
                    return fail(step.text + ": " + error);
                }
                break;
        }
    }

    const std::string& outputPath = line.files[0];
    const bool bank = hasExtension(outputPath, ".fxb");
    const PresetFile file = bank ? captureBank(effect) : capturePreset(effect);
    if (!writeFileBytes(outputPath, serializePresetFile(file), &error)) {
        return fail(error);
    }
    const Int32 current = Int32(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f));
    std::printf("%s: '%s' %s of %s, current program %d \"%s\": %s\n", outputPath.c_str(),
                presetKindCode(file.kind), bank ? "bank" : "preset", plugin.path.c_str(), int(current),
                currentProgramName(effect).c_str(), parameterLine(effect).c_str());
    return 0;
}

int runPresetLoad(const CommandLine& line) {
    const std::string& filePath = line.files[0];
    PresetParseResult parsed = readPresetFile(filePath);
    if (!parsed.ok) {
        return fail(parsed.error);
    }
    const PresetFile& file = parsed.file;

    OpenedPlugin plugin(line);
    if (plugin.effect == nullptr) {
        return fail(plugin.error);
    }
    AEffect* effect = plugin.effect;
    std::string error;
    if (!applyPresetFile(effect, file, false, &error)) {
        return fail(filePath + ": " + error);
    }

    std::printf("%s: '%s' %s, format version %d, plug-in %s version %d\n", filePath.c_str(),
                presetKindCode(file.kind), isBank(file.kind) ? "bank" : "preset", int(file.formatVersion),
                describeFourCharCode(file.uniqueId).c_str(), int(file.pluginVersion));
    const Int32 current = Int32(effect->dispatcher(effect, effGetProgram, 0, 0, nullptr, 0.0f));
    std::printf("loaded into %s; it now holds:\n", plugin.path.c_str());
    const Int32 first = isBank(file.kind) ? 0 : current;
    const Int32 last = isBank(file.kind) ? effect->numPrograms - 1 : current;
    for (Int32 p = first; p <= last; ++p) {
        effect->dispatcher(effect, effSetProgram, 0, p, nullptr, 0.0f);
        std::printf("  %sprogram %d \"%s\": %s\n", p == current ? "*" : " ", int(p),
                    currentProgramName(effect).c_str(), parameterLine(effect).c_str());
    }
    effect->dispatcher(effect, effSetProgram, 0, current, nullptr, 0.0f);

    // Saving again in the file's own form shows whether the plug-in took it
    // unchanged (it limits values out of range, for instance).
    PresetFile again = isBank(file.kind) ? captureBank(effect) : capturePreset(effect);
    const bool sameForm = again.kind == file.kind;
    if (sameForm && file.kind != PresetKind::BankPrograms && file.kind != PresetKind::ProgramValues) {
        std::printf("%s\n", again.chunk == file.chunk
                                ? "the plug-in hands the chunk back byte for byte"
                                : "note: the plug-in adjusted the chunk while loading it");
    }
    return 0;
}

int runRender(const CommandLine& line) {
    const std::string& inputPath = line.files[0];
    const std::string& outputPath = line.files[1];
    WavReadResult input = readWavFile(inputPath);
    if (!input.ok) {
        return fail(input.error);
    }
    if (input.audio.frames() == 0) {
        return fail(inputPath + ": the file holds no samples");
    }

    const std::string path = pluginPath(line);
    PluginLibrary library;
    std::string error;
    if (!library.load(path, &error)) {
        return fail(error);
    }

    // Files are read and checked against the plug-in before the render starts.
    PresetFile bank, preset;
    if (!line.bankFile.empty() && !readFittingFile(library.effect(), line.bankFile, true, &bank, &error)) {
        return fail(error);
    }
    if (!line.presetFile.empty() &&
        !readFittingFile(library.effect(), line.presetFile, false, &preset, &error)) {
        return fail(error);
    }
    RenderOptions options = line.render;
    if (!line.bankFile.empty() || !line.presetFile.empty()) {
        // A bank first (keeping a program chosen with --program), then a preset
        // into the current program; --param settings follow.
        options.restore = [&](AEffect* effect, std::string* restoreError) {
            const bool keepProgram = options.program >= 0;
            if (!line.bankFile.empty() && !applyPresetFile(effect, bank, keepProgram, restoreError)) {
                return false;
            }
            return line.presetFile.empty() || applyPresetFile(effect, preset, true, restoreError);
        };
    }
    RenderResult result = renderThroughEffect(library.effect(), input.audio, options);
    if (!result.ok) {
        return fail(result.error);
    }
    if (!writeWavFile(outputPath, result.output, line.format, &error)) {
        return fail(error);
    }
    std::cout << figuresLine(input.audio, result.output, result.sens) << std::endl;
    if (line.format != SampleFormat::Float32) {
        // Float files keep peaks above full scale; PCM files cannot.
        std::size_t clipped = 0;
        for (const auto& channel : result.output.channels) {
            for (float sample : channel) {
                clipped += !(std::fabs(sample) <= 1.0f);
            }
        }
        if (clipped > 0) {
            std::cerr << "qphost: note: " << clipped << " samples beyond full scale were clipped in "
                      << outputPath << '\n';
        }
    }
    return 0;
}

int runSynth(const CommandLine& line) {
    const std::vector<float> voice = synthesizeVowel(line.vowel);
    Audio audio;
    audio.sampleRate = line.vowel.sampleRate;
    audio.channels.assign(line.mono ? 1 : 2, voice);
    std::string error;
    if (!writeWavFile(line.files[0], audio, line.format, &error)) {
        return fail(error);
    }
    const LevelFigures levels = measureLevels(audio.channels);
    std::printf("%s: %.2f s of a sung \"ah\" at %.0f Hz, %s, rms %.1f dBFS, peak %.1f dBFS\n",
                line.files[0].c_str(), double(audio.frames()) / audio.sampleRate, line.vowel.pitch,
                sampleFormatName(line.format), levels.rmsDb, levels.peakDb);
    return 0;
}

}  // namespace
}  // namespace qp::tools

int main(int argc, char** argv) {
    using namespace qp::tools;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
#ifdef _WIN32
    if (!arguments.empty() && arguments[0] == "editor") {
        return runEditorSnapshot({arguments.begin() + 1, arguments.end()});
    }
#endif
    const CommandLine line = parseCommandLine(arguments);
    if (!line.error.empty()) {
        std::cerr << "qphost: " << line.error << "\n\n" << usageText();
        return kExitUsage;
    }
    switch (line.command) {
        case Command::Info:
            return runInfo(line);
        case Command::Render:
            return runRender(line);
        case Command::Synth:
            return runSynth(line);
        case Command::PresetSave:
            return runPresetSave(line);
        case Command::PresetLoad:
            return runPresetLoad(line);
        case Command::Help:
            break;
    }
    std::cout << usageText();
    return arguments.empty() ? kExitUsage : 0;
}
