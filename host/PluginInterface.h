// The binary interface between a VST 2 host and this plug-in, declared from the
// published record layouts. Every field offset here is fixed by hosts that were
// compiled long ago; both widths are checked with static_asserts below. On 64-bit
// Windows every pointer-sized field (entry points, object, user, the reserved
// fields, the `value` argument and answer) is 8 bytes, int32 and float fields
// stay 4, and each field sits at its natural alignment.
#pragma once

#include <cstddef>
#include <cstdint>

// The record's entry points use the C calling convention. Only 32-bit x86 has
// others a compiler could be told to default to (stdcall, under -mrtd), so
// only there is it named, on Windows and elsewhere alike.
#if defined(__i386__)
#define QP_CDECL __attribute__((__cdecl__))
#else
#define QP_CDECL
#endif

namespace qp {

using Int32 = std::int32_t;
using IntPtr = std::intptr_t;

struct AEffect;

// The host's callback: (record, opcode, index, value, ptr, opt) -> answer.
using HostCallback = IntPtr(QP_CDECL*)(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                       float opt);

using DispatcherEntry = IntPtr(QP_CDECL*)(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                          float opt);
using ProcessEntry = void(QP_CDECL*)(AEffect* effect, float** inputs, float** outputs, Int32 sampleFrames);
using SetParameterEntry = void(QP_CDECL*)(AEffect* effect, Int32 index, float value);
using GetParameterEntry = float(QP_CDECL*)(AEffect* effect, Int32 index);

// Four-character codes are packed big-endian into an int32, as hosts compare them.
constexpr Int32 fourCharCode(char a, char b, char c, char d) {
    return (Int32(std::uint8_t(a)) << 24) | (Int32(std::uint8_t(b)) << 16) | (Int32(std::uint8_t(c)) << 8) |
           Int32(std::uint8_t(d));
}

constexpr Int32 kEffectMagic = fourCharCode('V', 's', 't', 'P');

struct AEffect {
    Int32 magic;
    DispatcherEntry dispatcher;
    ProcessEntry process;
    SetParameterEntry setParameter;
    GetParameterEntry getParameter;
    Int32 numPrograms;
    Int32 numParams;
    Int32 numInputs;
    Int32 numOutputs;
    Int32 flags;
    IntPtr resvd1;
    IntPtr resvd2;
    Int32 initialDelay;
    Int32 realQualities;
    Int32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    Int32 uniqueID;
    Int32 version;
    ProcessEntry processReplacing;
    char future[60];
};

enum EffectFlags : Int32 {
    effFlagsHasEditor = 1,
    effFlagsHasClip = 2,
    effFlagsHasVu = 4,
    effFlagsCanMono = 8,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsExtIsAsync = 1024,
    effFlagsExtHasBuffer = 2048,
};

// Requests the host sends through the record's dispatcher entry.
enum EffectOpcode : Int32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effLastOpcode = effBeginLoadProgram,  // 76
};

// Requests the plug-in sends to the host's callback.
enum HostOpcode : Int32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterGetInputSpeakerArrangement = 49,
};

// Host text buffers are only as large as these limits (each includes the terminator).
constexpr int kMaxParamTextLen = 8 + 1;  // parameter name, label and display
constexpr int kMaxProgramNameLen = 24;
constexpr int kMaxEffectNameLen = 32;
constexpr int kMaxVendorTextLen = 64;  // vendor and product strings
constexpr int kMaxPinLabelLen = 64;

constexpr Int32 kPlugCategUnknown = 0;
constexpr Int32 kPlugCategSynth = 2;

// Events delivered with effProcessEvents.
constexpr Int32 kVstMidiType = 1;

struct VstEvent {
    Int32 type;
    Int32 byteSize;
    Int32 deltaFrames;
    Int32 flags;
    char data[16];
};

struct VstMidiEvent {
    Int32 type;
    Int32 byteSize;
    Int32 deltaFrames;
    Int32 flags;
    Int32 noteLength;
    Int32 noteOffset;
    char midiData[4];
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstEvents {
    Int32 numEvents;
    IntPtr reserved;
    VstEvent* events[2];  // numEvents entries in fact
};

struct VstKeyCode {
    Int32 character;
    unsigned char virt;
    unsigned char modifier;
};

// The editor rectangle handed to the host: top, left, bottom, right.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

enum PinFlags : Int32 {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
};

struct VstPinProperties {
    char label[kMaxPinLabelLen];
    Int32 flags;
    Int32 arrangementType;
    char shortLabel[8];
    char future[48];
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    Int32 type;
    char future[28];
};

struct VstSpeakerArrangement {
    Int32 type;
    Int32 numChannels;
    VstSpeakerProperties speakers[8];  // numChannels entries in fact
};

// Records the host owns and the plug-in only passes along.
struct VstTimeInfo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstFileSelect;
struct VstWindow;

static_assert(sizeof(VstMidiEvent) == 32);
static_assert(sizeof(VstKeyCode) == 8);
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(AEffect) == 144);
static_assert(offsetof(AEffect, dispatcher) == 4);
static_assert(offsetof(AEffect, numPrograms) == 20);
static_assert(offsetof(AEffect, flags) == 36);
static_assert(offsetof(AEffect, ioRatio) == 60);
static_assert(offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76);
static_assert(offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, future) == 84);
static_assert(offsetof(VstEvents, events) == 8);
#elif INTPTR_MAX == INT64_MAX
static_assert(sizeof(IntPtr) == 8 && sizeof(void*) == 8);
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 128);
static_assert(offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16);
#else
#error "the plug-in record is laid out for 32- and 64-bit builds only"
#endif

}  // namespace qp
