// The effect object: construction, identity, parameters and programs, and where
// the sample loop (effect/dsp/BuzzChain.h) reads its values. MIDI and settings
// live in BuzzEffectMidi.cpp, chunks in BuzzEffectChunks.cpp.
//
// Over 400 lines on purpose: the parameter, program and sample-loop code share the
// helpers below that locate a live value in the record block (liveSlot, valueAt,
// programOffset) and the not-ready flag; one file keeps that layout knowledge
// private instead of moving it into a header every caller could reach.
#include "effect/BuzzEffect.h"
#include "effect/SharedField.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace qp {

namespace {

constexpr Int32 kChannelCount = 2;
// What a record holds before setupParameters defines it.
constexpr float kUndefinedValue = 1.0f;
constexpr const char* kUndefinedParameterName = " ";
constexpr const char* kInitialProgramName = "Init";

// The mouse-wheel request some hosts pass through effVendorSpecific.
constexpr Int32 kWheelRequest = fourCharCode('s', 't', 'C', 'A');
constexpr IntPtr kWheelValue = fourCharCode('W', 'h', 'e', 'e');

constexpr const char* kPinLabelFormat = "%s %1d";

std::atomic<EditorFactory> installedEditorFactory{nullptr};
std::atomic<bool> editorFailed{false};

bool isParameterIndex(Int32 index) { return index >= 0 && index < kParameterCount; }
bool isProgramIndex(Int32 index) { return index >= 0 && index < kProgramCount; }

// notReady is read by the audio-thread entries; release/acquire so an entry that
// sees the flag clear also sees the finished DSP setup.
void setNotReady(std::uint8_t& flag, bool notReady) {
    std::atomic_ref<std::uint8_t>(flag).store(notReady ? 1 : 0, std::memory_order_release);
}
bool isNotReady(std::uint8_t& flag) {
    return std::atomic_ref<std::uint8_t>(flag).load(std::memory_order_acquire) != 0;
}

// Where a parameter's live value sits in the block: `offset` bytes from its start,
// plus, for a per-program parameter, the current program's record offset (the
// mask keeps it or drops it). So the value of any program is found with a
// multiply, an and and an add, no branch, and the sample loop can follow the
// current program every sample at that cost.
struct LiveSlot {
    std::size_t offset;
    std::size_t programMask;  // all ones for a per-program parameter, else 0
};

LiveSlot liveSlot(ParameterBlock& block, Int32 index) {
    if (loadShared(block.parameters[index].perProgram) != 0) {
        return {offsetof(ParameterBlock, programs) + offsetof(ProgramRecord, values) +
                    std::size_t(index) * sizeof(float),
                ~std::size_t(0)};
    }
    return {offsetof(ParameterBlock, parameters) + std::size_t(index) * sizeof(ParameterRecord) +
                offsetof(ParameterRecord, value),
            0};
}

std::size_t programOffset(Int32 program) { return std::size_t(program) * sizeof(ProgramRecord); }

float& valueAt(unsigned char* block, LiveSlot slot, std::size_t programOffset) {
    return *reinterpret_cast<float*>(block + slot.offset + (programOffset & slot.programMask));
}

unsigned char* bytesOf(ParameterBlock& block) { return reinterpret_cast<unsigned char*>(&block); }

// Fills a record's name field completely, so a chunk of the block carries no
// stale bytes after the terminator.
void setRecordName(char (&field)[kNameSize], const char* text) {
    std::memset(field, 0, sizeof field);
    if (text != nullptr) {
        const void* end = std::memchr(text, '\0', kNameSize - 1);
        const std::size_t length =
            end != nullptr ? std::size_t(static_cast<const char*>(end) - text) : kNameSize - 1;
        std::memcpy(field, text, length);
    }
}

}  // namespace

void setEditorFactory(EditorFactory factory) { installedEditorFactory.store(factory); }
EditorFactory editorFactory() { return installedEditorFactory.load(); }
bool editorCreationFailed() { return editorFailed.load(); }

// --- construction -----------------------------------------------------------------

BuzzEffect::BuzzEffect(HostCallback callback, EditorFactory makeEditor)
    : EffectHostServices(callback, kProgramCount, kParameterCount) {
    setRecordDefaults();
    setupParameters();
    setFlagProgramChunks(true);

    setNotReady(notReady_, true);
    setupDsp();

    loadSettings();

    record_.process = processEntry;
    record_.processReplacing = processReplacingEntry;
    if (callback != nullptr) {
        setNumInputs(kChannelCount);
        setNumOutputs(kChannelCount);
        setFlagCanReplacing(true);
        setFlagCanMono(true);
        setFlagHasVu(true);
        setUniqueId(kUniqueId);
    }

    // The editor attaches itself while it is being constructed (which also sets
    // effFlagsHasEditor); the effect owns it from then on.
    if (makeEditor) {
        if (EditorBase* editor = makeEditor(this)) {
            editor_ = editor;
        } else {
            editorFailed.store(true);
        }
    }

    // Brings the editor's controls and everything derived from the values in step
    // with program 0.
    storeCurrentProgram(0);
    for (Int32 index = 0; index < kParameterCount; ++index) {
        setParameter(index, currentParameterValue(index));
    }
}

// The filters go with the object's members; the base layers destroy the editor.
BuzzEffect::~BuzzEffect() { setNotReady(notReady_, true); }

void BuzzEffect::setRecordDefaults() {
    for (ParameterRecord& parameter : block_.parameters) {
        parameter.perProgram = 1;
        parameter.unbounded = 0;
        parameter.keepDefault = 0;
        parameter.padding = 0;
        parameter.value = kUndefinedValue;
        parameter.learnedController = 0;
        setRecordName(parameter.name, kUndefinedParameterName);
    }
    for (ProgramRecord& program : block_.programs) {
        setRecordName(program.name, kInitialProgramName);
        std::fill(std::begin(program.values), std::end(program.values), kUndefinedValue);
    }
}

void BuzzEffect::setupDsp() {
    setNotReady(notReady_, true);
    learnTarget_ = -1;
    // The filters were constructed with the object, and each construction reset the
    // shared rate to 44100 Hz; the effect's own rate is still the base's 44100 Hz
    // here. So both coefficients are for 44100 Hz, and they stay so whatever rate
    // the host sets later.
    setDspSampleRate(sampleRate_);
    chain_.tune();
    setNotReady(notReady_, false);
}

// --- identity ---------------------------------------------------------------------

bool BuzzEffect::getEffectName(char* name) {
    copyTextToHost(name, kProductName, kMaxEffectNameLen);
    return name != nullptr;
}

bool BuzzEffect::getProductString(char* text) {
    copyTextToHost(text, kProductName, kMaxVendorTextLen);
    return text != nullptr;
}

bool BuzzEffect::getVendorString(char* text) {
    copyTextToHost(text, kVendorName, kMaxVendorTextLen);
    return text != nullptr;
}

Int32 BuzzEffect::getVendorVersion() { return kVendorVersion; }

bool BuzzEffect::getOutputProperties(Int32 index, VstPinProperties* properties) {
    if (properties == nullptr || index < 0 || index >= kChannelCount) {
        return false;
    }
    std::snprintf(properties->label, sizeof properties->label, kPinLabelFormat, kProductName, int(index + 1));
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

IntPtr BuzzEffect::vendorSpecific(Int32 index, IntPtr value, void*, float opt) {
    if (editor_ != nullptr && index == kWheelRequest && value == kWheelValue) {
        return editor_->wheel(opt) ? 1 : 0;
    }
    return 0;
}

Int32 BuzzEffect::canDo(const char* text) {
    if (text != nullptr &&
        (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)) {
        return 1;
    }
    return -1;
}

// --- parameters -------------------------------------------------------------------

Int32 BuzzEffect::loadCurrentProgram() {
    return std::atomic_ref<Int32>(currentProgram_).load(std::memory_order_relaxed);
}

void BuzzEffect::storeCurrentProgram(Int32 program) {
    std::atomic_ref<Int32>(currentProgram_).store(program, std::memory_order_relaxed);
}

float& BuzzEffect::liveValue(Int32 index) {
    return valueAt(bytesOf(block_), liveSlot(block_, index), programOffset(loadCurrentProgram()));
}

void BuzzEffect::setParameter(Int32 index, float value) {
    if (takeValue(index, value) && editor_ != nullptr) {
        editor_->setParameter(index, value);
    }
}

void BuzzEffect::takeEditorValue(Int32 index, float value) {
    float taken = value;
    if (takeValue(index, taken)) {
        callHost(audioMasterAutomate, index, 0, nullptr, value);
    }
}

bool BuzzEffect::takeValue(Int32 index, float& value) {
    // NaN and the infinities are neither values nor commands: stored in an
    // unbounded parameter they would close the gate or poison the output for as
    // long as the program lives, and a bounded one is not moved to an end of its
    // range by a host's arithmetic gone wrong. As a command number their
    // conversion to an integer is undefined.
    if (!std::isfinite(value)) {
        return false;
    }
    handleCommand(index, value);
    if (isParameterIndex(index)) {
        if (!loadShared(block_.parameters[index].unbounded)) {
            value = std::clamp(value, 0.0f, 1.0f);
        }
        storeShared(liveValue(index), value);
    }
    return true;
}

float BuzzEffect::getParameter(Int32 index) {
    return isParameterIndex(index) ? currentParameterValue(index) : 0.0f;
}

float BuzzEffect::currentParameterValue(Int32 index) {
    return isParameterIndex(index) ? loadShared(liveValue(index)) : 0.0f;
}

void BuzzEffect::defineParameter(Int32 index, const char* name, float defaultValue, std::uint8_t perProgram,
                                 std::uint8_t unbounded, std::uint8_t keepDefault) {
    if (!isParameterIndex(index)) {
        return;
    }
    ParameterRecord& parameter = block_.parameters[index];
    storeShared(parameter.value, defaultValue);
    storeShared(parameter.perProgram, perProgram);
    storeShared(parameter.unbounded, unbounded);
    storeShared(parameter.keepDefault, keepDefault);
    setRecordName(parameter.name, name);
}

void BuzzEffect::setupParameters() {
    for (Int32 index = 0; index < kParameterCount; ++index) {
        const ParameterDefinition& definition = kParameterDefinitions[index];
        defineParameter(index, definition.name, definition.defaultValue, definition.perProgram,
                        definition.unbounded, definition.keepDefault);
    }
    for (ProgramRecord& program : block_.programs) {
        for (Int32 index = 0; index < kParameterCount; ++index) {
            storeShared(program.values[index], loadShared(block_.parameters[index].value));
        }
    }
}

void BuzzEffect::getParamName(Int32 index, char* text) {
    copyTextToHost(text, isParameterIndex(index) ? block_.parameters[index].name : "", kMaxParamTextLen);
}

void BuzzEffect::getParamLabel(Int32, char* label) {
    copyTextToHost(label, kParameterLabel, kMaxParamTextLen);
}

void BuzzEffect::getParamDisplay(Int32 index, char* text) {
    char display[kTextScratchLen] = {};
    if (isParameterIndex(index)) {
        floatToText(currentParameterValue(index), display);
    }
    copyTextToHost(text, display, kMaxParamTextLen);
}

// --- programs ---------------------------------------------------------------------

Int32 BuzzEffect::getProgram() { return loadCurrentProgram(); }

void BuzzEffect::setProgram(Int32 program) {
    // The dispatcher only passes valid numbers; other callers (MIDI program
    // changes, chunks) are held to the same range, as the number indexes the block.
    if (!isProgramIndex(program)) {
        return;
    }
    storeCurrentProgram(program);
    // Re-applying the stored values clamps them and moves the editor's controls.
    for (Int32 index = 0; index < kParameterCount; ++index) {
        setParameter(index, currentParameterValue(index));
    }
}

void BuzzEffect::setProgramName(char* name) {
    if (name != nullptr) {
        setRecordName(block_.programs[loadCurrentProgram()].name, name);
    }
}

void BuzzEffect::getProgramName(char* name) {
    copyTextToHost(name, block_.programs[loadCurrentProgram()].name, kMaxProgramNameLen);
}

bool BuzzEffect::getProgramNameIndexed(Int32, Int32 index, char* text) {
    if (!isProgramIndex(index)) {
        return false;
    }
    copyTextToHost(text, block_.programs[index].name, kMaxProgramNameLen);
    return true;
}

bool BuzzEffect::copyProgram(Int32) { return false; }

// --- processing -------------------------------------------------------------------

void BuzzEffect::setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }

void BuzzEffect::setBlockSize(Int32 blockSize) { blockSize_ = blockSize; }

void BuzzEffect::resume() { hostWantMidi(1); }

namespace {

// Where the sample loop reads `sens` and `buzz`: the live values in the block.
// They are written by other threads; read every sample, a change (of a value or
// of the current program) applies from the next one. A sample's view keeps a
// reference to the block's slots and copies only the program offset: copied
// slot by slot into each sample's view, the slots went through the stack on
// every sample.
struct LiveValues {
    unsigned char* block;
    Int32* currentProgram;
    LiveSlot sens;
    LiveSlot buzz;

    struct AtSample {
        const LiveValues& live;
        std::size_t current;

        float sens() const { return loadShared(valueAt(live.block, live.sens, current)); }
        float buzz() const { return loadShared(valueAt(live.block, live.buzz, current)); }
    };

    AtSample atSample() const {
        return {*this,
                programOffset(std::atomic_ref<Int32>(*currentProgram).load(std::memory_order_relaxed))};
    }
};

}  // namespace

template <typename Deliver>
void BuzzEffect::render(float** inputs, float** outputs, Int32 sampleFrames, Deliver deliver) {
    if (sampleFrames <= 0 || inputs == nullptr || outputs == nullptr || inputs[0] == nullptr ||
        inputs[1] == nullptr || outputs[0] == nullptr || outputs[1] == nullptr) {
        return;
    }
    // Whether a parameter is per-program is part of its definition, which changes
    // only at construction and when a bank is loaded; it is resolved once per block,
    // so a redefinition applies from the next block. The current program is still
    // followed every sample, as the host may switch programs at any time.
    const LiveValues values{bytesOf(block_), &currentProgram_, liveSlot(block_, kSensIndex),
                            liveSlot(block_, kBuzzIndex)};
    chain_.render(inputs[0], inputs[1], outputs[0], outputs[1], sampleFrames, values, deliver);
}

void QP_CDECL BuzzEffect::processEntry(AEffect* record, float** inputs, float** outputs, Int32 sampleFrames) {
    if (EffectBase* effect = fromRecord(record)) {
        static_cast<BuzzEffect*>(effect)->process(inputs, outputs, sampleFrames);
    }
}

void QP_CDECL BuzzEffect::processReplacingEntry(AEffect* record, float** inputs, float** outputs,
                                                Int32 sampleFrames) {
    if (EffectBase* effect = fromRecord(record)) {
        static_cast<BuzzEffect*>(effect)->processReplacing(inputs, outputs, sampleFrames);
    }
}

namespace {

constexpr auto replace = [](float& out, float sample) { out = sample; };
constexpr auto accumulate = [](float& out, float sample) { out += sample; };

}  // namespace

void BuzzEffect::process(float** inputs, float** outputs, Int32 sampleFrames) {
    if (!isNotReady(notReady_)) {
        render(inputs, outputs, sampleFrames, accumulate);
    }
}

void BuzzEffect::processReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    if (!isNotReady(notReady_)) {
        render(inputs, outputs, sampleFrames, replace);
    }
}

void BuzzEffect::renderReplacing(float** inputs, float** outputs, Int32 sampleFrames) {
    render(inputs, outputs, sampleFrames, replace);
}

void BuzzEffect::renderAccumulating(float** inputs, float** outputs, Int32 sampleFrames) {
    render(inputs, outputs, sampleFrames, accumulate);
}

}  // namespace qp
