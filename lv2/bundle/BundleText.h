// The bundle's description as Turtle text: manifest.ttl, the plug-in's .ttl and
// the presets, all from the port table (lv2/Lv2Ports.h) and the parameter table
// (effect/ParameterRecords.h), so what a host reads is what the code does.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "effect/ParameterRecords.h"

namespace qp::lv2 {

struct BundlePreset {
    int number = 0;  // 1 to 9, as the factory bank numbers its programs
    std::string name;
    std::array<float, kParameterCount> values{};
};

struct BundleDescription {
    int minorVersion = 0;
    int microVersion = 0;
    std::string binaryFile;    // the shared object, e.g. "Quorrelphone.so"
    std::string uiBinaryFile;  // the UI's, e.g. "Quorrelphone_ui.so"; empty: no UI
    std::string pluginFile;    // e.g. "Quorrelphone.ttl"
    std::string presetsFile;   // e.g. "presets.ttl"
    std::vector<BundlePreset> presets;
};

// "urn:veltmarsk:quorrelphone:preset:01" for the first program: the plug-in's URI
// and the two-digit number the factory preset files carry.
std::string presetUri(int number);

std::string manifestTurtle(const BundleDescription& bundle);
std::string pluginTurtle(const BundleDescription& bundle);
std::string presetsTurtle(const BundleDescription& bundle);
// The presets as C++ initializers, {"name", {sens, buzz}}, one a line: the UI's
// presets menu offers exactly what presets.ttl holds.
std::string presetTableSource(const BundleDescription& bundle);

}  // namespace qp::lv2
