// qphost: the project's own command-line VST 2 host (see tools/CommandLine.h).
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/CommandLine.h"
#include "tools/EditorSnapshot.h"
#include "tools/EffectInfo.h"
#include "tools/OfflineRenderer.h"
#include "tools/PluginLibrary.h"
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

int runInfo(const CommandLine& line) {
    const std::string path = line.library.empty() ? PluginLibrary::defaultPath() : line.library;
    PluginLibrary library;
    std::string error;
    if (!library.load(path, &error)) return fail(error);
    printEffectInfo(library.effect(), path, std::cout);
    return 0;
}

int runRender(const CommandLine& line) {
    const std::string& inputPath = line.files[0];
    const std::string& outputPath = line.files[1];
    WavReadResult input = readWavFile(inputPath);
    if (!input.ok) return fail(input.error);
    if (input.audio.frames() == 0) return fail(inputPath + ": the file holds no samples");

    const std::string path = line.library.empty() ? PluginLibrary::defaultPath() : line.library;
    PluginLibrary library;
    std::string error;
    if (!library.load(path, &error)) return fail(error);

    RenderResult result = renderThroughEffect(library.effect(), input.audio, line.render);
    if (!result.ok) return fail(result.error);
    if (!writeWavFile(outputPath, result.output, line.format, &error)) return fail(error);
    std::cout << figuresLine(input.audio, result.output, result.sens) << std::endl;
    if (line.format != SampleFormat::Float32) {
        // Float files keep peaks above full scale; PCM files cannot.
        std::size_t clipped = 0;
        for (const auto& channel : result.output.channels) {
            for (float sample : channel) clipped += !(std::fabs(sample) <= 1.0f);
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
    if (!writeWavFile(line.files[0], audio, line.format, &error)) return fail(error);
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
    if (!arguments.empty() && arguments[0] == "editor")
        return runEditorSnapshot({arguments.begin() + 1, arguments.end()});
    const CommandLine line = parseCommandLine(arguments);
    if (!line.error.empty()) {
        std::cerr << "qphost: " << line.error << "\n\n" << usageText();
        return kExitUsage;
    }
    switch (line.command) {
    case Command::Info: return runInfo(line);
    case Command::Render: return runRender(line);
    case Command::Synth: return runSynth(line);
    case Command::Help: break;
    }
    std::cout << usageText();
    return arguments.empty() ? kExitUsage : 0;
}
