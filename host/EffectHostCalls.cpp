// EffectHostServices' calls into the host: one thin wrapper per host service,
// each packing its arguments into one callHost and reading the answer back.
#include "host/EffectHostServices.h"

namespace qp {

// --- Host services -----------------------------------------------------------

IntPtr EffectHostServices::hostWantMidi(Int32 filter) { return callHost(audioMasterWantMidi, 0, filter); }

VstTimeInfo* EffectHostServices::hostGetTime(Int32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

Int32 EffectHostServices::hostTempoAt(Int32 samplePosition) {
    return Int32(callHost(audioMasterTempoAt, 0, samplePosition));
}

Int32 EffectHostServices::hostGetNumAutomatableParameters() {
    return Int32(callHost(audioMasterGetNumAutomatableParameters));
}

Int32 EffectHostServices::hostGetParameterQuantization() {
    return Int32(callHost(audioMasterGetParameterQuantization));
}

bool EffectHostServices::hostIOChanged() { return callHost(audioMasterIOChanged) != 0; }
bool EffectHostServices::hostNeedIdle() { return callHost(audioMasterNeedIdle) != 0; }

bool EffectHostServices::hostSizeWindow(Int32 width, Int32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

// Only a positive answer replaces the stored value: a host that does not know says 0.
// The stored value changes without setSampleRate, so no signal-processing state hears
// of it; the host announces real changes with effSetSampleRate.
float EffectHostServices::hostGetSampleRate() {
    const IntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0) {
        sampleRate_ = float(answer);
    }
    return sampleRate_;
}

Int32 EffectHostServices::hostGetBlockSize() {
    const IntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0) {
        blockSize_ = Int32(answer);
    }
    return blockSize_;
}

Int32 EffectHostServices::hostGetInputLatency() { return Int32(callHost(audioMasterGetInputLatency)); }
Int32 EffectHostServices::hostGetOutputLatency() { return Int32(callHost(audioMasterGetOutputLatency)); }

AEffect* EffectHostServices::hostGetPreviousPlug() {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* EffectHostServices::hostGetNextPlug() {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

Int32 EffectHostServices::hostWillReplaceOrAccumulate() {
    return Int32(callHost(audioMasterWillReplaceOrAccumulate));
}

Int32 EffectHostServices::hostGetCurrentProcessLevel() {
    return Int32(callHost(audioMasterGetCurrentProcessLevel));
}

Int32 EffectHostServices::hostGetAutomationState() { return Int32(callHost(audioMasterGetAutomationState)); }

bool EffectHostServices::hostOfflineRead(VstOfflineTask* task, Int32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, task) != 0;
}

bool EffectHostServices::hostOfflineWrite(VstOfflineTask* task, Int32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, task) != 0;
}

bool EffectHostServices::hostOfflineStart(VstAudioFile* files, Int32 fileCount, Int32 newFileCount) {
    return callHost(audioMasterOfflineStart, newFileCount, fileCount, files) != 0;
}

bool EffectHostServices::hostOfflineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0;
}

bool EffectHostServices::hostOfflineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0;
}

void EffectHostServices::hostSetOutputSampleRate(float sampleRate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, sampleRate);
}

VstSpeakerArrangement* EffectHostServices::hostGetInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* EffectHostServices::hostGetOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

// The host writes into a scratch buffer, not the caller's: a host that ignores the
// 64-byte limit cannot overrun the caller. text must hold kMaxVendorTextLen bytes.
bool EffectHostServices::hostGetVendorText(Int32 opcode, char* text) {
    if (text == nullptr || hostCallback_ == nullptr) {
        return false;
    }
    char scratch[kTextScratchLen] = {};
    const bool answered = callHost(opcode, 0, 0, scratch) != 0;
    copyTextToHost(text, scratch, kMaxVendorTextLen);
    return answered;
}

bool EffectHostServices::hostGetVendorString(char* text) {
    return hostGetVendorText(audioMasterGetVendorString, text);
}

bool EffectHostServices::hostGetProductString(char* text) {
    return hostGetVendorText(audioMasterGetProductString, text);
}

Int32 EffectHostServices::hostGetVendorVersion() { return Int32(callHost(audioMasterGetVendorVersion)); }

IntPtr EffectHostServices::hostVendorSpecificCall(Int32 index, IntPtr value, void* ptr, float opt) {
    return callHost(audioMasterVendorSpecific, index, value, ptr, opt);
}

// Hosts answer 1 for yes, 0 for "do not know" and, some of them, -1 for yes as well.
bool EffectHostServices::hostCanDo(const char* text) {
    if (text == nullptr) {
        return false;
    }
    return callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)) != 0;
}

Int32 EffectHostServices::hostGetLanguage() { return Int32(callHost(audioMasterGetLanguage)); }

void* EffectHostServices::hostOpenWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool EffectHostServices::hostCloseWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

void* EffectHostServices::hostGetDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool EffectHostServices::hostUpdateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }

bool EffectHostServices::hostBeginEdit(Int32 index) { return callHost(audioMasterBeginEdit, index) != 0; }

bool EffectHostServices::hostEndEdit(Int32 index) { return callHost(audioMasterEndEdit, index) != 0; }

bool EffectHostServices::beginEdit(Int32 index) { return hostBeginEdit(index); }

bool EffectHostServices::endEdit(Int32 index) { return hostEndEdit(index); }

bool EffectHostServices::hostOpenFileSelector(VstFileSelect* select) {
    if (select == nullptr) {
        return false;
    }
    return callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

}  // namespace qp
