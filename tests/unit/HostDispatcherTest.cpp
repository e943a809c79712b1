// The plug-in record, its entry points and the two-stage dispatcher as a host
// drives them: what every opcode answers, which operation it reaches with which
// arguments, and what a careless host or a careless override cannot break.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "HostTestSupport.h"

namespace qp::test {
namespace {

// --- The record ----------------------------------------------------------------

TEST(EffectRecord, IsFilledAsTheHostExpects) {
    DefaultEffect effect(recordingHost, 5, 3);
    const AEffect& record = *effect.record();
    EXPECT_EQ(record.magic, 0x56737450);
    EXPECT_NE(record.dispatcher, nullptr);
    EXPECT_NE(record.process, nullptr);
    EXPECT_NE(record.processReplacing, nullptr);
    EXPECT_NE(record.setParameter, nullptr);
    EXPECT_NE(record.getParameter, nullptr);
    EXPECT_EQ(record.numPrograms, 5);
    EXPECT_EQ(record.numParams, 3);
    EXPECT_EQ(record.numInputs, 1);
    EXPECT_EQ(record.numOutputs, 2);
    EXPECT_EQ(record.flags, 0);
    EXPECT_EQ(record.resvd1, 0);
    EXPECT_EQ(record.resvd2, 0);
    EXPECT_EQ(record.initialDelay, 0);
    EXPECT_EQ(record.realQualities, 0);
    EXPECT_EQ(record.offQualities, 0);
    EXPECT_EQ(record.ioRatio, 1.0f);
    EXPECT_EQ(record.object, static_cast<EffectBase*>(&effect));
    EXPECT_EQ(record.user, nullptr);
    EXPECT_EQ(record.uniqueID, 0x4e6f4566);
    EXPECT_EQ(record.version, 1);
    for (char byte : record.future) {
        EXPECT_EQ(byte, 0);
    }
    EXPECT_EQ(EffectBase::fromRecord(effect.record()), &effect);
    EXPECT_EQ(EffectBase::fromRecord(nullptr), nullptr);
    EXPECT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);
    EXPECT_EQ(effect.getProgram(), 0);
    EXPECT_EQ(effect.editor(), nullptr);
}

TEST(EffectRecord, RecordSettersWriteTheirFieldsAndFlagSettersOnlyTheirBit) {
    DefaultEffect effect;
    effect.setUniqueId(0x31303238);
    effect.setNumInputs(2);
    effect.setNumOutputs(6);
    effect.setRealQualities(3);
    effect.setOffQualities(4);
    effect.setInitialDelay(64);
    const AEffect& record = *effect.record();
    EXPECT_EQ(record.uniqueID, 0x31303238);
    EXPECT_EQ(record.numInputs, 2);
    EXPECT_EQ(record.numOutputs, 6);
    EXPECT_EQ(record.realQualities, 3);
    EXPECT_EQ(record.offQualities, 4);
    EXPECT_EQ(record.initialDelay, 64);

    using Setter = void (EffectHostServices::*)(bool);
    const std::vector<std::pair<Setter, Int32>> setters = {
        {&EffectHostServices::setFlagHasClip, effFlagsHasClip},
        {&EffectHostServices::setFlagHasVu, effFlagsHasVu},
        {&EffectHostServices::setFlagCanMono, effFlagsCanMono},
        {&EffectHostServices::setFlagCanReplacing, effFlagsCanReplacing},
        {&EffectHostServices::setFlagProgramChunks, effFlagsProgramChunks},
        {&EffectHostServices::setFlagIsSynth, effFlagsIsSynth},
        {&EffectHostServices::setFlagNoSoundInStop, effFlagsNoSoundInStop},
        {&EffectHostServices::setFlagExtIsAsync, effFlagsExtIsAsync},
        {&EffectHostServices::setFlagExtHasBuffer, effFlagsExtHasBuffer},
    };
    Int32 all = 0;
    for (const auto& [setter, bit] : setters) {
        (effect.*setter)(true);
        all |= bit;
        EXPECT_EQ(record.flags, all) << bit;
    }
    for (const auto& [setter, bit] : setters) {
        (effect.*setter)(false);
        all &= ~bit;
        EXPECT_EQ(record.flags, all) << bit;
    }
}

TEST(EffectRecord, PlugCategoryFollowsTheSynthFlag) {
    DefaultEffect effect;
    EXPECT_EQ(effect.dispatch(effGetPlugCategory), kPlugCategUnknown);
    effect.setFlagIsSynth(true);
    EXPECT_EQ(effect.dispatch(effGetPlugCategory), kPlugCategSynth);
}

// --- Every opcode with the layers' defaults -----------------------------------

TEST(DispatcherDefaults, EveryOpcodeAnswersAsTheTableSays) {
    DefaultEffect effect;
    // Safe arguments for every opcode: writable buffers for ptr, and for the two
    // opcodes that take a second reference in value.
    alignas(16) std::array<char, 1024> buffer{};
    alignas(16) std::array<char, 1024> second{};
    std::array<IntPtr, effLastOpcode + 1> expected{};
    expected[effIdentify] = 0x4e764566;
    expected[effCanBeAutomated] = 1;
    expected[effGetNumProgramCategories] = 1;
    expected[effConnectInput] = 1;
    expected[effConnectOutput] = 1;
    expected[effSetBlockSizeAndSampleRate] = 1;
    expected[effKeysRequired] = 1;
    expected[effGetVstVersion] = 2300;
    expected[effGetCurrentMidiProgram] = -1;
    expected[effSetTotalSampleToProcess] = 0;  // echoes value, 0 here

    for (Int32 opcode = 0; opcode <= effLastOpcode; ++opcode) {
        if (opcode == effSetBlockSize || opcode == effSetBlockSizeAndSampleRate ||
            opcode == effSetSampleRate) {
            continue;  // changing the stored state is checked on its own below
        }
        buffer.fill(0);
        second.fill(0);
        const IntPtr value = opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement
                                 ? reinterpret_cast<IntPtr>(second.data())
                                 : 0;
        EXPECT_EQ(effect.dispatch(opcode, 0, value, buffer.data()), expected[opcode]) << "opcode " << opcode;
    }
    EXPECT_EQ(effect.dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(effect.dispatch(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f), 1);
    EXPECT_EQ(effect.getBlockSize(), 256);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(effect.dispatch(effSetBlockSize, 0, 512), 0);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_EQ(effect.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
}

TEST(DispatcherDefaults, UnknownOpcodesAnswerZero) {
    DefaultEffect effect;
    char buffer[64] = {};
    for (Int32 opcode :
         {77, 78, 100, 1000, std::numeric_limits<Int32>::max(), -1, std::numeric_limits<Int32>::min()}) {
        EXPECT_EQ(effect.dispatch(opcode, 1, 1, buffer, 1.0f), 0) << opcode;
    }
    for (Int32 opcode : {effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep}) {
        EXPECT_EQ(effect.dispatch(opcode, 1, 1, buffer, 1.0f), 0) << opcode;
    }
}

TEST(DispatcherDefaults, SpeakerArrangementQueryClearsBothReferences) {
    DefaultEffect effect;
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* input = &dummy;
    VstSpeakerArrangement* output = &dummy;
    EXPECT_EQ(effect.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<IntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST(DispatcherDefaults, ProgramChangesOnlyForValidIndexes) {
    DefaultEffect effect(recordingHost, 9, 2);
    effect.dispatch(effSetProgram, 0, 8);
    EXPECT_EQ(effect.dispatch(effGetProgram), 8);
    for (IntPtr invalid : {IntPtr(-1), IntPtr(9), IntPtr(1000)}) {
        effect.dispatch(effSetProgram, 0, invalid);
        EXPECT_EQ(effect.dispatch(effGetProgram), 8) << invalid;
    }
}

// --- Routing: which operation, with which arguments ----------------------------

struct OpCall {
    std::string name;
    IntPtr a = 0;
    IntPtr b = 0;
    const void* ptr = nullptr;
    float opt = 0.0f;
};

// Records every operation the dispatcher reaches; bool operations answer true and
// integer operations 7, text operations write `text`.
class RecordingEffect : public DefaultEffect {
public:
    std::vector<OpCall> ops;
    std::string text = "text";

    void note(const char* name, IntPtr a = 0, IntPtr b = 0, const void* ptr = nullptr, float opt = 0.0f) {
        ops.push_back({name, a, b, ptr, opt});
    }
    bool write(const char* name, char* destination, IntPtr a = 0) {
        note(name, a);
        std::strcpy(destination, text.c_str());
        return true;
    }

    void open() override { note("open"); }
    void close() override { note("close"); }
    void setProgram(Int32 p) override { note("setProgram", p); }
    void setProgramName(char* name) override { note("setProgramName", 0, 0, name); }
    void getProgramName(char* name) override { write("getProgramName", name); }
    void getParamLabel(Int32 i, char* t) override { write("getParamLabel", t, i); }
    void getParamDisplay(Int32 i, char* t) override { write("getParamDisplay", t, i); }
    void getParamName(Int32 i, char* t) override { write("getParamName", t, i); }
    void setSampleRate(float rate) override { note("setSampleRate", 0, 0, nullptr, rate); }
    void setBlockSize(Int32 size) override { note("setBlockSize", size); }
    void suspend() override { note("suspend"); }
    void resume() override { note("resume"); }
    Int32 getChunk(void** data, bool preset) override { return note("getChunk", preset, 0, data), 7; }
    Int32 setChunk(void* data, Int32 size, bool preset) override {
        return note("setChunk", size, preset, data), 7;
    }
    Int32 processEvents(VstEvents* e) override { return note("processEvents", 0, 0, e), 7; }
    bool canBeAutomated(Int32 i) override { return note("canBeAutomated", i), true; }
    bool string2Parameter(Int32 i, char* t) override { return note("string2Parameter", i, 0, t), true; }
    Int32 getNumProgramCategories() override { return note("getNumProgramCategories"), 7; }
    bool getProgramNameIndexed(Int32 c, Int32 i, char* t) override {
        note("getProgramNameIndexed", c, i);
        std::strcpy(t, text.c_str());
        return true;
    }
    bool copyProgram(Int32 d) override { return note("copyProgram", d), true; }
    void connectInput(Int32 i, bool c) override { note("connectInput", i, c); }
    void connectOutput(Int32 i, bool c) override { note("connectOutput", i, c); }
    bool getInputProperties(Int32 i, VstPinProperties*) override {
        return note("getInputProperties", i), true;
    }
    bool getOutputProperties(Int32 i, VstPinProperties* p) override {
        note("getOutputProperties", i);
        std::strcpy(p->label, text.c_str());
        p->flags = kVstPinIsActive | kVstPinIsStereo;
        return true;
    }
    Int32 getPlugCategory() override { return note("getPlugCategory"), 7; }
    Int32 getCurrentPosition() override { return note("getCurrentPosition"), 7; }
    float* getDestinationBuffer() override { return note("getDestinationBuffer"), destination; }
    bool offlineNotify(VstAudioFile* f, Int32 n, bool s) override {
        return note("offlineNotify", n, s, f), true;
    }
    bool offlinePrepare(VstOfflineTask* t, Int32 n) override { return note("offlinePrepare", n, 0, t), true; }
    bool offlineRun(VstOfflineTask* t, Int32 n) override { return note("offlineRun", n, 0, t), true; }
    bool processVarIo(void* v) override { return note("processVarIo", 0, 0, v), true; }
    bool setSpeakerArrangement(VstSpeakerArrangement* in, VstSpeakerArrangement* out) override {
        return note("setSpeakerArrangement", reinterpret_cast<IntPtr>(in), 0, out), true;
    }
    void setBlockSizeAndSampleRate(Int32 size, float rate) override {
        note("setBlockSizeAndSampleRate", size, 0, nullptr, rate);
    }
    bool setBypass(bool on) override { return note("setBypass", on), true; }
    bool getEffectName(char* t) override { return write("getEffectName", t); }
    bool getErrorText(char* t) override { return write("getErrorText", t); }
    bool getVendorString(char* t) override { return write("getVendorString", t); }
    bool getProductString(char* t) override { return write("getProductString", t); }
    Int32 getVendorVersion() override { return note("getVendorVersion"), 7; }
    IntPtr vendorSpecific(Int32 i, IntPtr v, void* p, float o) override {
        return note("vendorSpecific", i, v, p, o), 7;
    }
    Int32 canDo(const char* t) override { return note("canDo", 0, 0, t), 7; }
    void* getIcon() override { return note("getIcon"), destination; }
    bool setViewPosition(Int32 x, Int32 y) override { return note("setViewPosition", x, y), true; }
    Int32 getTailSize() override { return note("getTailSize"), 7; }
    Int32 effectIdle() override { return note("effectIdle"), 7; }
    bool getParameterProperties(Int32 i, void* p) override {
        return note("getParameterProperties", i, 0, p), true;
    }
    bool keysRequired() override { return note("keysRequired"), true; }
    Int32 getVstVersion() override { return note("getVstVersion"), 7; }
    Int32 getMidiProgramName(Int32 c, void* p) override { return note("getMidiProgramName", c, 0, p), 7; }
    Int32 getCurrentMidiProgram(Int32 c, void* p) override {
        return note("getCurrentMidiProgram", c, 0, p), 7;
    }
    Int32 getMidiProgramCategory(Int32 c, void* p) override {
        return note("getMidiProgramCategory", c, 0, p), 7;
    }
    bool hasMidiProgramsChanged(Int32 c) override { return note("hasMidiProgramsChanged", c), true; }
    bool getMidiKeyName(Int32 c, void* p) override { return note("getMidiKeyName", c, 0, p), true; }
    bool beginSetProgram() override { return note("beginSetProgram"), true; }
    bool endSetProgram() override { return note("endSetProgram"), true; }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        return note("getSpeakerArrangement", reinterpret_cast<IntPtr>(in), 0, out), true;
    }
    Int32 getNextShellPlugin(char* t) override { return write("getNextShellPlugin", t), 7; }
    Int32 startProcess() override { return note("startProcess"), 7; }
    Int32 stopProcess() override { return note("stopProcess"), 7; }
    Int32 setTotalSampleToProcess(Int32 v) override { return note("setTotalSampleToProcess", v), v; }
    bool setPanLaw(Int32 type, float gain) override {
        return note("setPanLaw", type, 0, nullptr, gain), true;
    }
    Int32 beginLoadBank(void* p) override { return note("beginLoadBank", 0, 0, p), 7; }
    Int32 beginLoadProgram(void* p) override { return note("beginLoadProgram", 0, 0, p), 7; }

    float destination[4] = {};
};

struct Route {
    Int32 opcode;
    Int32 index;
    IntPtr value;
    void* ptr;
    float opt;
    OpCall expected;
    IntPtr answer;
    bool checkPtr = true;  // text operations get a scratch buffer, not the host's
};

TEST(DispatcherRouting, EveryOpcodeReachesItsOperationWithItsArguments) {
    RecordingEffect effect;
    char buf[300] = {};
    void* p = buf;
    VstSpeakerArrangement* arrangement = nullptr;
    const IntPtr ref = reinterpret_cast<IntPtr>(&arrangement);
    const IntPtr destination = reinterpret_cast<IntPtr>(effect.destination);
    const std::vector<Route> routes = {
        {effOpen, 0, 0, nullptr, 0, {"open"}, 0},
        {effClose, 0, 0, nullptr, 0, {"close"}, 0},
        {effSetProgram, 0, 3, nullptr, 0, {"setProgram", 3}, 0},
        {effSetProgramName, 0, 0, p, 0, {"setProgramName", 0, 0, p}, 0},
        {effGetProgramName, 0, 0, p, 0, {"getProgramName"}, 0, false},
        {effGetParamLabel, 1, 0, p, 0, {"getParamLabel", 1}, 0, false},
        {effGetParamDisplay, 1, 0, p, 0, {"getParamDisplay", 1}, 0, false},
        {effGetParamName, 1, 0, p, 0, {"getParamName", 1}, 0, false},
        {effSetSampleRate, 0, 0, nullptr, 48000.0f, {"setSampleRate", 0, 0, nullptr, 48000.0f}, 0},
        {effSetBlockSize, 0, 256, nullptr, 0, {"setBlockSize", 256}, 0},
        {effMainsChanged, 0, 0, nullptr, 0, {"suspend"}, 0},
        {effMainsChanged, 0, 1, nullptr, 0, {"resume"}, 0},
        {effMainsChanged, 0, -3, nullptr, 0, {"resume"}, 0},
        {effGetChunk, 1, 0, p, 0, {"getChunk", 1, 0, p}, 7},
        {effGetChunk, 0, 0, p, 0, {"getChunk", 0, 0, p}, 7},
        {effSetChunk, 1, 32, p, 0, {"setChunk", 32, 1, p}, 7},
        {effProcessEvents, 0, 0, p, 0, {"processEvents", 0, 0, p}, 7},
        {effCanBeAutomated, 1, 0, nullptr, 0, {"canBeAutomated", 1}, 1},
        {effString2Parameter, 1, 0, p, 0, {"string2Parameter", 1, 0, p}, 1},
        {effGetNumProgramCategories, 0, 0, nullptr, 0, {"getNumProgramCategories"}, 7},
        {effGetProgramNameIndexed, 3, 2, p, 0, {"getProgramNameIndexed", 2, 3}, 1, false},
        {effCopyProgram, 4, 0, nullptr, 0, {"copyProgram", 4}, 1},
        {effConnectInput, 1, 5, nullptr, 0, {"connectInput", 1, 1}, 1},
        {effConnectOutput, 1, 0, nullptr, 0, {"connectOutput", 1, 0}, 1},
        {effGetInputProperties, 1, 0, p, 0, {"getInputProperties", 1}, 1, false},
        {effGetOutputProperties, 0, 0, p, 0, {"getOutputProperties", 0}, 1, false},
        {effGetPlugCategory, 0, 0, nullptr, 0, {"getPlugCategory"}, 7},
        {effGetCurrentPosition, 0, 0, nullptr, 0, {"getCurrentPosition"}, 7},
        {effGetDestinationBuffer, 0, 0, nullptr, 0, {"getDestinationBuffer"}, destination},
        {effOfflineNotify, 1, 3, p, 0, {"offlineNotify", 3, 1, p}, 1},
        {effOfflinePrepare, 0, 3, p, 0, {"offlinePrepare", 3, 0, p}, 1},
        {effOfflineRun, 0, 3, p, 0, {"offlineRun", 3, 0, p}, 1},
        {effProcessVarIo, 0, 0, p, 0, {"processVarIo", 0, 0, p}, 1},
        {effSetSpeakerArrangement, 0, ref, p, 0, {"setSpeakerArrangement", ref, 0, p}, 1},
        {effSetBlockSizeAndSampleRate,
         0,
         512,
         nullptr,
         96000.0f,
         {"setBlockSizeAndSampleRate", 512, 0, nullptr, 96000.0f},
         1},
        {effSetBypass, 0, 2, nullptr, 0, {"setBypass", 1}, 1},
        {effGetEffectName, 0, 0, p, 0, {"getEffectName"}, 1, false},
        {effGetErrorText, 0, 0, p, 0, {"getErrorText"}, 1, false},
        {effGetVendorString, 0, 0, p, 0, {"getVendorString"}, 1, false},
        {effGetProductString, 0, 0, p, 0, {"getProductString"}, 1, false},
        {effGetVendorVersion, 0, 0, nullptr, 0, {"getVendorVersion"}, 7},
        {effVendorSpecific, 5, 6, p, 0.25f, {"vendorSpecific", 5, 6, p, 0.25f}, 7},
        {effVendorSpecific, 5, 6, nullptr, 0.25f, {"vendorSpecific", 5, 6, nullptr, 0.25f}, 7},
        {effCanDo, 0, 0, p, 0, {"canDo", 0, 0, p}, 7},
        {effGetTailSize, 0, 0, nullptr, 0, {"getTailSize"}, 7},
        {effIdle, 0, 0, nullptr, 0, {"effectIdle"}, 7},
        {effGetIcon, 0, 0, nullptr, 0, {"getIcon"}, destination},
        {effSetViewPosition, 10, 20, nullptr, 0, {"setViewPosition", 10, 20}, 1},
        {effGetParameterProperties, 1, 0, p, 0, {"getParameterProperties", 1, 0, p}, 1},
        {effKeysRequired, 0, 0, nullptr, 0, {"keysRequired"}, 0},
        {effGetVstVersion, 0, 0, nullptr, 0, {"getVstVersion"}, 7},
        {effGetMidiProgramName, 2, 0, p, 0, {"getMidiProgramName", 2, 0, p}, 7},
        {effGetCurrentMidiProgram, 2, 0, p, 0, {"getCurrentMidiProgram", 2, 0, p}, 7},
        {effGetMidiProgramCategory, 2, 0, p, 0, {"getMidiProgramCategory", 2, 0, p}, 7},
        {effHasMidiProgramsChanged, 2, 0, nullptr, 0, {"hasMidiProgramsChanged", 2}, 1},
        {effGetMidiKeyName, 2, 0, p, 0, {"getMidiKeyName", 2, 0, p}, 1},
        {effBeginSetProgram, 0, 0, nullptr, 0, {"beginSetProgram"}, 1},
        {effEndSetProgram, 0, 0, nullptr, 0, {"endSetProgram"}, 1},
        {effGetSpeakerArrangement, 0, ref, p, 0, {"getSpeakerArrangement", ref, 0, p}, 1},
        {effShellGetNextPlugin, 0, 0, p, 0, {"getNextShellPlugin"}, 7, false},
        {effStartProcess, 0, 0, nullptr, 0, {"startProcess"}, 7},
        {effStopProcess, 0, 0, nullptr, 0, {"stopProcess"}, 7},
        {effSetTotalSampleToProcess, 0, 99, nullptr, 0, {"setTotalSampleToProcess", 99}, 99},
        {effSetPanLaw, 0, 1, nullptr, 0.5f, {"setPanLaw", 1, 0, nullptr, 0.5f}, 1},
        {effBeginLoadBank, 0, 0, p, 0, {"beginLoadBank", 0, 0, p}, 7},
        {effBeginLoadProgram, 0, 0, p, 0, {"beginLoadProgram", 0, 0, p}, 7},
    };
    for (const Route& route : routes) {
        effect.ops.clear();
        EXPECT_EQ(effect.dispatch(route.opcode, route.index, route.value, route.ptr, route.opt), route.answer)
            << "opcode " << route.opcode;
        ASSERT_EQ(effect.ops.size(), 1u) << "opcode " << route.opcode;
        const OpCall& call = effect.ops.front();
        EXPECT_EQ(call.name, route.expected.name) << "opcode " << route.opcode;
        EXPECT_EQ(call.a, route.expected.a) << route.expected.name;
        EXPECT_EQ(call.b, route.expected.b) << route.expected.name;
        EXPECT_EQ(call.opt, route.expected.opt) << route.expected.name;
        if (route.checkPtr) {
            EXPECT_EQ(call.ptr, route.expected.ptr) << route.expected.name;
        }
    }
}

TEST(DispatcherRouting, TheBaseLayerAloneAnswersOnlyOpcodesUpTo24) {
    // An effect built on EffectBase alone: the upper opcodes are not its business.
    class BaseOnlyEffect : public EffectBase {
    public:
        BaseOnlyEffect()
            : EffectBase(recordingHost, 1, 1) {}
        void process(float**, float**, Int32) override {}
    } effect;
    EXPECT_EQ(effect.dispatcher(effIdentify, 0, 0, nullptr, 0), 0x4e764566);
    for (Int32 opcode = effProcessEvents; opcode <= effLastOpcode; ++opcode) {
        EXPECT_EQ(effect.dispatcher(opcode, 0, 0, nullptr, 0), 0) << opcode;
    }
}

// --- What a host cannot break --------------------------------------------------

TEST(DispatcherSafety, NullPtrIsAnsweredWithZeroAndReachesNoOperation) {
    RecordingEffect effect;
    VstSpeakerArrangement* arrangement = nullptr;
    const IntPtr ref = reinterpret_cast<IntPtr>(&arrangement);
    for (Int32 opcode : {effSetProgramName,
                         effGetProgramName,
                         effGetParamLabel,
                         effGetParamDisplay,
                         effGetParamName,
                         effGetChunk,
                         effString2Parameter,
                         effGetProgramNameIndexed,
                         effGetInputProperties,
                         effGetOutputProperties,
                         effOfflineNotify,
                         effOfflinePrepare,
                         effOfflineRun,
                         effProcessVarIo,
                         effSetSpeakerArrangement,
                         effGetEffectName,
                         effGetErrorText,
                         effGetVendorString,
                         effGetProductString,
                         effCanDo,
                         effGetParameterProperties,
                         effGetMidiProgramName,
                         effGetMidiProgramCategory,
                         effGetMidiKeyName,
                         effGetSpeakerArrangement,
                         effBeginLoadBank,
                         effBeginLoadProgram}) {
        effect.ops.clear();
        EXPECT_EQ(effect.dispatch(opcode, 0, ref, nullptr), 0) << opcode;
        EXPECT_TRUE(effect.ops.empty()) << opcode << " reached " << effect.ops.front().name;
    }
    // The two opcodes whose value is a reference too.
    char buffer[64] = {};
    for (Int32 opcode : {effSetSpeakerArrangement, effGetSpeakerArrangement}) {
        effect.ops.clear();
        EXPECT_EQ(effect.dispatch(opcode, 0, 0, buffer), 0) << opcode;
        EXPECT_TRUE(effect.ops.empty()) << opcode;
    }
}

// Four opcodes answer for themselves whatever ptr is: the chunk loader refuses a
// null or negative-sized chunk itself (with its own answer), an empty event
// delivery is answered, "no MIDI program" stays -1, and the shell is asked.
TEST(DispatcherSafety, OperationsThatJudgeTheirOwnPtrAreReachedWithNull) {
    RecordingEffect effect;
    const std::vector<Route> routes = {
        {effSetChunk, 0, 360, nullptr, 0, {"setChunk", 360, 0, nullptr}, 7},
        {effSetChunk, 1, -1, nullptr, 0, {"setChunk", -1, 1, nullptr}, 7},
        {effProcessEvents, 0, 0, nullptr, 0, {"processEvents", 0, 0, nullptr}, 7},
        {effGetCurrentMidiProgram, 3, 0, nullptr, 0, {"getCurrentMidiProgram", 3, 0, nullptr}, 7},
        {effShellGetNextPlugin, 0, 0, nullptr, 0, {"getNextShellPlugin"}, 7, false},
    };
    for (const Route& route : routes) {
        effect.ops.clear();
        EXPECT_EQ(effect.dispatch(route.opcode, route.index, route.value, route.ptr), route.answer)
            << route.opcode;
        ASSERT_EQ(effect.ops.size(), 1u) << route.opcode;
        EXPECT_EQ(effect.ops.front().name, route.expected.name);
        EXPECT_EQ(effect.ops.front().a, route.expected.a) << route.opcode;
        EXPECT_EQ(effect.ops.front().b, route.expected.b) << route.opcode;
        if (route.checkPtr) {
            EXPECT_EQ(effect.ops.front().ptr, nullptr) << route.opcode;
        }
    }
    DefaultEffect quiet;
    EXPECT_EQ(quiet.dispatch(effGetCurrentMidiProgram, 0, 0, nullptr), -1);
    EXPECT_EQ(quiet.dispatch(effProcessEvents, 0, 0, nullptr), 0);
    EXPECT_EQ(quiet.dispatch(effSetChunk, 0, -1, nullptr), 0);
}

TEST(DispatcherSafety, NegativeChunkSizeReachesTheLoaderAsItIs) {
    RecordingEffect effect;
    char data[32] = {};
    EXPECT_EQ(effect.dispatch(effSetChunk, 1, -1, data), 7);
    ASSERT_EQ(effect.ops.size(), 1u);
    EXPECT_EQ(effect.ops.front().a, -1);
    EXPECT_EQ(effect.ops.front().ptr, data);
}

TEST(DispatcherSafety, TheEndOfTheShellListLeavesTheHostsBufferAlone) {
    DefaultEffect effect;  // its shell has no plug-in: id 0
    char host[80];
    std::memset(host, kUntouched, sizeof(host));
    EXPECT_EQ(effect.dispatch(effShellGetNextPlugin, 0, 0, host), 0);
    for (char byte : host) {
        ASSERT_EQ(byte, kUntouched);
    }
}

struct TextLimit {
    Int32 opcode;
    std::size_t bytes;  // written into the host's buffer, terminator included
};

TEST(DispatcherSafety, OverlongTextsAreCutToTheHostsLimits) {
    RecordingEffect effect;
    effect.text = longText(100);
    const std::vector<TextLimit> limits = {
        {effGetParamName, 9},        {effGetParamLabel, 9},          {effGetParamDisplay, 9},
        {effGetProgramName, 24},     {effGetProgramNameIndexed, 24}, {effGetEffectName, 32},
        {effGetVendorString, 64},    {effGetProductString, 64},      {effGetErrorText, 64},
        {effShellGetNextPlugin, 64},
    };
    for (const TextLimit& limit : limits) {
        char host[300];
        std::memset(host, kUntouched, sizeof(host));
        effect.dispatch(limit.opcode, 0, 0, host);
        EXPECT_EQ(std::strlen(host), limit.bytes - 1) << limit.opcode;
        EXPECT_EQ(std::string(host), effect.text.substr(0, limit.bytes - 1)) << limit.opcode;
        EXPECT_EQ(host[limit.bytes], kUntouched) << limit.opcode;
    }
}

TEST(DispatcherSafety, ShortTextsArriveWholeAndFailedTextRequestsLeaveTheBufferAlone) {
    RecordingEffect recording;
    recording.text = "gain";
    char host[64];
    std::memset(host, kUntouched, sizeof(host));
    recording.dispatch(effGetParamName, 0, 0, host);
    EXPECT_STREQ(host, "gain");
    EXPECT_EQ(host[5], kUntouched);

    DefaultEffect effect;  // its text requests answer false
    std::memset(host, kUntouched, sizeof(host));
    EXPECT_EQ(effect.dispatch(effGetEffectName, 0, 0, host), 0);
    EXPECT_EQ(host[0], kUntouched);
}

TEST(DispatcherSafety, PinPropertiesKeepTheLabelInsideTheRecord) {
    RecordingEffect effect;
    effect.text = longText(100);
    struct {
        VstPinProperties pin;
        char after[64];
    } host;
    std::memset(&host, kUntouched, sizeof(host));
    EXPECT_EQ(effect.dispatch(effGetOutputProperties, 0, 0, &host.pin), 1);
    EXPECT_EQ(std::strlen(host.pin.label), 63u);
    for (char byte : host.after) {
        ASSERT_EQ(byte, kUntouched);
    }

    effect.text = "Quorrelphone 1";
    std::memset(&host, kUntouched, sizeof(host));
    effect.dispatch(effGetOutputProperties, 0, 0, &host.pin);
    EXPECT_STREQ(host.pin.label, "Quorrelphone 1");
    EXPECT_EQ(host.pin.flags, 3);
    EXPECT_EQ(host.pin.shortLabel[0], kUntouched);  // the rest is the host's

    DefaultEffect quiet;  // answers false: the record stays as the host left it
    std::memset(&host, kUntouched, sizeof(host));
    EXPECT_EQ(quiet.dispatch(effGetInputProperties, 0, 0, &host.pin), 0);
    EXPECT_EQ(host.pin.label[0], kUntouched);
}

TEST(DispatcherSafety, ProgramNameInputReachesTheEffectUnchanged) {
    RecordingEffect effect;
    char name[] = "a name longer than twenty-four characters";
    effect.dispatch(effSetProgramName, 0, 0, name);
    ASSERT_EQ(effect.ops.size(), 1u);
    EXPECT_EQ(effect.ops.front().ptr, name);
    EXPECT_STREQ(name, "a name longer than twenty-four characters");
}

// --- The meter and the keys ----------------------------------------------------

class VuEffect : public DefaultEffect {
public:
    float getVu() override { return vu; }
    float vu = 0.0f;
};

TEST(DispatcherConversions, VuIsScaledTo16BitsAndTruncated) {
    VuEffect effect;
    const std::vector<std::pair<float, IntPtr>> cases = {
        {0.5f, 16383},
        {1.0f, 32767},
        {0.0f, 0},
        {-0.5f, -16383},
        {std::nanf(""), 0},
        {1e12f, std::numeric_limits<Int32>::max()},
        {-std::numeric_limits<float>::infinity(), std::numeric_limits<Int32>::min()},
    };
    for (const auto& [vu, expected] : cases) {
        effect.vu = vu;
        EXPECT_EQ(effect.dispatch(effGetVu), expected) << vu;
    }
}

TEST(DispatcherConversions, KeyCodesAreBuiltFromIndexValueAndOpt) {
    DefaultEffect effect;
    auto* editor = new CountingEditor(&effect);
    EXPECT_EQ(effect.dispatch(effEditKeyDown, 65, 0x1ff, nullptr, 2.9f), 11);
    EXPECT_EQ(editor->lastKey.character, 65);
    EXPECT_EQ(editor->lastKey.virt, 0xff);
    EXPECT_EQ(editor->lastKey.modifier, 2);
    EXPECT_EQ(effect.dispatch(effEditKeyUp, 66, 0x12, nullptr, 258.7f), 12);
    EXPECT_EQ(editor->lastKey.character, 66);
    EXPECT_EQ(editor->lastKey.virt, 0x12);
    EXPECT_EQ(editor->lastKey.modifier, 2);  // low byte of 258
    effect.dispatch(effEditKeyUp, 0, 0, nullptr, std::nanf(""));
    EXPECT_EQ(editor->lastKey.modifier, 0);
}

// --- The editor opcodes ----------------------------------------------------------

TEST(DispatcherEditor, EditorOpcodesReachTheEditor) {
    DefaultEffect effect;
    auto* editor = new CountingEditor(&effect);
    ERect* rect = nullptr;
    EXPECT_EQ(effect.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect, &editor->rectangle);
    int parent = 0;
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(editor->parentWindow(), &parent);
    editor->requestUpdate();
    EXPECT_EQ(effect.dispatch(effEditIdle), 0);
    EXPECT_EQ(editor->updates, 1);
    EXPECT_EQ(effect.dispatch(effSetEditKnobMode, 0, 2), 13);
    EXPECT_EQ(editor->knobMode, 2);
    EXPECT_EQ(effect.dispatch(effEditClose), 0);
    EXPECT_EQ(editor->closed, 1);
}

TEST(DispatcherEditor, WithoutEditorOrParentTheEditorOpcodesAnswerZero) {
    DefaultEffect effect;
    ERect* rect = nullptr;
    int parent = 0;
    for (Int32 opcode : {effEditGetRect, effEditOpen, effEditClose, effEditIdle, effEditKeyDown, effEditKeyUp,
                         effSetEditKnobMode}) {
        EXPECT_EQ(effect.dispatch(opcode, 1, 1,
                                  opcode == effEditGetRect ? static_cast<void*>(&rect) : &parent, 1.0f),
                  0)
            << opcode;
    }
    auto* editor = new CountingEditor(&effect);
    EXPECT_EQ(effect.dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(effect.dispatch(effEditOpen, 0, 0, nullptr), 0);  // no window without a parent
    EXPECT_EQ(editor->opened, 0);
}

// --- Entry points and the end of an effect -------------------------------------

class ClosingEffect : public DefaultEffect {
public:
    void close() override { ++closes; }
    void setParameter(Int32 index, float value) override {
        lastIndex = index;
        lastValue = value;
    }
    float getParameter(Int32 index) override { return float(index) * 0.25f; }
    void process(float**, float**, Int32 frames) override { processed += frames; }
    void processReplacing(float**, float**, Int32 frames) override { replaced += frames; }

    inline static int closes = 0;
    Int32 lastIndex = -1;
    float lastValue = 0.0f;
    Int32 processed = 0;
    Int32 replaced = 0;
};

TEST(EntryPoints, ReachTheEffectThroughTheRecord) {
    ClosingEffect effect;
    AEffect* record = effect.record();
    record->setParameter(record, 1, 0.75f);
    EXPECT_EQ(effect.lastIndex, 1);
    EXPECT_EQ(effect.lastValue, 0.75f);
    EXPECT_EQ(record->getParameter(record, 2), 0.5f);
    record->process(record, nullptr, nullptr, 16);
    record->processReplacing(record, nullptr, nullptr, 32);
    EXPECT_EQ(effect.processed, 16);
    EXPECT_EQ(effect.replaced, 32);
    EXPECT_EQ(record->dispatcher(record, effIdentify, 0, 0, nullptr, 0.0f), 0x4e764566);
}

TEST(EntryPoints, ARecordWithoutEffectIsAnsweredWithZero) {
    ClosingEffect effect;
    AEffect orphan = *effect.record();
    orphan.object = nullptr;
    EXPECT_EQ(orphan.dispatcher(&orphan, effIdentify, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(orphan.getParameter(&orphan, 1), 0.0f);
    orphan.setParameter(&orphan, 1, 0.5f);
    orphan.process(&orphan, nullptr, nullptr, 8);
    orphan.processReplacing(&orphan, nullptr, nullptr, 8);
    EXPECT_EQ(effect.lastIndex, -1);
    EXPECT_EQ(effect.processed + effect.replaced, 0);
}

TEST(EntryPoints, CloseRunsCloseThenDestroysTheEffectAndItsEditor) {
    DefaultEffect::destroyed = 0;
    CountingEditor::destroyed = 0;
    ClosingEffect::closes = 0;
    auto* effect = new ClosingEffect;
    new CountingEditor(effect);
    AEffect* record = effect->record();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(ClosingEffect::closes, 1);
    EXPECT_EQ(DefaultEffect::destroyed, 1);
    EXPECT_EQ(CountingEditor::destroyed, 1);
}

TEST(EntryPoints, AutomationSetsTheParameterThenTellsTheHost) {
    hostLog.reset();
    ClosingEffect effect;
    effect.automateParameter(1, 0.25f);
    EXPECT_EQ(effect.lastIndex, 1);
    ASSERT_EQ(hostLog.calls.size(), 1u);
    const HostCall& call = hostLog.calls.front();
    EXPECT_EQ(call.effect, effect.record());
    EXPECT_EQ(call.opcode, audioMasterAutomate);
    EXPECT_EQ(call.index, 1);
    EXPECT_EQ(call.value, 0);
    EXPECT_EQ(call.ptr, nullptr);
    EXPECT_EQ(call.opt, 0.25f);
}

}  // namespace
}  // namespace qp::test
