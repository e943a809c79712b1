// The upper host-facing layer: opcodes 25 to 76, one thin wrapper per host service
// the interface offers, speaker arrangements and capability queries. It adds no
// data. Operations whose names begin with "host" call the host; with no host
// callback they send nothing and answer 0, false or null. The editor sees this
// layer only as an EditHost (host/EditHost.h).
#pragma once

#include "host/CapabilityNames.h"
#include "host/EditHost.h"
#include "host/EffectBase.h"

namespace qp {

// Capability names a host may be asked about (the effect's own are in
// CapabilityNames.h); the vocabulary for callers, unused by the effect itself.
extern const char* const hostCapabilityNames[17];

class EffectHostServices : public EffectBase, public EditHost {
public:
    EffectHostServices(HostCallback callback, Int32 programCount, Int32 parameterCount);
    ~EffectHostServices() override;

    IntPtr dispatcher(Int32 opcode, Int32 index, IntPtr value, void* ptr, float opt) override;

    virtual EditorBase* getEditor();
    virtual IntPtr hostWantMidi(Int32 filter);
    virtual VstTimeInfo* hostGetTime(Int32 filter);
    virtual Int32 hostTempoAt(Int32 samplePosition);
    virtual Int32 processEvents(VstEvents* events);
    virtual Int32 hostGetNumAutomatableParameters();
    virtual Int32 hostGetParameterQuantization();
    virtual bool canBeAutomated(Int32 index);
    virtual bool string2Parameter(Int32 index, char* text);
    virtual float getChannelParameter(Int32 channel, Int32 index);
    virtual Int32 getNumProgramCategories();
    virtual bool getProgramNameIndexed(Int32 category, Int32 index, char* text);
    virtual bool copyProgram(Int32 destination);
    virtual bool hostIOChanged();
    virtual bool hostNeedIdle();
    virtual bool hostSizeWindow(Int32 width, Int32 height);
    virtual float hostGetSampleRate();
    virtual Int32 hostGetBlockSize();
    virtual Int32 hostGetInputLatency();
    virtual Int32 hostGetOutputLatency();
    virtual AEffect* hostGetPreviousPlug();
    virtual AEffect* hostGetNextPlug();
    virtual void connectInput(Int32 index, bool connected);
    virtual void connectOutput(Int32 index, bool connected);
    virtual bool getInputProperties(Int32 index, VstPinProperties* properties);
    virtual bool getOutputProperties(Int32 index, VstPinProperties* properties);
    virtual Int32 getPlugCategory();
    virtual Int32 hostWillReplaceOrAccumulate();
    virtual Int32 hostGetCurrentProcessLevel();
    virtual Int32 hostGetAutomationState();
    virtual void setFlagExtIsAsync(bool state);
    virtual void setFlagExtHasBuffer(bool state);
    virtual Int32 getCurrentPosition();
    virtual float* getDestinationBuffer();
    virtual bool hostOfflineRead(VstOfflineTask* task, Int32 option, bool readSource);
    virtual bool hostOfflineWrite(VstOfflineTask* task, Int32 option);
    virtual bool hostOfflineStart(VstAudioFile* files, Int32 fileCount, Int32 newFileCount);
    virtual bool hostOfflineGetCurrentPass();
    virtual bool hostOfflineGetCurrentMetaPass();
    virtual bool offlineNotify(VstAudioFile* files, Int32 fileCount, bool start);
    virtual bool offlinePrepare(VstOfflineTask* tasks, Int32 count);
    virtual bool offlineRun(VstOfflineTask* tasks, Int32 count);
    virtual void* getInputSpeakerArrangementQuery();
    virtual void* getOutputSpeakerArrangementQuery();
    virtual void hostSetOutputSampleRate(float sampleRate);
    virtual VstSpeakerArrangement* hostGetInputSpeakerArrangement();
    virtual VstSpeakerArrangement* hostGetOutputSpeakerArrangement();
    virtual bool hostGetVendorString(char* text);
    virtual bool hostGetProductString(char* text);
    virtual Int32 hostGetVendorVersion();
    virtual IntPtr hostVendorSpecificCall(Int32 index, IntPtr value, void* ptr, float opt);
    virtual bool hostCanDo(const char* text);
    virtual void setFlagIsSynth(bool state);
    virtual void setFlagNoSoundInStop(bool state);
    virtual Int32 hostGetLanguage();
    virtual void* hostOpenWindow(VstWindow* window);
    virtual bool hostCloseWindow(VstWindow* window);
    virtual void* hostGetDirectory();
    virtual bool hostUpdateDisplay();
    virtual bool processVarIo(void* varIo);
    virtual bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output);
    virtual bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output);
    virtual void setBlockSizeAndSampleRate(Int32 blockSize, float sampleRate);
    virtual bool setBypass(bool onOff);
    virtual bool getEffectName(char* name);
    virtual bool getErrorText(char* text);
    virtual bool getVendorString(char* text);
    virtual bool getProductString(char* text);
    virtual Int32 getVendorVersion();
    virtual IntPtr vendorSpecific(Int32 index, IntPtr value, void* ptr, float opt);
    virtual Int32 canDo(const char* text);
    virtual void* getIcon();
    virtual bool setViewPosition(Int32 x, Int32 y);
    virtual Int32 getTailSize();
    virtual Int32 effectIdle();
    virtual bool getParameterProperties(Int32 index, void* properties);
    virtual bool keysRequired();
    virtual Int32 getVstVersion();
    virtual Int32 getMidiProgramName(Int32 channel, void* midiProgramName);
    virtual Int32 getCurrentMidiProgram(Int32 channel, void* currentProgram);
    virtual Int32 getMidiProgramCategory(Int32 channel, void* category);
    virtual bool hasMidiProgramsChanged(Int32 channel);
    virtual bool getMidiKeyName(Int32 channel, void* keyName);
    virtual bool beginSetProgram();
    virtual bool endSetProgram();
    virtual bool hostBeginEdit(Int32 index);
    virtual bool hostEndEdit(Int32 index);
    // EditHost: the same as hostBeginEdit / hostEndEdit.
    bool beginEdit(Int32 index) override;
    bool endEdit(Int32 index) override;
    virtual bool hostOpenFileSelector(VstFileSelect* select);
    virtual Int32 setTotalSampleToProcess(Int32 value);
    virtual Int32 getNextShellPlugin(char* name);
    virtual Int32 startProcess();
    virtual Int32 stopProcess();
    virtual bool setPanLaw(Int32 type, float value);
    virtual Int32 beginLoadBank(void* patchChunkInfo);
    virtual Int32 beginLoadProgram(void* patchChunkInfo);
    virtual bool createSpeakerArrangement(VstSpeakerArrangement** arrangement, Int32 channelCount);
    virtual bool releaseSpeakerArrangement(VstSpeakerArrangement** arrangement);
    virtual bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from);
    virtual bool copySpeakerArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from);

private:
    // The host's answer to a vendor-length text query (vendor or product string).
    bool hostGetVendorText(Int32 opcode, char* text);
};

}  // namespace qp
