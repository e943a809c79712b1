// The lower host-facing layer of every effect: it owns the plug-in record the host
// sees, the basic state, opcodes 0 to 24, a few host calls and the value-to-text
// conversions. The order of the virtual operations below is part of the design:
// keep new operations at the end of the class that introduces them.
#pragma once

#include "host/PluginInterface.h"

namespace qp {

class EditorBase;

class EffectBase {
public:
    EffectBase(HostCallback callback, Int32 programCount, Int32 parameterCount);
    virtual ~EffectBase();

    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    virtual void setParameter(Int32 index, float value);
    virtual float getParameter(Int32 index);
    virtual void automateParameter(Int32 index, float value);
    virtual void process(float** inputs, float** outputs, Int32 sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, Int32 sampleFrames);
    virtual IntPtr dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt);
    virtual void open();
    virtual void close();
    virtual Int32 getProgram();
    virtual void setProgram(Int32 program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParamLabel(Int32 index, char* label);
    virtual void getParamDisplay(Int32 index, char* text);
    virtual void getParamName(Int32 index, char* text);
    virtual float getVu();
    virtual Int32 getChunk(void** data, bool isPreset);
    virtual Int32 setChunk(void* data, Int32 byteSize, bool isPreset);
    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(Int32 blockSize);
    virtual void suspend();
    virtual void resume();
    virtual void setUniqueId(Int32 id);
    virtual void setNumInputs(Int32 inputs);
    virtual void setNumOutputs(Int32 outputs);
    virtual void setFlagHasVu(bool state);
    virtual void setFlagHasClip(bool state);
    virtual void setFlagCanMono(bool state);
    virtual void setFlagCanReplacing(bool state);
    virtual void setFlagProgramChunks(bool state);
    virtual void setRealQualities(Int32 qualities);
    virtual void setOffQualities(Int32 qualities);
    virtual void setInitialDelay(Int32 delay);
    virtual float getSampleRate();
    virtual Int32 getBlockSize();
    virtual Int32 hostVersion();
    virtual Int32 hostCurrentId();
    virtual void hostIdle();
    virtual bool isInputConnected(Int32 input);
    virtual bool isOutputConnected(Int32 output);
    // Value-to-text conversions; each writes at most 8 characters and a terminator.
    virtual void gainToDecibelText(float gain, char* text);
    virtual void samplesToHertzText(float samples, char* text);
    virtual void samplesToMillisecondsText(float samples, char* text);
    virtual void floatToText(float value, char* text);
    virtual void integerToText(Int32 value, char* text);

    AEffect* record() { return &record_; }
    HostCallback hostCallback() const { return hostCallback_; }
    EditorBase* editor() const { return editor_; }

    // Called by an editor while it is being constructed: the effect takes ownership
    // and announces the editor to the host through effFlagsHasEditor. A different
    // editor attached earlier is destroyed, as the effect owns only one.
    void attachEditor(EditorBase* editor);
    // Called by an editor that is destroyed while still attached: the effect forgets
    // it (and no longer announces an editor), so it is never destroyed twice.
    void detachEditor(EditorBase* editor);

    // The effect object behind a record handed out by this layer.
    static EffectBase* fromRecord(AEffect* record);

protected:
    void setFlag(Int32 flag, bool state);

    // Sends one request to the host; 0 when there is no host callback.
    IntPtr callHost(Int32 opcode, Int32 index = 0, IntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);

    // Text for the host is written by the operations into a zeroed scratch buffer of
    // kTextScratchLen bytes; only copyTextToHost touches the host's buffer, and it
    // copies at most capacity - 1 characters and a terminator, so no operation can
    // write past the interface's text limits.
    static constexpr int kTextScratchLen = 256;
    static void copyTextToHost(void* hostBuffer, const char* text, int capacity);

    // Truncation toward zero that is defined for every input: NaN gives 0 and
    // values beyond the int32 range saturate.
    static Int32 truncateToInt32(double value);
    // A host's pointer-sized `value` where the operation takes an int32. On 64-bit
    // Windows the value is 8 bytes wide: a size or count beyond the int32 range
    // saturates rather than wrapping to a small, plausible number.
    static Int32 clampToInt32(IntPtr value);

    float sampleRate_ = 44100.0f;
    EditorBase* editor_ = nullptr;
    HostCallback hostCallback_ = nullptr;
    Int32 programCount_ = 0;
    Int32 parameterCount_ = 0;
    Int32 currentProgram_ = 0;
    Int32 blockSize_ = 1024;
    AEffect record_{};
};

}  // namespace qp
