// EffectHostServices, the effect's side of opcodes 25 to 76: the names a host may
// be asked about, the dispatcher and the default operations. The calls into the host are in
// EffectHostCalls.cpp, the speaker-arrangement memory in SpeakerArrangements.cpp.
#include "host/EffectHostServices.h"

#include <cstdint>
#include <cstring>

#include "host/EditorBase.h"

namespace qp {

const char* const hostCapabilityNames[17] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "reportConnectionChanges",
    "acceptIOChanges",
    "sizeWindow",
    "asyncProcessing",
    "offline",
    "supplyIdle",
    "supportShell",
    "openFileSelector",
    "editFile",
    "closeFileSelector",
    "startStopProcess",
};

namespace {

// The plug-in interface has no limit of its own for error texts and shell plug-in
// names; the product-string limit is the smallest buffer hosts are known to give.
constexpr int kMaxErrorTextLen = kMaxVendorTextLen;
constexpr int kMaxShellNameLen = kMaxVendorTextLen;

constexpr unsigned kLowByte = 0xff;

IntPtr fromBool(bool value) { return value ? 1 : 0; }

VstKeyCode keyCodeFrom(Int32 index, IntPtr value, Int32 modifier) {
    VstKeyCode key{};
    key.character = index;
    key.virt = static_cast<unsigned char>(std::uintptr_t(value) & kLowByte);
    key.modifier = static_cast<unsigned char>(unsigned(modifier) & kLowByte);
    return key;
}

}  // namespace

EffectHostServices::EffectHostServices(HostCallback callback, Int32 programCount, Int32 parameterCount)
    : EffectBase(callback, programCount, parameterCount) {}

EffectHostServices::~EffectHostServices() = default;

// --- Opcodes 25 to 76; everything else goes to EffectBase ---------------------

IntPtr EffectHostServices::dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    if (opcode < effProcessEvents || opcode > effLastOpcode) {
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }

    // As in EffectBase: text for the host is written into a zeroed scratch buffer and
    // copied cut to the interface's limit, and only when the operation succeeded.
    char scratch[kTextScratchLen];
    auto textToHost = [&](int capacity, auto&& write) -> IntPtr {
        if (ptr == nullptr) {
            return 0;
        }
        std::memset(scratch, 0, sizeof(scratch));
        const bool written = write(scratch);
        if (written) {
            copyTextToHost(ptr, scratch, capacity);
        }
        return fromBool(written);
    };
    auto pinToHost = [&](auto&& describe) -> IntPtr {
        if (ptr == nullptr) {
            return 0;
        }
        // The slack catches a label written past its 64 bytes; the host's record only
        // ever receives its own 128 bytes, with the label terminated within them.
        struct {
            VstPinProperties pin;
            char slack[kTextScratchLen];
        } local{};
        std::memcpy(&local.pin, ptr, sizeof(local.pin));
        if (!describe(&local.pin)) {
            return 0;
        }
        local.pin.label[kMaxPinLabelLen - 1] = '\0';
        std::memcpy(ptr, &local.pin, sizeof(local.pin));
        return 1;
    };
    const bool hasPtr = ptr != nullptr;

    switch (opcode) {
        case effProcessEvents:
            // An empty delivery is still a delivery: the effect answers it (and
            // reads nothing from a null list).
            return processEvents(static_cast<VstEvents*>(ptr));
        case effCanBeAutomated:
            return fromBool(canBeAutomated(index));
        case effString2Parameter:
            return hasPtr ? fromBool(string2Parameter(index, static_cast<char*>(ptr))) : 0;
        case effGetNumProgramCategories:
            return getNumProgramCategories();
        case effGetProgramNameIndexed:
            return textToHost(kMaxProgramNameLen, [&](char* text) {
                return getProgramNameIndexed(clampToInt32(value), index, text);
            });
        case effCopyProgram:
            return fromBool(copyProgram(index));
        case effConnectInput:
            connectInput(index, value != 0);
            return 1;
        case effConnectOutput:
            connectOutput(index, value != 0);
            return 1;
        case effGetInputProperties:
            return pinToHost([&](VstPinProperties* pin) { return getInputProperties(index, pin); });
        case effGetOutputProperties:
            return pinToHost([&](VstPinProperties* pin) { return getOutputProperties(index, pin); });
        case effGetPlugCategory:
            return getPlugCategory();
        case effGetCurrentPosition:
            return getCurrentPosition();
        case effGetDestinationBuffer:
            return reinterpret_cast<IntPtr>(getDestinationBuffer());
        case effOfflineNotify:
            return hasPtr ? fromBool(offlineNotify(static_cast<VstAudioFile*>(ptr), clampToInt32(value),
                                                   index != 0))
                          : 0;
        case effOfflinePrepare:
            return hasPtr ? fromBool(offlinePrepare(static_cast<VstOfflineTask*>(ptr), clampToInt32(value)))
                          : 0;
        case effOfflineRun:
            return hasPtr ? fromBool(offlineRun(static_cast<VstOfflineTask*>(ptr), clampToInt32(value))) : 0;
        case effProcessVarIo:
            return hasPtr ? fromBool(processVarIo(ptr)) : 0;
        case effSetSpeakerArrangement:
            if (!hasPtr || value == 0) {
                return 0;
            }
            return fromBool(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                                  static_cast<VstSpeakerArrangement*>(ptr)));
        case effSetBlockSizeAndSampleRate:
            setBlockSizeAndSampleRate(clampToInt32(value), opt);
            return 1;
        case effSetBypass:
            return fromBool(setBypass(value != 0));
        case effGetEffectName:
            return textToHost(kMaxEffectNameLen, [&](char* text) { return getEffectName(text); });
        case effGetErrorText:
            return textToHost(kMaxErrorTextLen, [&](char* text) { return getErrorText(text); });
        case effGetVendorString:
            return textToHost(kMaxVendorTextLen, [&](char* text) { return getVendorString(text); });
        case effGetProductString:
            return textToHost(kMaxVendorTextLen, [&](char* text) { return getProductString(text); });
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            // Vendor requests define their own arguments; ptr may rightly be null.
            return vendorSpecific(index, value, ptr, opt);
        case effCanDo:
            return hasPtr ? canDo(static_cast<const char*>(ptr)) : 0;
        case effGetTailSize:
            return getTailSize();
        case effIdle:
            return effectIdle();
        case effGetIcon:
            return reinterpret_cast<IntPtr>(getIcon());
        case effSetViewPosition:
            return fromBool(setViewPosition(index, clampToInt32(value)));
        case effGetParameterProperties:
            return hasPtr ? fromBool(getParameterProperties(index, ptr)) : 0;
        case effKeysRequired:
            // The interface asks the question the other way round.
            return fromBool(!keysRequired());
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp: {
            EditorBase* editor = getEditor();
            if (editor == nullptr) {
                return 0;
            }
            VstKeyCode key = keyCodeFrom(index, value, truncateToInt32(opt));
            return opcode == effEditKeyDown ? editor->keyDown(key) : editor->keyUp(key);
        }
        case effSetEditKnobMode: {
            EditorBase* editor = getEditor();
            return editor != nullptr ? editor->setKnobMode(clampToInt32(value)) : 0;
        }
        case effGetMidiProgramName:
            return hasPtr ? getMidiProgramName(index, ptr) : 0;
        case effGetCurrentMidiProgram:
            // "No current MIDI program" is -1, and it is the answer with or without
            // a record to describe one in.
            return getCurrentMidiProgram(index, ptr);
        case effGetMidiProgramCategory:
            return hasPtr ? getMidiProgramCategory(index, ptr) : 0;
        case effHasMidiProgramsChanged:
            return fromBool(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            return hasPtr ? fromBool(getMidiKeyName(index, ptr)) : 0;
        case effBeginSetProgram:
            return fromBool(beginSetProgram());
        case effEndSetProgram:
            return fromBool(endSetProgram());
        case effGetSpeakerArrangement:
            if (!hasPtr || value == 0) {
                return 0;
            }
            return fromBool(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                                  static_cast<VstSpeakerArrangement**>(ptr)));
        case effShellGetNextPlugin: {
            // Only a plug-in the shell hands out (a non-zero id) has a name for the
            // host; at the end of the list the host's buffer stays as it was.
            std::memset(scratch, 0, sizeof(scratch));
            const Int32 id = getNextShellPlugin(scratch);
            if (hasPtr && id != 0) {
                copyTextToHost(ptr, scratch, kMaxShellNameLen);
            }
            return id;
        }
        case effStartProcess:
            return startProcess();
        case effStopProcess:
            return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(clampToInt32(value));
        case effSetPanLaw:
            return fromBool(setPanLaw(clampToInt32(value), opt));
        case effBeginLoadBank:
            return hasPtr ? beginLoadBank(ptr) : 0;
        case effBeginLoadProgram:
            return hasPtr ? beginLoadProgram(ptr) : 0;
        default:
            return 0;
    }
}

// --- Default operations ------------------------------------------------------

EditorBase* EffectHostServices::getEditor() { return editor_; }

Int32 EffectHostServices::processEvents(VstEvents*) { return 0; }
bool EffectHostServices::canBeAutomated(Int32) { return true; }
bool EffectHostServices::string2Parameter(Int32, char*) { return false; }
float EffectHostServices::getChannelParameter(Int32, Int32) { return 0.0f; }
Int32 EffectHostServices::getNumProgramCategories() { return 1; }
bool EffectHostServices::getProgramNameIndexed(Int32, Int32, char*) { return false; }
bool EffectHostServices::copyProgram(Int32) { return false; }
void EffectHostServices::connectInput(Int32, bool) {}
void EffectHostServices::connectOutput(Int32, bool) {}
bool EffectHostServices::getInputProperties(Int32, VstPinProperties*) { return false; }
bool EffectHostServices::getOutputProperties(Int32, VstPinProperties*) { return false; }

Int32 EffectHostServices::getPlugCategory() {
    return (record_.flags & effFlagsIsSynth) != 0 ? kPlugCategSynth : kPlugCategUnknown;
}

void EffectHostServices::setFlagExtIsAsync(bool state) { setFlag(effFlagsExtIsAsync, state); }
void EffectHostServices::setFlagExtHasBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
void EffectHostServices::setFlagIsSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void EffectHostServices::setFlagNoSoundInStop(bool state) { setFlag(effFlagsNoSoundInStop, state); }

Int32 EffectHostServices::getCurrentPosition() { return 0; }
float* EffectHostServices::getDestinationBuffer() { return nullptr; }
bool EffectHostServices::offlineNotify(VstAudioFile*, Int32, bool) { return false; }
bool EffectHostServices::offlinePrepare(VstOfflineTask*, Int32) { return false; }
bool EffectHostServices::offlineRun(VstOfflineTask*, Int32) { return false; }
void* EffectHostServices::getInputSpeakerArrangementQuery() { return nullptr; }
void* EffectHostServices::getOutputSpeakerArrangementQuery() { return nullptr; }
bool EffectHostServices::processVarIo(void*) { return false; }

bool EffectHostServices::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
    return false;
}

bool EffectHostServices::getSpeakerArrangement(VstSpeakerArrangement** input,
                                               VstSpeakerArrangement** output) {
    if (input != nullptr) {
        *input = nullptr;
    }
    if (output != nullptr) {
        *output = nullptr;
    }
    return false;
}

void EffectHostServices::setBlockSizeAndSampleRate(Int32 blockSize, float sampleRate) {
    blockSize_ = blockSize;
    sampleRate_ = sampleRate;
}

bool EffectHostServices::setBypass(bool) { return false; }
bool EffectHostServices::getEffectName(char*) { return false; }
bool EffectHostServices::getErrorText(char*) { return false; }
bool EffectHostServices::getVendorString(char*) { return false; }
bool EffectHostServices::getProductString(char*) { return false; }
Int32 EffectHostServices::getVendorVersion() { return 0; }
IntPtr EffectHostServices::vendorSpecific(Int32, IntPtr, void*, float) { return 0; }
Int32 EffectHostServices::canDo(const char*) { return 0; }
void* EffectHostServices::getIcon() { return nullptr; }
bool EffectHostServices::setViewPosition(Int32, Int32) { return false; }
Int32 EffectHostServices::getTailSize() { return 0; }
Int32 EffectHostServices::effectIdle() { return 0; }
bool EffectHostServices::getParameterProperties(Int32, void*) { return false; }
bool EffectHostServices::keysRequired() { return false; }
Int32 EffectHostServices::getVstVersion() { return 2300; }
Int32 EffectHostServices::getMidiProgramName(Int32, void*) { return 0; }
Int32 EffectHostServices::getCurrentMidiProgram(Int32, void*) { return -1; }
Int32 EffectHostServices::getMidiProgramCategory(Int32, void*) { return 0; }
bool EffectHostServices::hasMidiProgramsChanged(Int32) { return false; }
bool EffectHostServices::getMidiKeyName(Int32, void*) { return false; }
bool EffectHostServices::beginSetProgram() { return false; }
bool EffectHostServices::endSetProgram() { return false; }
Int32 EffectHostServices::setTotalSampleToProcess(Int32 value) { return value; }
Int32 EffectHostServices::getNextShellPlugin(char*) { return 0; }
Int32 EffectHostServices::startProcess() { return 0; }
Int32 EffectHostServices::stopProcess() { return 0; }
bool EffectHostServices::setPanLaw(Int32, float) { return false; }
Int32 EffectHostServices::beginLoadBank(void*) { return 0; }
Int32 EffectHostServices::beginLoadProgram(void*) { return 0; }

}  // namespace qp
