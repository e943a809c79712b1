// What the LV2 plug-in is to a host: its URI and its ports, in index order. The
// plug-in's code and the generated bundle description both read this table, so
// the .ttl cannot disagree with what connect_port and run expect.
#pragma once

#include <cstdint>

#include "effect/ParameterRecords.h"

namespace qp::lv2 {

// Written here only; the bundle's .ttl files are generated from it.
inline constexpr const char* kPluginUri = "urn:veltmarsk:quorrelphone";
// The editor as the plug-in's X11 UI (lv2/ui/), in a shared object of its own.
inline constexpr const char* kUiUri = "urn:veltmarsk:quorrelphone:ui";

enum Port : std::uint32_t {
    kInLeft = 0,
    kInRight = 1,
    kOutLeft = 2,
    kOutRight = 3,
    kSens = 4,
    kBuzz = 5,
    kPortCount = 6,
};

enum class PortKind {
    AudioInput,
    AudioOutput,
    ControlInput,
};

inline constexpr std::int32_t kNoParameter = -1;

// Every control's range, as the VST 2 edition clamps its parameters.
inline constexpr float kControlMinimum = 0.0f;
inline constexpr float kControlMaximum = 1.0f;

struct PortDefinition {
    const char* symbol;
    const char* name;
    PortKind kind;
    // The effect parameter a control port carries (its name, default and range
    // come from effect/ParameterRecords.h), kNoParameter for audio.
    std::int32_t parameter;
};

// A control port's symbol and name are its parameter's name, as the VST 2
// edition shows it.
inline constexpr PortDefinition kPorts[kPortCount] = {
    {"in_left", "Left input", PortKind::AudioInput, kNoParameter},
    {"in_right", "Right input", PortKind::AudioInput, kNoParameter},
    {"out_left", "Left output", PortKind::AudioOutput, kNoParameter},
    {"out_right", "Right output", PortKind::AudioOutput, kNoParameter},
    {kParameterDefinitions[kSensIndex].name, kParameterDefinitions[kSensIndex].name, PortKind::ControlInput,
     kSensIndex},
    {kParameterDefinitions[kBuzzIndex].name, kParameterDefinitions[kBuzzIndex].name, PortKind::ControlInput,
     kBuzzIndex},
};

}  // namespace qp::lv2
