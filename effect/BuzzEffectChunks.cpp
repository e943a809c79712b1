// Bank and preset chunks, and the default-bank loader.
//
// Chunks come from hosts' files and projects and are untrusted. A chunk is
// copied into a staging copy first, checked there, and only then published into
// the live block: the audio thread reads the parameter values per sample and
// must never meet a half-written or non-finite value. Everything else in the
// block (names, flags, the padding byte, bytes after a name's terminator) is
// kept byte for byte, so a bank handed back by the host comes back unchanged.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

#include "effect/BuzzEffect.h"
#include "effect/RecordNames.h"
#include "effect/SharedField.h"
#include "host/Platform.h"

namespace qp {

namespace {

constexpr Int32 kBankChunkSize = Int32(sizeof(ParameterBlock));                    // 360
constexpr Int32 kPresetChunkSize = Int32(sizeof(ProgramRecord));                   // 32
constexpr std::uint32_t kFactoryBankSize = sizeof(ProgramRecord) * kProgramCount;  // 288
constexpr std::uint32_t kModulePathSize = 1024;

constexpr const char* kWrongPresetSize = "Can't load preset, wrong file size!";
constexpr const char* kWrongBankSize = "Can't load bank, wrong file size!";
constexpr const char* kReloadUserBankQuestion = "Reload from User-Default bank? (No = Loads Factory Bank)";
constexpr const char* kBankResourceType = "Bank";
constexpr const char* kUserBankExtension = "bnk";
constexpr std::size_t kReplacedSuffixLength = 3;

// What a loaded value may be. A bounded parameter keeps to 0..1: above is
// limited to 1, below and NaN become 0, the lower end. An unbounded one keeps
// any finite value, as a bank that relies on the flag stored it; what no
// parameter may hold is a non-finite value, which the sample loop would turn
// into a closed gate or a poisoned output: NaN becomes 0, and an infinity the
// largest finite value of its sign.
float loadedValue(float value, bool unbounded) {
    if (!unbounded) {
        if (!(value >= 0.0f)) {
            return 0.0f;
        }
        return value > 1.0f ? 1.0f : value;
    }
    if (std::isnan(value)) {
        return 0.0f;
    }
    return std::clamp(value, -std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
}

// A program's values follow the flags of the parameters they belong to: the
// live ones for a preset, the staged bank's own for a bank.
using UnboundedFlags = std::array<bool, kParameterCount>;

void checkProgram(ProgramRecord& program, const UnboundedFlags& unbounded) {
    for (int i = 0; i < kParameterCount; ++i) {
        program.values[i] = loadedValue(program.values[i], unbounded[i]);
    }
}

void checkBlock(ParameterBlock& block) {
    UnboundedFlags unbounded{};
    for (int i = 0; i < kParameterCount; ++i) {
        ParameterRecord& parameter = block.parameters[i];
        unbounded[i] = parameter.unbounded != 0;
        parameter.value = loadedValue(parameter.value, unbounded[i]);
    }
    for (ProgramRecord& program : block.programs) {
        checkProgram(program, unbounded);
    }
}

void snapshotProgram(ProgramRecord& copy, ProgramRecord& live) {
    std::memcpy(copy.name, live.name, kNameSize);
    for (int i = 0; i < kParameterCount; ++i) {
        copy.values[i] = loadShared(live.values[i]);
    }
}

void snapshotBlock(ParameterBlock& copy, ParameterBlock& live) {
    for (int p = 0; p < kParameterCount; ++p) {
        ParameterRecord& from = live.parameters[p];
        ParameterRecord& to = copy.parameters[p];
        to.perProgram = loadShared(from.perProgram);
        to.unbounded = loadShared(from.unbounded);
        to.keepDefault = loadShared(from.keepDefault);
        to.padding = from.padding;
        to.value = loadShared(from.value);
        to.learnedController = loadShared(from.learnedController);
        std::memcpy(to.name, from.name, kNameSize);
    }
    for (int i = 0; i < kProgramCount; ++i) {
        snapshotProgram(copy.programs[i], live.programs[i]);
    }
}

void publishProgram(ProgramRecord& live, const ProgramRecord& checked) {
    std::memcpy(live.name, checked.name, kNameSize);
    for (int i = 0; i < kParameterCount; ++i) {
        storeShared(live.values[i], checked.values[i]);
    }
}

void publishBlock(ParameterBlock& live, const ParameterBlock& checked) {
    for (int p = 0; p < kParameterCount; ++p) {
        const ParameterRecord& from = checked.parameters[p];
        ParameterRecord& to = live.parameters[p];
        storeShared(to.perProgram, from.perProgram);
        storeShared(to.unbounded, from.unbounded);
        storeShared(to.keepDefault, from.keepDefault);
        to.padding = from.padding;
        storeShared(to.value, from.value);
        storeShared(to.learnedController, from.learnedController);
        std::memcpy(to.name, from.name, kNameSize);
    }
    for (int i = 0; i < kProgramCount; ++i) {
        publishProgram(live.programs[i], checked.programs[i]);
    }
}

bool validProgram(Int32 program) { return program >= 0 && program < kProgramCount; }

}  // namespace

Int32 BuzzEffect::getChunk(void** data, bool isPreset) {
    if (!data) {
        return 0;
    }
    // The host reads the live block itself; nothing is copied.
    if (!isPreset) {
        *data = &block_;
        return kBankChunkSize;
    }
    const Int32 program = loadCurrentProgram();
    if (!validProgram(program)) {
        *data = nullptr;
        return 0;
    }
    *data = &block_.programs[program];
    return kPresetChunkSize;
}

Int32 BuzzEffect::setChunk(void* data, Int32 byteSize, bool isPreset) {
    if (isPreset) {
        // A negative size, taken as unsigned, is far too large, and a null chunk
        // has no bytes to give; a shorter preset overwrites only its first bytes
        // (the name, then the first value...), and 0 bytes copy nothing.
        const Int32 program = loadCurrentProgram();
        if (std::uint32_t(byteSize) > std::uint32_t(kPresetChunkSize) || (!data && byteSize != 0)) {
            showError(kWrongPresetSize);
        } else if (validProgram(program)) {
            ProgramRecord staged;
            snapshotProgram(staged, block_.programs[program]);
            if (byteSize > 0) {
                std::memcpy(&staged, data, std::size_t(byteSize));
            }
            UnboundedFlags unbounded{};
            for (int i = 0; i < kParameterCount; ++i) {
                unbounded[i] = loadShared(block_.parameters[i].unbounded) != 0;
            }
            checkProgram(staged, unbounded);
            publishProgram(block_.programs[program], staged);
            setProgram(program);
        }
    } else {
        loadBankBlock(data, byteSize);
        // Whether or not the bank was taken, the parameters and the editor
        // follow the current program again.
        const Int32 program = loadCurrentProgram();
        if (validProgram(program)) {
            setProgram(program);
        }
    }
    if (editor_) {
        editor_->requestUpdate();
        editor_->refreshLearnedControllers();
    }
    return 1;
}

void BuzzEffect::loadBankBlock(const void* data, Int32 byteSize) {
    if (!data || byteSize != kBankChunkSize) {
        showError(kWrongBankSize);
        return;
    }
    ParameterBlock staged;
    std::memcpy(&staged, data, sizeof staged);
    checkBlock(staged);
    publishBlock(block_, staged);
}

void BuzzEffect::getProgramNameAt(char* text, Int32 program) {
    if (!text) {
        return;
    }
    if (validProgram(program)) {
        copyRecordName(text, block_.programs[program].name);
    } else {
        text[0] = 0;
    }
}

void BuzzEffect::loadDefaultBank(std::uint16_t resourceId, bool tryUserFile, bool ask) {
    Platform& platform = currentPlatform();
    ParameterBlock staged;
    snapshotBlock(staged, block_);
    if (tryUserFile) {
        char path[kModulePathSize];
        if (platform.moduleFileName(path, sizeof path)) {
            const std::size_t length = std::strlen(path);
            // "Quorrelphone.dll" -> "Quorrelphone.bnk": the user's bank lies beside the library.
            if (length >= kReplacedSuffixLength) {
                std::memcpy(path + length - kReplacedSuffixLength, kUserBankExtension, kReplacedSuffixLength);
                // A shorter file overwrites only as many bytes as it has.
                if (platform.readFileStart(path, &staged, sizeof staged) >= 0) {
                    if (!ask || askYesNo(kReloadUserBankQuestion)) {
                        checkBlock(staged);
                        publishBlock(block_, staged);
                        return;
                    }
                    snapshotBlock(staged, block_);
                }
            }
        }
    }
    const void* resource = nullptr;
    std::uint32_t resourceSize = 0;
    if (platform.findResource(kBankResourceType, resourceId, &resource, &resourceSize) && resource) {
        // Nine program images; a shorter resource replaces only what it holds.
        std::memcpy(staged.programs, resource, std::min(resourceSize, kFactoryBankSize));
        checkBlock(staged);
        publishBlock(block_, staged);
    }
}

}  // namespace qp
