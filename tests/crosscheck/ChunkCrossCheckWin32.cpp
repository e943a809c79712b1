// One side of the cross-width check: the plug-in beside this executable (a
// 32-bit or a 64-bit build of it) saves a bank and a preset after a session of
// edits, or restores files another build saved, hands them back and renders a
// file through the restored state. The CMake script beside this file runs both
// widths against each other and compares what they wrote byte for byte.
//
//   qp_crosscheck save BANK PRESET
//   qp_crosscheck restore BANK PRESET IN.wav BANK_OUT PRESET_OUT OUT.wav
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "host/PluginInterface.h"
#include "tools/OfflineRenderer.h"
#include "tools/PluginLibrary.h"
#include "tools/WavFile.h"

namespace qp::tools {
namespace {

constexpr Int32 kLearnCommand = 13;  // the learn command's parameter: value names the target
constexpr Int32 kBankSize = 360;
constexpr Int32 kPresetSize = 32;

using Bytes = std::vector<unsigned char>;

bool writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

bool readBytes(const std::string& path, Bytes* bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

IntPtr dispatch(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr = nullptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

bool chunkOf(AEffect* effect, bool preset, Int32 expectedSize, Bytes* bytes) {
    void* data = nullptr;
    const IntPtr size = dispatch(effect, effGetChunk, preset ? 1 : 0, 0, &data);
    if (size != expectedSize || data == nullptr) {
        std::cerr << "qp_crosscheck: effGetChunk gave " << size << " bytes, expected " << expectedSize
                  << "\n";
        return false;
    }
    const auto* first = static_cast<const unsigned char*>(data);
    bytes->assign(first, first + size);
    return true;
}

void controllerChange(AEffect* effect, int number, int value) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof event;
    event.midiData[0] = char(0xB0);
    event.midiData[1] = char(number);
    event.midiData[2] = char(value);
    VstEvents events{};
    events.numEvents = 1;
    events.events[0] = reinterpret_cast<VstEvent*>(&event);
    dispatch(effect, effProcessEvents, 0, 0, &events);
}

// Values, names and a learnt controller unlike the defaults, spread over the
// parameters' own records and several programs.
void edit(AEffect* effect) {
    dispatch(effect, effSetProgram, 0, 3);
    char kazoo[] = "Cross Kazoo";
    dispatch(effect, effSetProgramName, 0, 0, kazoo);
    effect->setParameter(effect, 0, 0.3125f);
    effect->setParameter(effect, 1, 0.9375f);
    dispatch(effect, effSetProgram, 0, 0);
    char edge[] = "Width Test";
    dispatch(effect, effSetProgramName, 0, 0, edge);
    effect->setParameter(effect, 0, 0.40625f);
    effect->setParameter(effect, kLearnCommand, 1.0f);  // learn the buzz knob
    controllerChange(effect, 21, 90);                   // bound, and moved to 90/127
}

int save(AEffect* effect, const std::string& bankPath, const std::string& presetPath) {
    edit(effect);
    Bytes bank, preset;
    if (!chunkOf(effect, false, kBankSize, &bank) || !chunkOf(effect, true, kPresetSize, &preset)) {
        return 1;
    }
    return writeBytes(bankPath, bank) && writeBytes(presetPath, preset) ? 0 : 1;
}

int restore(AEffect* effect, const std::vector<std::string>& files) {
    Bytes bank, preset;
    if (!readBytes(files[0], &bank) || !readBytes(files[1], &preset)) {
        std::cerr << "qp_crosscheck: cannot read " << files[0] << " or " << files[1] << "\n";
        return 1;
    }
    // The saved bank goes in whole; the saved preset into another program, whose
    // chunk is then handed back. Program 0 stays current for the render.
    dispatch(effect, effSetChunk, 0, IntPtr(bank.size()), bank.data());
    Bytes bankBack, presetBack;
    if (!chunkOf(effect, false, kBankSize, &bankBack)) {
        return 1;
    }
    dispatch(effect, effSetProgram, 0, 6);
    dispatch(effect, effSetChunk, 1, IntPtr(preset.size()), preset.data());
    if (!chunkOf(effect, true, kPresetSize, &presetBack)) {
        return 1;
    }
    dispatch(effect, effSetProgram, 0, 0);

    const WavReadResult input = readWavFile(files[2]);
    if (!input.ok) {
        std::cerr << "qp_crosscheck: " << input.error << "\n";
        return 1;
    }
    const RenderResult rendered = renderThroughEffect(effect, input.audio, RenderOptions{});
    std::string error;
    if (!rendered.ok || !writeWavFile(files[5], rendered.output, SampleFormat::Float32, &error)) {
        std::cerr << "qp_crosscheck: " << rendered.error << error << "\n";
        return 1;
    }
    return writeBytes(files[3], bankBack) && writeBytes(files[4], presetBack) ? 0 : 1;
}

}  // namespace
}  // namespace qp::tools

int main(int argc, char** argv) {
    using namespace qp;
    using namespace qp::tools;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool saving = arguments.size() == 3 && arguments[0] == "save";
    const bool restoring = arguments.size() == 7 && arguments[0] == "restore";
    if (!saving && !restoring) {
        std::cerr << "usage: qp_crosscheck save BANK PRESET\n"
                     "       qp_crosscheck restore BANK PRESET IN.wav BANK_OUT PRESET_OUT OUT.wav\n";
        return 2;
    }
    PluginLibrary library;
    std::string error;
    if (!library.load(PluginLibrary::defaultPath(), &error)) {
        std::cerr << "qp_crosscheck: " << error << "\n";
        return 1;
    }
    AEffect* effect = library.effect();
    dispatch(effect, effOpen, 0, 0);
    const std::vector<std::string> files(arguments.begin() + 1, arguments.end());
    return saving ? save(effect, files[0], files[1]) : restore(effect, files);
}
