#include "lv2/bundle/BundleText.h"

#include <charconv>
#include <cstdio>
#include <sstream>

#include "effect/BuzzEffect.h"
#include "lv2/Lv2Ports.h"

namespace qp::lv2 {

namespace {

constexpr const char* kPrefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

constexpr const char* kDescription =
    "Sums its two inputs to mono and adds a step of height buzz while the sum rises above 1 - sens, "
    "then takes it through a 400 Hz highpass and a 3000 Hz lowpass to both outputs: a voice comes out "
    "as a buzzing, reedy kazoo.";

// The VST 2 edition shows a value as eight characters, six of them decimals
// ("0.500000"), followed by its blank label; "%f" gives the same digits (rounded
// where the VST 2 edition truncates, which matters only in the last digit).
constexpr const char* kValueRender = "%f";
constexpr const char* kValueUnitLabel = "plain value";

std::string iri(const std::string& text) { return "<" + text + ">"; }

// A Turtle string. Names come from a bank's bytes, so quotes, backslashes and
// control characters are escaped and bytes above 127 are read as Latin-1.
std::string literal(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", unsigned(byte));
            out += escaped;
        } else if (byte >= 0x80) {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The shortest text that reads back as the same float, always with a point or
// an exponent so Turtle takes it as a decimal, not an integer.
std::string number(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string out(text, result.ptr);
    if (out.find_first_of(".e") == std::string::npos) {
        out += ".0";
    }
    return out;
}

const char* portClasses(PortKind kind) {
    switch (kind) {
        case PortKind::AudioInput:
            return "lv2:AudioPort , lv2:InputPort";
        case PortKind::AudioOutput:
            return "lv2:AudioPort , lv2:OutputPort";
        case PortKind::ControlInput:
            return "lv2:ControlPort , lv2:InputPort";
    }
    return "";
}

void writePort(std::ostream& out, std::uint32_t index) {
    const PortDefinition& port = kPorts[index];
    out << "[\n        a " << portClasses(port.kind) << " ;\n        lv2:index " << index
        << " ;\n        lv2:symbol " << literal(port.symbol) << " ;\n        lv2:name " << literal(port.name);
    if (port.kind == PortKind::ControlInput) {
        const ParameterDefinition& parameter = kParameterDefinitions[port.parameter];
        out << " ;\n        lv2:default " << number(parameter.defaultValue) << " ;\n        lv2:minimum "
            << number(kControlMinimum) << " ;\n        lv2:maximum " << number(kControlMaximum)
            << " ;\n        units:unit [\n            a units:Unit ;\n            rdfs:label "
            << literal(kValueUnitLabel) << " ;\n            units:symbol " << literal(kParameterLabel)
            << " ;\n            units:render " << literal(kValueRender) << "\n        ]";
    }
    out << "\n    ]";
}

}  // namespace

std::string presetUri(int number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ":preset:%02d", number);
    return std::string(kPluginUri) + suffix;
}

std::string manifestTurtle(const BundleDescription& bundle) {
    std::ostringstream out;
    out << kPrefixes;
    out << iri(kPluginUri) << "\n    a lv2:Plugin ;\n    lv2:binary " << iri(bundle.binaryFile)
        << " ;\n    rdfs:seeAlso " << iri(bundle.pluginFile) << " .\n";
    if (!bundle.uiBinaryFile.empty()) {
        out << "\n"
            << iri(kUiUri) << "\n    a ui:X11UI ;\n    ui:binary " << iri(bundle.uiBinaryFile)
            << " ;\n    rdfs:seeAlso " << iri(bundle.pluginFile) << " .\n";
    }
    for (const BundlePreset& preset : bundle.presets) {
        out << "\n"
            << iri(presetUri(preset.number)) << "\n    a pset:Preset ;\n    lv2:appliesTo " << iri(kPluginUri)
            << " ;\n    rdfs:label " << literal(preset.name) << " ;\n    rdfs:seeAlso "
            << iri(bundle.presetsFile) << " .\n";
    }
    return out.str();
}

std::string pluginTurtle(const BundleDescription& bundle) {
    std::ostringstream out;
    out << kPrefixes;
    out << iri(kPluginUri) << "\n    a lv2:Plugin , lv2:DistortionPlugin , doap:Project ;\n    doap:name "
        << literal(kProductName) << " ;\n    doap:maintainer [\n        foaf:name " << literal(kVendorName)
        << "\n    ] ;\n    rdfs:comment " << literal(kDescription) << " ;\n    lv2:minorVersion "
        << bundle.minorVersion << " ;\n    lv2:microVersion " << bundle.microVersion
        << " ;\n    lv2:optionalFeature lv2:hardRTCapable ;\n";
    if (!bundle.uiBinaryFile.empty()) {
        out << "    ui:ui " << iri(kUiUri) << " ;\n";
    }
    out << "    lv2:port ";
    for (std::uint32_t index = 0; index < kPortCount; ++index) {
        out << (index == 0 ? "" : " , ");
        writePort(out, index);
    }
    out << " .\n";
    if (!bundle.uiBinaryFile.empty()) {
        // The UI lives on the host's idle calls (it has no thread of its own) inside
        // the host's window, at the face's one size; it tells the host the size
        // when the host can hear it, and brackets drags when the host listens.
        // Idle is extension data every host asks for; as a feature it is only
        // optional, since hosts that never pass it (Qtractor) would otherwise
        // be right to refuse the UI. The host's scale comes as an option, at
        // instantiate and later through the options interface; options are
        // keyed by URIDs, so the map comes with them.
        out << "\n"
            << iri(kUiUri)
            << "\n    a ui:X11UI ;\n    lv2:requiredFeature ui:parent ;\n"
               "    lv2:optionalFeature ui:idleInterface , ui:resize , ui:touch , ui:fixedSize , "
               "ui:noUserResize , opts:options , urid:map ;\n"
               "    lv2:extensionData ui:idleInterface , opts:interface ;\n"
               "    opts:supportedOption ui:scaleFactor .\n";
    }
    return out.str();
}

std::string presetsTurtle(const BundleDescription& bundle) {
    std::ostringstream out;
    out << kPrefixes;
    for (const BundlePreset& preset : bundle.presets) {
        out << iri(presetUri(preset.number)) << "\n    a pset:Preset ;\n    lv2:appliesTo " << iri(kPluginUri)
            << " ;\n    rdfs:label " << literal(preset.name) << " ;\n    lv2:port ";
        const char* separator = "";
        for (const PortDefinition& port : kPorts) {
            if (port.kind != PortKind::ControlInput) {
                continue;
            }
            out << separator << "[\n        lv2:symbol " << literal(port.symbol) << " ;\n        pset:value "
                << number(preset.values[std::size_t(port.parameter)]) << "\n    ]";
            separator = " , ";
        }
        out << " .\n\n";
    }
    return out.str();
}

std::string presetTableSource(const BundleDescription& bundle) {
    std::ostringstream out;
    out << "// Written by qp_lv2_bundle from the factory bank.\n";
    for (const BundlePreset& preset : bundle.presets) {
        out << "{\"";
        for (const char c : preset.name) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\' || c == '?') {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\%03o", unsigned(byte));
                out << escaped;
            } else {
                out << c;
            }
        }
        out << "\", {";
        for (std::size_t index = 0; index < preset.values.size(); ++index) {
            out << (index == 0 ? "" : ", ") << number(preset.values[index]) << "f";
        }
        out << "}},\n";
    }
    return out.str();
}

}  // namespace qp::lv2
