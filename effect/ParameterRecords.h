// The parameter and program records. Their byte layout is what bank and preset
// chunks carry, so hosts' saved projects depend on it: never reorder or resize.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qp {

constexpr int kNameSize = 24;  // 23 characters and the terminator
constexpr int kParameterCount = 2;
constexpr int kProgramCount = 9;

constexpr std::int32_t kSensIndex = 0;
constexpr std::int32_t kBuzzIndex = 1;

struct ParameterRecord {
    std::uint8_t perProgram;   // 1: the live value is the current program's
    std::uint8_t unbounded;    // 1: setParameter does not clamp to 0..1
    std::uint8_t keepDefault;  // 1: the default is kept in the user settings
    std::uint8_t padding;
    float value;
    std::int32_t learnedController;  // MIDI controller number, 0 = none
    char name[kNameSize];
};

// The flags' values as defineParameter takes them.
constexpr std::uint8_t kPerProgram = 1;
constexpr std::uint8_t kSharedByPrograms = 0;
constexpr std::uint8_t kUnbounded = 1;
constexpr std::uint8_t kClampedToUnit = 0;
constexpr std::uint8_t kKeepDefault = 1;
constexpr std::uint8_t kDefaultNotKept = 0;

// What each parameter is, in index order: its name, the value every program
// starts with, and its flags. The effect defines its parameters from this table,
// and the LV2 bundle's description is generated from it, so the two agree.
struct ParameterDefinition {
    const char* name;
    float defaultValue;
    std::uint8_t perProgram;
    std::uint8_t unbounded;
    std::uint8_t keepDefault;
};

inline constexpr ParameterDefinition kParameterDefinitions[kParameterCount] = {
    {"sens", 0.5f, kPerProgram, kClampedToUnit, kDefaultNotKept},
    {"buzz", 0.5f, kPerProgram, kClampedToUnit, kDefaultNotKept},
};

// The unit label shown after every parameter's value: a blank, as the values are
// plain numbers from 0 to 1.
inline constexpr const char* kParameterLabel = " ";

struct ProgramRecord {
    char name[kNameSize];
    float values[kParameterCount];
};

// Two parameter records followed by nine programs: the 360-byte bank chunk.
struct ParameterBlock {
    ParameterRecord parameters[kParameterCount];
    ProgramRecord programs[kProgramCount];
};

static_assert(sizeof(ParameterRecord) == 36);
static_assert(offsetof(ParameterRecord, value) == 4);
static_assert(offsetof(ParameterRecord, learnedController) == 8);
static_assert(offsetof(ParameterRecord, name) == 12);
static_assert(sizeof(ProgramRecord) == 32);
static_assert(offsetof(ProgramRecord, values) == 24);
static_assert(sizeof(ParameterBlock) == 360);
static_assert(offsetof(ParameterBlock, programs) == 72);

}  // namespace qp
