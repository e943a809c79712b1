#include "host/EffectBase.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "host/EditorBase.h"

namespace qp {

namespace {

constexpr Int32 kBaseUniqueId = fourCharCode('N', 'o', 'E', 'f');
constexpr Int32 kIdentifyAnswer = fourCharCode('N', 'v', 'E', 'f');
constexpr float kInitialSampleRate = 44100.0f;
constexpr Int32 kInitialBlockSize = 1024;
// effGetVu reports the meter as a fraction of full scale in 16-bit units.
constexpr double kVuFullScale = 32767.0;

// The record's entry points. Each follows the record's `object` back to the effect;
// a record without an effect (a host calling after effClose) is answered with 0.

IntPtr QP_CDECL dispatcherEntry(AEffect* record, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                float opt) {
    EffectBase* effect = EffectBase::fromRecord(record);
    if (effect == nullptr) {
        return 0;
    }
    if (opcode == effClose) {
        // The host owns the effect and gives it up here: after this call the record
        // no longer exists, so the effect's own answer cannot be returned.
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void QP_CDECL processEntry(AEffect* record, float** inputs, float** outputs, Int32 sampleFrames) {
    if (EffectBase* effect = EffectBase::fromRecord(record)) {
        effect->process(inputs, outputs, sampleFrames);
    }
}

void QP_CDECL processReplacingEntry(AEffect* record, float** inputs, float** outputs, Int32 sampleFrames) {
    if (EffectBase* effect = EffectBase::fromRecord(record)) {
        effect->processReplacing(inputs, outputs, sampleFrames);
    }
}

void QP_CDECL setParameterEntry(AEffect* record, Int32 index, float value) {
    if (EffectBase* effect = EffectBase::fromRecord(record)) {
        effect->setParameter(index, value);
    }
}

float QP_CDECL getParameterEntry(AEffect* record, Int32 index) {
    EffectBase* effect = EffectBase::fromRecord(record);
    return effect != nullptr ? effect->getParameter(index) : 0.0f;
}

}  // namespace

EffectBase::EffectBase(HostCallback callback, Int32 programCount, Int32 parameterCount)
    : sampleRate_(kInitialSampleRate),
      editor_(nullptr),
      hostCallback_(callback),
      programCount_(programCount),
      parameterCount_(parameterCount),
      currentProgram_(0),
      blockSize_(kInitialBlockSize) {
    // Hosts read the reserved and future fields too; every byte starts at zero.
    std::memset(&record_, 0, sizeof(record_));
    record_.magic = kEffectMagic;
    record_.dispatcher = dispatcherEntry;
    record_.process = processEntry;
    record_.setParameter = setParameterEntry;
    record_.getParameter = getParameterEntry;
    record_.numPrograms = programCount;
    record_.numParams = parameterCount;
    record_.numInputs = 1;
    record_.numOutputs = 2;
    record_.flags = 0;
    record_.ioRatio = 1.0f;
    record_.object = this;
    record_.user = nullptr;
    record_.uniqueID = kBaseUniqueId;
    record_.version = 1;
    record_.processReplacing = processReplacingEntry;
}

EffectBase::~EffectBase() {
    // Cleared first so the editor's destructor finds itself no longer attached.
    EditorBase* editor = editor_;
    editor_ = nullptr;
    delete editor;
}

EffectBase* EffectBase::fromRecord(AEffect* record) {
    return record != nullptr ? static_cast<EffectBase*>(record->object) : nullptr;
}

void EffectBase::attachEditor(EditorBase* editor) {
    if (editor == nullptr || editor == editor_) {
        return;
    }
    EditorBase* previous = editor_;
    editor_ = editor;
    setFlag(effFlagsHasEditor, true);
    delete previous;
}

void EffectBase::detachEditor(EditorBase* editor) {
    if (editor != nullptr && editor == editor_) {
        editor_ = nullptr;
        setFlag(effFlagsHasEditor, false);
    }
}

void EffectBase::setFlag(Int32 flag, bool state) {
    if (state) {
        record_.flags |= flag;
    } else {
        record_.flags &= ~flag;
    }
}

IntPtr EffectBase::callHost(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    return hostCallback_ != nullptr ? hostCallback_(&record_, opcode, index, value, ptr, opt) : 0;
}

void EffectBase::copyTextToHost(void* hostBuffer, const char* text, int capacity) {
    if (hostBuffer == nullptr || capacity <= 0) {
        return;
    }
    std::size_t length = 0;
    if (text != nullptr) {
        const std::size_t limit = std::size_t(capacity - 1);
        const void* end = std::memchr(text, '\0', limit);
        length = end != nullptr ? std::size_t(static_cast<const char*>(end) - text) : limit;
    }
    char* destination = static_cast<char*>(hostBuffer);
    if (length > 0) {
        std::memcpy(destination, text, length);
    }
    destination[length] = '\0';
}

Int32 EffectBase::truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= double(std::numeric_limits<Int32>::max())) {
        return std::numeric_limits<Int32>::max();
    }
    if (value <= double(std::numeric_limits<Int32>::min())) {
        return std::numeric_limits<Int32>::min();
    }
    return Int32(value);
}

Int32 EffectBase::clampToInt32(IntPtr value) {
    if (value > IntPtr(std::numeric_limits<Int32>::max())) {
        return std::numeric_limits<Int32>::max();
    }
    if (value < IntPtr(std::numeric_limits<Int32>::min())) {
        return std::numeric_limits<Int32>::min();
    }
    return Int32(value);
}

// --- Opcodes 0 to 24 ---------------------------------------------------------

IntPtr EffectBase::dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) {
    // Operations that write text for the host get a scratch buffer; only the cut copy
    // reaches the host (see copyTextToHost). A null ptr where the opcode reads or
    // writes through it is answered with 0 before any operation runs, except for
    // effSetChunk, whose operation judges its own chunk.
    char scratch[kTextScratchLen];
    auto textToHost = [&](int capacity, auto&& write) -> IntPtr {
        if (ptr == nullptr) {
            return 0;
        }
        std::memset(scratch, 0, sizeof(scratch));
        write(scratch);
        copyTextToHost(ptr, scratch, capacity);
        return 0;
    };

    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            if (value >= 0 && value < IntPtr(programCount_)) {
                setProgram(Int32(value));
            }
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            // The host's text is input: the effect reads it and bounds what it reads.
            if (ptr != nullptr) {
                setProgramName(static_cast<char*>(ptr));
            }
            return 0;
        case effGetProgramName:
            return textToHost(kMaxProgramNameLen, [&](char* text) { getProgramName(text); });
        case effGetParamLabel:
            return textToHost(kMaxParamTextLen, [&](char* text) { getParamLabel(index, text); });
        case effGetParamDisplay:
            return textToHost(kMaxParamTextLen, [&](char* text) { getParamDisplay(index, text); });
        case effGetParamName:
            return textToHost(kMaxParamTextLen, [&](char* text) { getParamName(index, text); });
        case effGetVu:
            return truncateToInt32(double(getVu()) * kVuFullScale);
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(clampToInt32(value));
            return 0;
        case effMainsChanged:
            if (value == 0) {
                suspend();
            } else {
                resume();
            }
            return 0;
        case effEditGetRect:
            if (editor_ == nullptr || ptr == nullptr) {
                return 0;
            }
            return editor_->getRect(static_cast<ERect**>(ptr));
        case effEditOpen:
            // A native child window cannot exist without the host's parent window.
            if (editor_ == nullptr || ptr == nullptr) {
                return 0;
            }
            return editor_->open(ptr);
        case effEditClose:
            if (editor_ != nullptr) {
                editor_->close();
            }
            return 0;
        case effEditIdle:
            if (editor_ != nullptr) {
                editor_->idle();
            }
            return 0;
        case effIdentify:
            return kIdentifyAnswer;
        case effGetChunk:
            if (ptr == nullptr) {
                return 0;
            }
            return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk:
            // A null or a negative-sized chunk is the effect's to refuse, and it
            // answers for itself (with 1, and a message, for the program's effect).
            // A 64-bit host's size beyond the int32 range saturates, so it is refused too.
            return setChunk(ptr, clampToInt32(value), index != 0);
        default:
            // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and every
            // opcode this layer does not know.
            return 0;
    }
}

// --- Default operations ------------------------------------------------------

void EffectBase::setParameter(Int32, float) {}

float EffectBase::getParameter(Int32) { return 0.0f; }

void EffectBase::automateParameter(Int32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float**, float**, Int32) {}

void EffectBase::open() {}
void EffectBase::close() {}

Int32 EffectBase::getProgram() { return currentProgram_; }

void EffectBase::setProgram(Int32 program) { currentProgram_ = program; }

void EffectBase::setProgramName(char* name) {
    if (name != nullptr) {
        name[0] = '\0';
    }
}

void EffectBase::getProgramName(char* name) {
    if (name != nullptr) {
        name[0] = '\0';
    }
}

void EffectBase::getParamLabel(Int32, char* label) {
    if (label != nullptr) {
        label[0] = '\0';
    }
}

void EffectBase::getParamDisplay(Int32, char* text) {
    if (text != nullptr) {
        text[0] = '\0';
    }
}

void EffectBase::getParamName(Int32, char* text) {
    if (text != nullptr) {
        text[0] = '\0';
    }
}

float EffectBase::getVu() { return 0.0f; }

Int32 EffectBase::getChunk(void**, bool) { return 0; }

Int32 EffectBase::setChunk(void*, Int32, bool) { return 0; }

void EffectBase::setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }

void EffectBase::setBlockSize(Int32 blockSize) { blockSize_ = blockSize; }

void EffectBase::suspend() {}
void EffectBase::resume() {}

void EffectBase::setUniqueId(Int32 id) { record_.uniqueID = id; }
void EffectBase::setNumInputs(Int32 inputs) { record_.numInputs = inputs; }
void EffectBase::setNumOutputs(Int32 outputs) { record_.numOutputs = outputs; }

void EffectBase::setFlagHasVu(bool state) { setFlag(effFlagsHasVu, state); }
void EffectBase::setFlagHasClip(bool state) { setFlag(effFlagsHasClip, state); }
void EffectBase::setFlagCanMono(bool state) { setFlag(effFlagsCanMono, state); }
void EffectBase::setFlagCanReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
void EffectBase::setFlagProgramChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

void EffectBase::setRealQualities(Int32 qualities) { record_.realQualities = qualities; }
void EffectBase::setOffQualities(Int32 qualities) { record_.offQualities = qualities; }
void EffectBase::setInitialDelay(Int32 delay) { record_.initialDelay = delay; }

float EffectBase::getSampleRate() { return sampleRate_; }

Int32 EffectBase::getBlockSize() { return blockSize_; }

// --- Host calls of this layer ------------------------------------------------

Int32 EffectBase::hostVersion() {
    // A host that does not answer is taken to be a version 1 host.
    const IntPtr answer = callHost(audioMasterVersion);
    return answer != 0 ? Int32(answer) : 1;
}

Int32 EffectBase::hostCurrentId() { return Int32(callHost(audioMasterCurrentId)); }

void EffectBase::hostIdle() { callHost(audioMasterIdle); }

// The host answers 0 for a connected pin; with no host every pin counts as connected.
bool EffectBase::isInputConnected(Int32 input) { return callHost(audioMasterPinConnected, input, 0) == 0; }

bool EffectBase::isOutputConnected(Int32 output) { return callHost(audioMasterPinConnected, output, 1) == 0; }

}  // namespace qp
