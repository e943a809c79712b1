// The capability names an effect may be asked about. Nothing in the effect consults
// them; they are the vocabulary for callers, and qphost, which links no product
// code, asks a plug-in every one of them, so this header includes nothing.
#pragma once

namespace qp {

inline constexpr const char* effectCapabilityNames[26] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
    "midiProgramNames",
    "conformsToWindowRules",
    "bypass",
};

}  // namespace qp
