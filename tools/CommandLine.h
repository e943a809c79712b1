// qphost's command line:
//   qphost info [DLL]
//   qphost render [--dll DLL] [--param NAME=V|INDEX=V]... [--program N] [--block N]
//                 [--accumulate] [--format float|pcm16|pcm24] IN.wav OUT.wav
//                 [--bank F.fxb] [--preset F.fxp]
//   qphost synth [--seconds S] [--pitch HZ] [--mono] [--format ...] OUT.wav
//   qphost preset save [--dll DLL] [STEP]... OUT.fxp|OUT.fxb
//   qphost preset load [--dll DLL] FILE.fxp|FILE.fxb
#pragma once

#include <string>
#include <vector>

#include "tools/OfflineRenderer.h"
#include "tools/VowelSynth.h"
#include "tools/WavFile.h"

namespace qp::tools {

enum class Command {
    Help,
    Info,
    Render,
    Synth,
    PresetSave,
    PresetLoad
};

// `preset save` applies its steps in the order given, so one run can fill
// several programs: --program 0 --name A --param sens=0.2 --program 1 ...
struct PresetStep {
    enum class Kind {
        Program,
        Name,
        Parameter,
        Preset,
        Bank
    };
    Kind kind = Kind::Program;
    int program = 0;                // Program
    std::string text;               // Name: the name; Preset and Bank: the file
    ParameterAssignment parameter;  // Parameter
};

struct CommandLine {
    Command command = Command::Help;
    std::string error;    // non-empty when the line could not be understood
    std::string library;  // empty: the plug-in beside qphost
    RenderOptions render;
    VowelSettings vowel;
    bool mono = false;  // synth: one channel instead of two identical ones
    SampleFormat format = SampleFormat::Float32;
    std::vector<std::string> files;
    // render: files loaded before the parameters are set (empty: none)
    std::string presetFile;
    std::string bankFile;
    std::vector<PresetStep> presetSteps;  // preset save
};

// Whether path ends in extension (given in lower case), ignoring case.
bool hasExtension(const std::string& path, const std::string& extension);

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

const char* usageText();

}  // namespace qp::tools
