#include "lv2/bundle/FactoryPresets.h"

#include "effect/PluginMain.h"
#include "tools/PresetFile.h"
#include "tools/PresetTransfer.h"

namespace qp::lv2 {

namespace {

// The VST 2 version a host reports; the effect refuses a host that answers 0.
constexpr IntPtr kHostVersion = 2400;

IntPtr generatorHost(AEffect*, Int32 opcode, Int32, IntPtr, void*, float) {
    return opcode == audioMasterVersion ? kHostVersion : 0;
}

// Closes the effect however the reading ends.
struct OpenEffect {
    AEffect* effect;
    ~OpenEffect() {
        if (effect != nullptr) {
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
    }
};

}  // namespace

bool readFactoryPresets(const std::string& bankPath, std::vector<BundlePreset>* presets, std::string* error) {
    tools::PresetParseResult parsed = tools::readPresetFile(bankPath);
    if (!parsed.ok) {
        *error = parsed.error;
        return false;
    }
    if (!tools::isBank(parsed.file.kind)) {
        *error = bankPath + " is a preset, not a bank";
        return false;
    }
    const OpenEffect open{pluginMain(&generatorHost)};
    if (open.effect == nullptr) {
        *error = "the effect could not be created";
        return false;
    }
    AEffect* effect = open.effect;
    if (effect->numParams != kParameterCount) {
        *error = "the effect has " + std::to_string(effect->numParams) + " parameters, the presets " +
                 std::to_string(kParameterCount);
        return false;
    }
    if (!tools::applyPresetFile(effect, parsed.file, true, error)) {
        *error = bankPath + ": " + *error;
        return false;
    }
    presets->clear();
    for (Int32 program = 0; program < effect->numPrograms; ++program) {
        effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.0f);
        BundlePreset preset;
        preset.number = program + 1;
        preset.name = tools::currentProgramName(effect);
        for (Int32 index = 0; index < kParameterCount; ++index) {
            preset.values[std::size_t(index)] = effect->getParameter(effect, index);
        }
        presets->push_back(preset);
    }
    return true;
}

}  // namespace qp::lv2
