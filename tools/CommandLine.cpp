#include "tools/CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace qp::tools {

namespace {

constexpr double kMaxSynthSeconds = 600.0;

bool parseInt(const std::string& text, long lowest, long highest, long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < lowest || parsed > highest) return false;
    *value = parsed;
    return true;
}

bool parseNumber(const std::string& text, double lowest, double highest, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < lowest || parsed > highest) {
        return false;
    }
    *value = parsed;
    return true;
}

bool parseFormat(const std::string& text, SampleFormat* format) {
    if (text == "float" || text == "float32") *format = SampleFormat::Float32;
    else if (text == "pcm16" || text == "16") *format = SampleFormat::Pcm16;
    else if (text == "pcm24" || text == "24") *format = SampleFormat::Pcm24;
    else return false;
    return true;
}

CommandLine failed(CommandLine line, std::string error) {
    line.error = std::move(error);
    return line;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.empty() || arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h") {
        return line;
    }
    const std::string& name = arguments[0];
    if (name == "info") line.command = Command::Info;
    else if (name == "render") line.command = Command::Render;
    else if (name == "synth") line.command = Command::Synth;
    else return failed(line, "unknown command \"" + name + "\"");

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const bool isOption = argument.size() > 2 && argument.compare(0, 2, "--") == 0;
        if (!isOption) {
            line.files.push_back(argument);
            continue;
        }
        const bool render = line.command == Command::Render;
        const bool synth = line.command == Command::Synth;
        if (render && argument == "--accumulate") {
            line.render.accumulate = true;
        } else if (synth && argument == "--mono") {
            line.mono = true;
        } else if (!hasValue) {
            return failed(line, "unknown option " + argument + " or its value is missing");
        } else if (render && argument == "--dll") {
            line.library = arguments[++i];
        } else if (render && argument == "--param") {
            ParameterAssignment assignment;
            std::string error;
            if (!parseParameterAssignment(arguments[++i], &assignment, &error)) return failed(line, error);
            line.render.parameters.push_back(assignment);
        } else if (render && argument == "--program") {
            long program = 0;
            if (!parseInt(arguments[++i], 0, 1 << 20, &program)) {
                return failed(line, "--program needs a program number, not \"" + arguments[i] + "\"");
            }
            line.render.program = int(program);
        } else if (render && argument == "--block") {
            long block = 0;
            if (!parseInt(arguments[++i], 1, kMaxBlockSize, &block)) {
                return failed(line, "--block needs a size from 1 to " + std::to_string(kMaxBlockSize) +
                                        ", not \"" + arguments[i] + "\"");
            }
            line.render.blockSize = int(block);
        } else if ((render || synth) && argument == "--format") {
            if (!parseFormat(arguments[++i], &line.format)) {
                return failed(line, "--format is float, pcm16 or pcm24, not \"" + arguments[i] + "\"");
            }
        } else if (synth && argument == "--seconds") {
            if (!parseNumber(arguments[++i], 0.5, kMaxSynthSeconds, &line.vowel.seconds)) {
                return failed(line, "--seconds needs 0.5 to 600, not \"" + arguments[i] + "\"");
            }
        } else if (synth && argument == "--pitch") {
            if (!parseNumber(arguments[++i], 50.0, 1000.0, &line.vowel.pitch)) {
                return failed(line, "--pitch needs 50 to 1000 Hz, not \"" + arguments[i] + "\"");
            }
        } else {
            return failed(line, "unknown option " + argument + " for " + name);
        }
    }

    switch (line.command) {
    case Command::Info:
        if (line.files.size() > 1) return failed(line, "info takes at most one plug-in file");
        if (line.files.size() == 1) line.library = line.files[0];
        break;
    case Command::Render:
        if (line.files.size() != 2) return failed(line, "render needs an input and an output WAV file");
        break;
    case Command::Synth:
        if (line.files.size() != 1) return failed(line, "synth needs one output WAV file");
        break;
    case Command::Help:
        break;
    }
    return line;
}

const char* usageText() {
    return "usage:\n"
           "  qphost info [PLUGIN.dll]\n"
           "      what a host sees: identity, flags, pins, programs, parameters, capabilities\n"
           "  qphost render [--dll PLUGIN.dll] [--param NAME=VALUE | --param INDEX=VALUE]...\n"
           "                [--program N] [--block FRAMES] [--accumulate]\n"
           "                [--format float|pcm16|pcm24] IN.wav OUT.wav\n"
           "      runs IN.wav (16/24-bit PCM or 32-bit float, mono or stereo) through the plug-in\n"
           "      and writes a stereo OUT.wav (32-bit float unless --format says otherwise)\n"
           "  qphost synth [--seconds S] [--pitch HZ] [--mono] [--format ...] OUT.wav\n"
           "      writes the built-in test input, a sung \"ah\"\n"
           "  qphost editor [--dll PLUGIN.dll] [--about | --menu] OUT.png|OUT.bmp\n"
           "      opens the plug-in's editor in a window, lets it paint and saves a picture of it\n"
           "PLUGIN.dll defaults to Quorrelphone.dll beside qphost.exe.\n";
}

}  // namespace qp::tools
