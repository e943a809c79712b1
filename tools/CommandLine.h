// qphost's command line:
//   qphost info [DLL]
//   qphost render [--dll DLL] [--param NAME=V|INDEX=V]... [--program N] [--block N]
//                 [--accumulate] [--format float|pcm16|pcm24] IN.wav OUT.wav
//   qphost synth [--seconds S] [--pitch HZ] [--mono] [--format ...] OUT.wav
#pragma once

#include <string>
#include <vector>

#include "tools/OfflineRenderer.h"
#include "tools/VowelSynth.h"
#include "tools/WavFile.h"

namespace qp::tools {

enum class Command { Help, Info, Render, Synth };

struct CommandLine {
    Command command = Command::Help;
    std::string error;          // non-empty when the line could not be understood
    std::string library;        // empty: the plug-in beside qphost
    RenderOptions render;
    VowelSettings vowel;
    bool mono = false;          // synth: one channel instead of two identical ones
    SampleFormat format = SampleFormat::Float32;
    std::vector<std::string> files;
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

const char* usageText();

}  // namespace qp::tools
