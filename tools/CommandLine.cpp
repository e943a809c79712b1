#include "tools/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace qp::tools {

namespace {

constexpr double kMaxSynthSeconds = 600.0;

// How many files each command takes besides its options, and what it says to another number.
struct FileCount {
    Command command;
    std::size_t fewest;
    std::size_t most;
    const char* complaint;
};

constexpr FileCount kFileCounts[] = {
    {Command::Info, 0, 1, "info takes at most one plug-in file"},
    {Command::Render, 2, 2, "render needs an input and an output WAV file"},
    {Command::Synth, 1, 1, "synth needs one output WAV file"},
    {Command::PresetSave, 1, 1, "preset save needs one output file (.fxp or .fxb)"},
    {Command::PresetLoad, 1, 1, "preset load needs one preset or bank file"},
};

bool parseInt(const std::string& text, long lowest, long highest, long* value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < lowest || parsed > highest) {
        return false;
    }
    *value = parsed;
    return true;
}

bool parseNumber(const std::string& text, double lowest, double highest, double* value) {
    if (text.empty()) {
        return false;
    }
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
    if (text == "float" || text == "float32") {
        *format = SampleFormat::Float32;
    } else if (text == "pcm16" || text == "16") {
        *format = SampleFormat::Pcm16;
    } else if (text == "pcm24" || text == "24") {
        *format = SampleFormat::Pcm24;
    } else {
        return false;
    }
    return true;
}

std::string parsePresetStep(const std::string& option, const std::string& value,
                            std::vector<PresetStep>* steps) {
    PresetStep step;
    if (option == "--program") {
        long program = 0;
        if (!parseInt(value, 0, 1 << 20, &program)) {
            return "--program needs a program number, not \"" + value + "\"";
        }
        step.kind = PresetStep::Kind::Program;
        step.program = int(program);
    } else if (option == "--name") {
        if (value.size() >= std::size_t(kMaxProgramNameLen)) {
            return "--name takes at most " + std::to_string(kMaxProgramNameLen - 1) + " characters";
        }
        step.kind = PresetStep::Kind::Name;
        step.text = value;
    } else if (option == "--param") {
        std::string error;
        if (!parseParameterAssignment(value, &step.parameter, &error)) {
            return error;
        }
        step.kind = PresetStep::Kind::Parameter;
    } else if (option == "--preset" || option == "--bank") {
        step.kind = option == "--preset" ? PresetStep::Kind::Preset : PresetStep::Kind::Bank;
        step.text = value;
    } else {
        return "unknown option " + option + " for preset save";
    }
    steps->push_back(step);
    return {};
}

CommandLine failed(CommandLine line, std::string error) {
    line.error = std::move(error);
    return line;
}

}  // namespace

bool hasExtension(const std::string& path, const std::string& extension) {
    if (path.size() <= extension.size()) {
        return false;
    }
    for (std::size_t i = 0; i < extension.size(); ++i) {
        const char c = path[path.size() - extension.size() + i];
        if (std::tolower(static_cast<unsigned char>(c)) != extension[i]) {
            return false;
        }
    }
    return true;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.empty() || arguments[0] == "help" || arguments[0] == "--help" || arguments[0] == "-h") {
        return line;
    }
    std::string name = arguments[0];
    std::size_t first = 1;
    if (name == "info") {
        line.command = Command::Info;
    } else if (name == "render") {
        line.command = Command::Render;
    } else if (name == "synth") {
        line.command = Command::Synth;
    } else if (name == "preset") {
        const std::string action = arguments.size() > 1 ? arguments[1] : std::string();
        if (action == "save") {
            line.command = Command::PresetSave;
        } else if (action == "load") {
            line.command = Command::PresetLoad;
        } else {
            return failed(line, "preset needs \"save\" or \"load\"");
        }
        name += " " + action;
        first = 2;
    } else {
        return failed(line, "unknown command \"" + name + "\"");
    }

    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        const bool isOption = argument.size() > 2 && argument.compare(0, 2, "--") == 0;
        if (!isOption) {
            line.files.push_back(argument);
            continue;
        }
        const bool render = line.command == Command::Render;
        const bool synth = line.command == Command::Synth;
        const bool save = line.command == Command::PresetSave;
        const bool usesPlugin = render || save || line.command == Command::PresetLoad;
        if (render && argument == "--accumulate") {
            line.render.accumulate = true;
        } else if (synth && argument == "--mono") {
            line.mono = true;
        } else if (!hasValue) {
            return failed(line, "unknown option " + argument + " or its value is missing");
        } else if (usesPlugin && argument == "--dll") {
            line.library = arguments[++i];
        } else if (save) {
            std::string error = parsePresetStep(argument, arguments[++i], &line.presetSteps);
            if (!error.empty()) {
                return failed(line, error);
            }
        } else if (render && (argument == "--preset" || argument == "--bank")) {
            std::string& file = argument == "--preset" ? line.presetFile : line.bankFile;
            if (!file.empty()) {
                return failed(line, "render takes one " + argument);
            }
            file = arguments[++i];
        } else if (render && argument == "--param") {
            ParameterAssignment assignment;
            std::string error;
            if (!parseParameterAssignment(arguments[++i], &assignment, &error)) {
                return failed(line, error);
            }
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

    for (const FileCount& rule : kFileCounts) {
        if (rule.command == line.command &&
            (line.files.size() < rule.fewest || line.files.size() > rule.most)) {
            return failed(line, rule.complaint);
        }
    }
    if (line.command == Command::Info && line.files.size() == 1) {
        line.library = line.files[0];
    }
    if (line.command == Command::PresetSave && !hasExtension(line.files[0], ".fxp") &&
        !hasExtension(line.files[0], ".fxb")) {
        return failed(line,
                      "preset save writes a preset (.fxp) or a bank (.fxb), not \"" + line.files[0] + "\"");
    }
    return line;
}

const char* usageText() {
    return "usage:\n"
           "  qphost info [PLUGIN.dll]\n"
           "      what a host sees: identity, flags, pins, programs, parameters, capabilities\n"
           "  qphost render [--dll PLUGIN.dll] [--param NAME=VALUE | --param INDEX=VALUE]...\n"
           "                [--program N] [--block FRAMES] [--accumulate]\n"
           "                [--format float|pcm16|pcm24] [--bank F.fxb] [--preset F.fxp] IN.wav OUT.wav\n"
           "      runs IN.wav (16/24-bit PCM or 32-bit float, mono or stereo) through the plug-in\n"
           "      and writes a stereo OUT.wav (32-bit float unless --format says otherwise);\n"
           "      a bank is loaded first, then the program chosen, the preset loaded into it,\n"
           "      and the parameters set\n"
           "  qphost synth [--seconds S] [--pitch HZ] [--mono] [--format ...] OUT.wav\n"
           "      writes the built-in test input, a sung \"ah\"\n"
           "  qphost editor [--dll PLUGIN.dll] [--zoom PERCENT] [--about | --menu | --zoom-menu] "
           "OUT.png|OUT.bmp\n"
           "      opens the plug-in's editor in a window, lets it paint and saves a picture of it\n"
           "  qphost preset save [--dll PLUGIN.dll] [--bank F.fxb | --preset F.fxp | --program N |\n"
           "                     --name TEXT | --param NAME=VALUE]... OUT.fxp|OUT.fxb\n"
           "      applies the steps in the order given, then saves the current program (.fxp)\n"
           "      or every program with the current one (.fxb) as the plug-in's chunks\n"
           "  qphost preset load [--dll PLUGIN.dll] FILE.fxp|FILE.fxb\n"
           "      checks that the file loads into the plug-in and prints what it holds\n"
           "PLUGIN.dll defaults to Quorrelphone.dll beside qphost.exe.\n";
}

}  // namespace qp::tools
