#include "tools/EffectInfo.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/CapabilityNames.h"

namespace qp::tools {

namespace {

// Larger than any host text limit, so a plug-in that overruns its limit still
// writes into our memory; the text is cut at the limit's length when shown.
constexpr std::size_t kScratchBytes = 512;

struct FlagName {
    Int32 bit;
    const char* name;
};

constexpr FlagName kFlagNames[] = {
    {effFlagsHasEditor, "HasEditor"},
    {effFlagsHasClip, "HasClip"},
    {effFlagsHasVu, "HasVu"},
    {effFlagsCanMono, "CanMono"},
    {effFlagsCanReplacing, "CanReplacing"},
    {effFlagsProgramChunks, "ProgramChunks"},
    {effFlagsIsSynth, "IsSynth"},
    {effFlagsNoSoundInStop, "NoSoundInStop"},
    {effFlagsExtIsAsync, "ExtIsAsync"},
    {effFlagsExtHasBuffer, "ExtHasBuffer"},
};

class Query {
public:
    explicit Query(AEffect* effect)
        : effect_(effect) {}

    IntPtr operator()(Int32 opcode, Int32 index = 0, IntPtr value = 0, void* ptr = nullptr,
                      float opt = 0.0f) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // The text a text opcode writes, cut to the host limit `limit` (with terminator).
    std::string text(Int32 opcode, Int32 index, std::size_t limit, IntPtr value = 0,
                     IntPtr* answer = nullptr) {
        std::vector<char> buffer(kScratchBytes, '\0');
        IntPtr result = (*this)(opcode, index, value, buffer.data());
        if (answer) {
            *answer = result;
        }
        return std::string(buffer.data(), strnlen(buffer.data(), limit - 1));
    }

private:
    AEffect* effect_;
};

}  // namespace

std::string describeFlags(Int32 flags) {
    std::string text;
    Int32 rest = flags;
    for (const FlagName& flag : kFlagNames) {
        if (flags & flag.bit) {
            if (!text.empty()) {
                text += " | ";
            }
            text += flag.name;
            rest &= ~flag.bit;
        }
    }
    if (rest != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", unsigned(rest));
        if (!text.empty()) {
            text += " | ";
        }
        text += hex;
    }
    return text.empty() ? "none" : text;
}

std::string describeFourCharCode(Int32 code) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((std::uint32_t(code) >> shift) & 0xFF);
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "' (0x%08x)", unsigned(code));
    return text + hex;
}

void printEffectInfo(AEffect* effect, const std::string& libraryPath, std::ostream& out) {
    Query query(effect);
    out << "plug-in        " << libraryPath << '\n';
    out << "effect name    " << query.text(effGetEffectName, 0, kMaxEffectNameLen) << '\n';
    out << "vendor         " << query.text(effGetVendorString, 0, kMaxVendorTextLen) << '\n';
    out << "product        " << query.text(effGetProductString, 0, kMaxVendorTextLen) << '\n';
    out << "vendor version " << query(effGetVendorVersion) << '\n';
    out << "record version " << effect->version << '\n';
    out << "unique id      " << describeFourCharCode(effect->uniqueID) << '\n';
    out << "VST version    " << query(effGetVstVersion) << '\n';
    const IntPtr category = query(effGetPlugCategory);
    out << "category       " << category
        << (category == kPlugCategUnknown ? " (unknown)"
            : category == kPlugCategSynth ? " (synth)"
                                          : "")
        << '\n';
    out << "flags          " << effect->flags << " = " << describeFlags(effect->flags) << '\n';
    out << "channels       " << effect->numInputs << " in, " << effect->numOutputs << " out\n";
    out << "initial delay  " << effect->initialDelay << " samples\n";

    // gap lines the labels up in one column whichever heading comes first.
    auto describePins = [&](const char* heading, const char* gap, Int32 count, Int32 opcode) {
        for (Int32 pin = 0; pin < count; ++pin) {
            VstPinProperties properties{};
            if (query(opcode, pin, 0, &properties) != 0) {
                out << heading << pin << gap << '"'
                    << std::string(properties.label, strnlen(properties.label, kMaxPinLabelLen - 1))
                    << "\" flags " << properties.flags << '\n';
            }
        }
    };
    describePins("output pin ", "   ", effect->numOutputs, effGetOutputProperties);
    describePins("input pin ", "    ", effect->numInputs, effGetInputProperties);

    const IntPtr current = query(effGetProgram);
    out << "programs       " << effect->numPrograms << " (current " << current << ")\n";
    for (Int32 program = 0; program < effect->numPrograms; ++program) {
        IntPtr answer = 0;
        std::string name = query.text(effGetProgramNameIndexed, program, kMaxProgramNameLen, 0, &answer);
        out << "  " << program << (program == current ? " * " : "   ")
            << (answer != 0 ? "\"" + name + "\"" : std::string("(no name)")) << '\n';
    }

    out << "parameters     " << effect->numParams << '\n';
    for (Int32 index = 0; index < effect->numParams; ++index) {
        const std::string name = query.text(effGetParamName, index, kMaxParamTextLen);
        const std::string display = query.text(effGetParamDisplay, index, kMaxParamTextLen);
        const std::string label = query.text(effGetParamLabel, index, kMaxParamTextLen);
        char value[32];
        std::snprintf(value, sizeof value, "%.6g", double(effect->getParameter(effect, index)));
        out << "  " << index << " \"" << name << "\" = " << value << "  display \"" << display
            << "\" label \"" << label << "\"" << (query(effCanBeAutomated, index) != 0 ? "  automatable" : "")
            << '\n';
    }

    std::string yes, no, unknown;
    for (const char* capability : effectCapabilityNames) {
        std::string name = capability;
        const IntPtr answer = query(effCanDo, 0, 0, name.data());
        std::string& list = answer > 0 ? yes : answer < 0 ? no : unknown;
        if (!list.empty()) {
            list += ' ';
        }
        list += capability;
    }
    out << "can do         " << (yes.empty() ? "-" : yes) << '\n';
    out << "cannot do      " << (no.empty() ? "-" : no) << '\n';
    if (!unknown.empty()) {
        out << "doesn't know   " << unknown << '\n';
    }

    ERect* rect = nullptr;
    if (query(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr) {
        out << "editor         " << (rect->right - rect->left) << " x " << (rect->bottom - rect->top)
            << " (top " << rect->top << ", left " << rect->left << ", bottom " << rect->bottom << ", right "
            << rect->right << ")\n";
    } else {
        out << "editor         none\n";
    }
}

}  // namespace qp::tools
