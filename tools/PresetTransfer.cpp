#include "tools/PresetTransfer.h"

#include <algorithm>
#include <cstring>

namespace qp::tools {

namespace {

constexpr int kBankChunkIndex = 0;
constexpr int kProgramChunkIndex = 1;
constexpr Int32 kBankFormatWithCurrentProgram = 2;
// Hosts hand out 24-byte buffers for program names, but some plug-ins write
// more; a generous buffer keeps an over-long name from overrunning ours.
constexpr std::size_t kNameBufferBytes = 256;

IntPtr dispatch(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr) {
    return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
}

bool declaresChunks(AEffect* effect) { return (effect->flags & effFlagsProgramChunks) != 0; }

std::vector<std::uint8_t> takeChunk(AEffect* effect, int index) {
    void* data = nullptr;
    const IntPtr size = dispatch(effect, effGetChunk, index, 0, &data);
    if (data == nullptr || size <= 0) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + size};
}

void giveChunk(AEffect* effect, int index, const std::vector<std::uint8_t>& chunk) {
    // The plug-in may keep or modify what it is given; it gets its own copy.
    std::vector<std::uint8_t> copy = chunk;
    dispatch(effect, effSetChunk, index, IntPtr(copy.size()), copy.data());
}

PresetFile header(AEffect* effect, PresetKind kind) {
    PresetFile file;
    file.kind = kind;
    file.uniqueId = effect->uniqueID;
    file.pluginVersion = effect->version;
    return file;
}

PresetFile valuesOfCurrentProgram(AEffect* effect) {
    PresetFile file = header(effect, PresetKind::ProgramValues);
    file.name = currentProgramName(effect);
    for (Int32 i = 0; i < effect->numParams; ++i) {
        file.values.push_back(effect->getParameter(effect, i));
    }
    file.count = Int32(file.values.size());
    return file;
}

void setValuesOfCurrentProgram(AEffect* effect, const PresetFile& program) {
    char name[kMaxProgramNameLen] = {};
    std::memcpy(name, program.name.data(), std::min(program.name.size(), sizeof name - 1));
    dispatch(effect, effSetProgramName, 0, 0, name);
    for (std::size_t i = 0; i < program.values.size(); ++i) {
        effect->setParameter(effect, Int32(i), program.values[i]);
    }
}

}  // namespace

std::string currentProgramName(AEffect* effect) {
    char name[kNameBufferBytes] = {};
    dispatch(effect, effGetProgramName, 0, 0, name);
    return std::string(name, strnlen(name, kPresetNameBytes - 1));
}

PluginShape pluginShape(AEffect* effect) {
    PluginShape shape;
    shape.uniqueId = effect->uniqueID;
    shape.parameterCount = effect->numParams;
    shape.programCount = effect->numPrograms;
    if (declaresChunks(effect)) {
        shape.programChunkSize = Int32(takeChunk(effect, kProgramChunkIndex).size());
        shape.bankChunkSize = Int32(takeChunk(effect, kBankChunkIndex).size());
    }
    return shape;
}

PresetFile capturePreset(AEffect* effect) {
    if (!declaresChunks(effect)) {
        return valuesOfCurrentProgram(effect);
    }
    PresetFile file = header(effect, PresetKind::ProgramChunk);
    file.count = effect->numParams;
    file.name = currentProgramName(effect);
    file.chunk = takeChunk(effect, kProgramChunkIndex);
    return file;
}

PresetFile captureBank(AEffect* effect) {
    const Int32 current = Int32(dispatch(effect, effGetProgram, 0, 0, nullptr));
    PresetFile file =
        header(effect, declaresChunks(effect) ? PresetKind::BankChunk : PresetKind::BankPrograms);
    file.formatVersion = kBankFormatWithCurrentProgram;
    file.count = effect->numPrograms;
    file.currentProgram = current;
    if (file.kind == PresetKind::BankChunk) {
        file.chunk = takeChunk(effect, kBankChunkIndex);
        return file;
    }
    for (Int32 p = 0; p < effect->numPrograms; ++p) {
        dispatch(effect, effSetProgram, 0, p, nullptr);
        file.programs.push_back(valuesOfCurrentProgram(effect));
    }
    dispatch(effect, effSetProgram, 0, current, nullptr);
    return file;
}

bool applyPresetFile(AEffect* effect, const PresetFile& file, bool keepProgram, std::string* error) {
    const std::string misfit = checkPresetFits(file, pluginShape(effect));
    if (!misfit.empty()) {
        *error = misfit;
        return false;
    }
    const bool selectsProgram =
        !keepProgram && isBank(file.kind) && file.formatVersion >= kBankFormatWithCurrentProgram;
    Int32 current = Int32(dispatch(effect, effGetProgram, 0, 0, nullptr));
    switch (file.kind) {
        case PresetKind::ProgramChunk:
            giveChunk(effect, kProgramChunkIndex, file.chunk);
            break;
        case PresetKind::ProgramValues:
            setValuesOfCurrentProgram(effect, file);
            break;
        case PresetKind::BankChunk:
            giveChunk(effect, kBankChunkIndex, file.chunk);
            break;
        case PresetKind::BankPrograms:
            for (std::size_t p = 0; p < file.programs.size(); ++p) {
                dispatch(effect, effSetProgram, 0, IntPtr(p), nullptr);
                setValuesOfCurrentProgram(effect, file.programs[p]);
            }
            break;
    }
    if (selectsProgram) {
        current = file.currentProgram;
    }
    if (isBank(file.kind)) {
        dispatch(effect, effSetProgram, 0, current, nullptr);
    }
    return true;
}

}  // namespace qp::tools
