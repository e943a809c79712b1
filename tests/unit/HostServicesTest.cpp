// The effect's calls into its host: what each wrapper sends, how it reads the
// answer, what happens without a host; speaker arrangements and capabilities.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "HostTestSupport.h"

namespace qp::test {
namespace {

class HostServices : public ::testing::Test {
protected:
    void SetUp() override { hostLog.reset(); }
    void TearDown() override { hostLog.reset(); }
};

template <typename T>
T* fake(char* storage) {
    return reinterpret_cast<T*>(storage);
}

// --- Packing ---------------------------------------------------------------------

struct Packing {
    const char* name;
    std::function<void(DefaultEffect&)> call;
    Int32 opcode;
    Int32 index = 0;
    IntPtr value = 0;
    const void* ptr = nullptr;
    float opt = 0.0f;
};

TEST_F(HostServices, EveryWrapperSendsItsOpcodeAndArguments) {
    DefaultEffect effect;
    char storage[64] = {};
    char text[64] = {};
    void* p = storage;
    const std::vector<Packing> packings = {
        {"hostVersion", [](auto& e) { e.hostVersion(); }, audioMasterVersion},
        {"hostCurrentId", [](auto& e) { e.hostCurrentId(); }, audioMasterCurrentId},
        {"hostIdle", [](auto& e) { e.hostIdle(); }, audioMasterIdle},
        {"isInputConnected", [](auto& e) { e.isInputConnected(3); }, audioMasterPinConnected, 3, 0},
        {"isOutputConnected", [](auto& e) { e.isOutputConnected(5); }, audioMasterPinConnected, 5, 1},
        {"hostWantMidi", [](auto& e) { e.hostWantMidi(1); }, audioMasterWantMidi, 0, 1},
        {"hostGetTime", [](auto& e) { e.hostGetTime(0x200); }, audioMasterGetTime, 0, 0x200},
        {"hostTempoAt", [](auto& e) { e.hostTempoAt(4410); }, audioMasterTempoAt, 0, 4410},
        {"hostGetNumAutomatableParameters", [](auto& e) { e.hostGetNumAutomatableParameters(); },
         audioMasterGetNumAutomatableParameters},
        {"hostGetParameterQuantization", [](auto& e) { e.hostGetParameterQuantization(); },
         audioMasterGetParameterQuantization},
        {"hostIOChanged", [](auto& e) { e.hostIOChanged(); }, audioMasterIOChanged},
        {"hostNeedIdle", [](auto& e) { e.hostNeedIdle(); }, audioMasterNeedIdle},
        {"hostSizeWindow", [](auto& e) { e.hostSizeWindow(300, 200); }, audioMasterSizeWindow, 300, 200},
        {"hostGetSampleRate", [](auto& e) { e.hostGetSampleRate(); }, audioMasterGetSampleRate},
        {"hostGetBlockSize", [](auto& e) { e.hostGetBlockSize(); }, audioMasterGetBlockSize},
        {"hostGetInputLatency", [](auto& e) { e.hostGetInputLatency(); }, audioMasterGetInputLatency},
        {"hostGetOutputLatency", [](auto& e) { e.hostGetOutputLatency(); }, audioMasterGetOutputLatency},
        {"hostGetPreviousPlug", [](auto& e) { e.hostGetPreviousPlug(); }, audioMasterGetPreviousPlug},
        {"hostGetNextPlug", [](auto& e) { e.hostGetNextPlug(); }, audioMasterGetNextPlug},
        {"hostWillReplaceOrAccumulate", [](auto& e) { e.hostWillReplaceOrAccumulate(); },
         audioMasterWillReplaceOrAccumulate},
        {"hostGetCurrentProcessLevel", [](auto& e) { e.hostGetCurrentProcessLevel(); },
         audioMasterGetCurrentProcessLevel},
        {"hostGetAutomationState", [](auto& e) { e.hostGetAutomationState(); },
         audioMasterGetAutomationState},
        {"hostOfflineStart", [&](auto& e) { e.hostOfflineStart(fake<VstAudioFile>(storage), 3, 2); },
         audioMasterOfflineStart, 2, 3, p},
        {"hostOfflineRead", [&](auto& e) { e.hostOfflineRead(fake<VstOfflineTask>(storage), 4, true); },
         audioMasterOfflineRead, 1, 4, p},
        {"hostOfflineRead", [&](auto& e) { e.hostOfflineRead(fake<VstOfflineTask>(storage), 4, false); },
         audioMasterOfflineRead, 0, 4, p},
        {"hostOfflineWrite", [&](auto& e) { e.hostOfflineWrite(fake<VstOfflineTask>(storage), 4); },
         audioMasterOfflineWrite, 0, 4, p},
        {"hostOfflineGetCurrentPass", [](auto& e) { e.hostOfflineGetCurrentPass(); },
         audioMasterOfflineGetCurrentPass},
        {"hostOfflineGetCurrentMetaPass", [](auto& e) { e.hostOfflineGetCurrentMetaPass(); },
         audioMasterOfflineGetCurrentMetaPass},
        {"hostSetOutputSampleRate", [](auto& e) { e.hostSetOutputSampleRate(22050.0f); },
         audioMasterSetOutputSampleRate, 0, 0, nullptr, 22050.0f},
        {"hostGetInputSpeakerArrangement", [](auto& e) { e.hostGetInputSpeakerArrangement(); },
         audioMasterGetInputSpeakerArrangement},
        {"hostGetOutputSpeakerArrangement", [](auto& e) { e.hostGetOutputSpeakerArrangement(); },
         audioMasterGetOutputSpeakerArrangement},
        {"hostGetVendorVersion", [](auto& e) { e.hostGetVendorVersion(); }, audioMasterGetVendorVersion},
        {"hostVendorSpecificCall", [&](auto& e) { e.hostVendorSpecificCall(5, 6, p, 0.5f); },
         audioMasterVendorSpecific, 5, 6, p, 0.5f},
        {"hostCanDo", [&](auto& e) { e.hostCanDo(text); }, audioMasterCanDo, 0, 0, text},
        {"hostGetLanguage", [](auto& e) { e.hostGetLanguage(); }, audioMasterGetLanguage},
        {"hostOpenWindow", [&](auto& e) { e.hostOpenWindow(fake<VstWindow>(storage)); },
         audioMasterOpenWindow, 0, 0, p},
        {"hostCloseWindow", [&](auto& e) { e.hostCloseWindow(fake<VstWindow>(storage)); },
         audioMasterCloseWindow, 0, 0, p},
        {"hostGetDirectory", [](auto& e) { e.hostGetDirectory(); }, audioMasterGetDirectory},
        {"hostUpdateDisplay", [](auto& e) { e.hostUpdateDisplay(); }, audioMasterUpdateDisplay},
        {"hostBeginEdit", [](auto& e) { e.hostBeginEdit(1); }, audioMasterBeginEdit, 1},
        {"hostEndEdit", [](auto& e) { e.hostEndEdit(1); }, audioMasterEndEdit, 1},
        {"EditHost::beginEdit", [](auto& e) { static_cast<EditHost&>(e).beginEdit(7); }, audioMasterBeginEdit,
         7},
        {"EditHost::endEdit", [](auto& e) { static_cast<EditHost&>(e).endEdit(7); }, audioMasterEndEdit, 7},
        {"hostOpenFileSelector", [&](auto& e) { e.hostOpenFileSelector(fake<VstFileSelect>(storage)); },
         audioMasterOpenFileSelector, 0, 0, p},
    };
    for (const Packing& packing : packings) {
        hostLog.calls.clear();
        packing.call(effect);
        ASSERT_EQ(hostLog.calls.size(), 1u) << packing.name;
        const HostCall& call = hostLog.calls.front();
        EXPECT_EQ(call.effect, effect.record()) << packing.name;
        EXPECT_EQ(call.opcode, packing.opcode) << packing.name;
        EXPECT_EQ(call.index, packing.index) << packing.name;
        EXPECT_EQ(call.value, packing.value) << packing.name;
        EXPECT_EQ(call.ptr, packing.ptr) << packing.name;
        EXPECT_EQ(call.opt, packing.opt) << packing.name;
    }
}

// --- Answers -------------------------------------------------------------------

TEST_F(HostServices, AnswersAreConvertedAsEachWrapperPromises) {
    DefaultEffect effect;
    hostLog.answer = 0;
    EXPECT_EQ(effect.hostVersion(), 1);  // a silent host counts as version 1
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
    EXPECT_FALSE(effect.hostIOChanged());
    EXPECT_FALSE(effect.hostCanDo("sizeWindow"));

    hostLog.answer = 2400;
    EXPECT_EQ(effect.hostVersion(), 2400);
    EXPECT_EQ(effect.hostCurrentId(), 2400);
    EXPECT_EQ(effect.hostTempoAt(0), 2400);
    EXPECT_EQ(effect.hostWantMidi(1), 2400);
    EXPECT_FALSE(effect.isInputConnected(0));  // the pin queries read the answer the other way round
    EXPECT_FALSE(effect.isOutputConnected(0));
    EXPECT_TRUE(effect.hostSizeWindow(1, 1));
    EXPECT_TRUE(effect.hostBeginEdit(0));
    EXPECT_TRUE(effect.hostEndEdit(0));

    hostLog.answer = -1;
    EXPECT_TRUE(effect.hostCanDo("sizeWindow"));

    char timeInfo[64] = {};
    hostLog.answer = reinterpret_cast<IntPtr>(timeInfo);
    EXPECT_EQ(static_cast<void*>(effect.hostGetTime(0)), timeInfo);
    EXPECT_EQ(effect.hostGetDirectory(), timeInfo);
    EXPECT_EQ(static_cast<void*>(effect.hostGetNextPlug()), timeInfo);
    EXPECT_EQ(static_cast<void*>(effect.hostGetOutputSpeakerArrangement()), timeInfo);
}

TEST_F(HostServices, SampleRateAndBlockSizeTakeOnlyPositiveAnswers) {
    class RateWatcher : public DefaultEffect {
    public:
        void setSampleRate(float) override { ++rateSets; }
        void setBlockSize(Int32) override { ++sizeSets; }
        int rateSets = 0;
        int sizeSets = 0;
    } effect;

    hostLog.answer = 48000;
    EXPECT_EQ(effect.hostGetSampleRate(), 48000.0f);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    hostLog.answer = 256;
    EXPECT_EQ(effect.hostGetBlockSize(), 256);
    EXPECT_EQ(effect.getBlockSize(), 256);

    for (IntPtr refused : {IntPtr(0), IntPtr(-1), IntPtr(-96000)}) {
        hostLog.answer = refused;
        EXPECT_EQ(effect.hostGetSampleRate(), 48000.0f) << refused;
        EXPECT_EQ(effect.hostGetBlockSize(), 256) << refused;
    }
    // The stored values change quietly: no signal-processing state hears of it.
    EXPECT_EQ(effect.rateSets, 0);
    EXPECT_EQ(effect.sizeSets, 0);
}

TEST_F(HostServices, HostTextsAreCutToTheProductLimit) {
    DefaultEffect effect;
    const std::string overlong = longText(100);
    hostLog.respond = [&](const HostCall& call) -> IntPtr {
        std::strcpy(static_cast<char*>(call.ptr), overlong.c_str());
        return 1;
    };
    char text[80];
    std::memset(text, kUntouched, sizeof(text));
    EXPECT_TRUE(effect.hostGetVendorString(text));
    EXPECT_EQ(hostLog.calls.back().opcode, audioMasterGetVendorString);
    EXPECT_EQ(std::string(text), overlong.substr(0, 63));
    EXPECT_EQ(text[64], kUntouched);

    hostLog.respond = [](const HostCall& call) -> IntPtr {
        std::strcpy(static_cast<char*>(call.ptr), "Wine Host");
        return 1;
    };
    EXPECT_TRUE(effect.hostGetProductString(text));
    EXPECT_EQ(hostLog.calls.back().opcode, audioMasterGetProductString);
    EXPECT_STREQ(text, "Wine Host");
}

TEST_F(HostServices, NullArgumentsAreRefusedWithoutAskingTheHost) {
    DefaultEffect effect;
    hostLog.answer = 1;
    EXPECT_FALSE(effect.hostOpenFileSelector(nullptr));
    EXPECT_FALSE(effect.hostCanDo(nullptr));
    EXPECT_FALSE(effect.hostGetVendorString(nullptr));
    EXPECT_FALSE(effect.hostGetProductString(nullptr));
    EXPECT_TRUE(hostLog.calls.empty());
}

TEST_F(HostServices, WithoutAHostNothingIsSentAndTheAnswersAreEmpty) {
    DefaultEffect effect(nullptr);
    char storage[64] = {};
    std::memset(storage, kUntouched, sizeof(storage));
    EXPECT_EQ(effect.hostVersion(), 1);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(1));
    EXPECT_EQ(effect.hostCurrentId(), 0);
    effect.hostIdle();
    effect.automateParameter(0, 0.5f);
    EXPECT_EQ(effect.hostWantMidi(1), 0);
    EXPECT_EQ(effect.hostGetTime(0), nullptr);
    EXPECT_EQ(effect.hostTempoAt(0), 0);
    EXPECT_EQ(effect.hostGetNumAutomatableParameters(), 0);
    EXPECT_EQ(effect.hostGetParameterQuantization(), 0);
    EXPECT_FALSE(effect.hostIOChanged());
    EXPECT_FALSE(effect.hostNeedIdle());
    EXPECT_FALSE(effect.hostSizeWindow(1, 1));
    EXPECT_EQ(effect.hostGetSampleRate(), 44100.0f);
    EXPECT_EQ(effect.hostGetBlockSize(), 1024);
    EXPECT_EQ(effect.hostGetInputLatency(), 0);
    EXPECT_EQ(effect.hostGetOutputLatency(), 0);
    EXPECT_EQ(effect.hostGetPreviousPlug(), nullptr);
    EXPECT_EQ(effect.hostGetNextPlug(), nullptr);
    EXPECT_EQ(effect.hostWillReplaceOrAccumulate(), 0);
    EXPECT_EQ(effect.hostGetCurrentProcessLevel(), 0);
    EXPECT_EQ(effect.hostGetAutomationState(), 0);
    EXPECT_FALSE(effect.hostOfflineStart(nullptr, 0, 0));
    EXPECT_FALSE(effect.hostOfflineRead(nullptr, 0, true));
    EXPECT_FALSE(effect.hostOfflineWrite(nullptr, 0));
    EXPECT_FALSE(effect.hostOfflineGetCurrentPass());
    EXPECT_FALSE(effect.hostOfflineGetCurrentMetaPass());
    effect.hostSetOutputSampleRate(22050.0f);
    EXPECT_EQ(effect.hostGetInputSpeakerArrangement(), nullptr);
    EXPECT_EQ(effect.hostGetOutputSpeakerArrangement(), nullptr);
    EXPECT_FALSE(effect.hostGetVendorString(storage));
    EXPECT_FALSE(effect.hostGetProductString(storage));
    EXPECT_EQ(storage[0], kUntouched);
    EXPECT_EQ(effect.hostGetVendorVersion(), 0);
    EXPECT_EQ(effect.hostVendorSpecificCall(1, 2, storage, 3.0f), 0);
    EXPECT_FALSE(effect.hostCanDo("sizeWindow"));
    EXPECT_EQ(effect.hostGetLanguage(), 0);
    EXPECT_EQ(effect.hostOpenWindow(nullptr), nullptr);
    EXPECT_FALSE(effect.hostCloseWindow(nullptr));
    EXPECT_EQ(effect.hostGetDirectory(), nullptr);
    EXPECT_FALSE(effect.hostUpdateDisplay());
    EXPECT_FALSE(effect.hostBeginEdit(0));
    EXPECT_FALSE(effect.hostEndEdit(0));
    EXPECT_FALSE(effect.hostOpenFileSelector(fake<VstFileSelect>(storage)));
    EXPECT_TRUE(hostLog.calls.empty());
}

// --- Speaker arrangements ----------------------------------------------------------

struct ArrangementOwner {
    VstSpeakerArrangement* arrangement = nullptr;
    DefaultEffect* effect;
    explicit ArrangementOwner(DefaultEffect& e)
        : effect(&e) {}
    ~ArrangementOwner() { effect->releaseSpeakerArrangement(&arrangement); }
};

TEST_F(HostServices, ArrangementsAreCreatedZeroedWithTheirChannelCount) {
    DefaultEffect effect;
    ArrangementOwner owner(effect);
    ASSERT_TRUE(effect.createSpeakerArrangement(&owner.arrangement, 0));
    EXPECT_EQ(owner.arrangement->type, 0);
    EXPECT_EQ(owner.arrangement->numChannels, 0);

    ASSERT_TRUE(effect.createSpeakerArrangement(&owner.arrangement, 3));  // replaces, no leak
    EXPECT_EQ(owner.arrangement->numChannels, 3);
    const VstSpeakerProperties* speakers = owner.arrangement->speakers;
    const auto* bytes = reinterpret_cast<const unsigned char*>(speakers + 2);
    for (std::size_t i = 0; i < sizeof(VstSpeakerProperties); ++i) {
        ASSERT_EQ(bytes[i], 0u);
    }
    EXPECT_TRUE(effect.releaseSpeakerArrangement(&owner.arrangement));
    EXPECT_EQ(owner.arrangement, nullptr);
    EXPECT_TRUE(effect.releaseSpeakerArrangement(&owner.arrangement));
    EXPECT_TRUE(effect.releaseSpeakerArrangement(nullptr));
}

TEST_F(HostServices, ImpossibleChannelCountsAreRefusedAndLeaveNoArrangement) {
    DefaultEffect effect;
    ArrangementOwner owner(effect);
    for (Int32 channels : {-1, -2147483647 - 1, 2147483647, 40000000}) {
        ASSERT_TRUE(effect.createSpeakerArrangement(&owner.arrangement, 2));
        EXPECT_FALSE(effect.createSpeakerArrangement(&owner.arrangement, channels)) << channels;
        EXPECT_EQ(owner.arrangement, nullptr) << channels;
    }
    EXPECT_FALSE(effect.createSpeakerArrangement(nullptr, 2));
}

TEST_F(HostServices, ArrangementCopiesCarryTypeAndEverySpeaker) {
    DefaultEffect effect;
    ArrangementOwner source(effect);
    ArrangementOwner copy(effect);

    ASSERT_TRUE(effect.createSpeakerArrangement(&source.arrangement, 0));
    source.arrangement->type = 7;
    ASSERT_TRUE(effect.copySpeakerArrangement(&copy.arrangement, source.arrangement));
    EXPECT_EQ(copy.arrangement->type, 7);
    EXPECT_EQ(copy.arrangement->numChannels, 0);

    ASSERT_TRUE(effect.createSpeakerArrangement(&source.arrangement, 2));
    source.arrangement->type = 1;
    VstSpeakerProperties* speakers = source.arrangement->speakers;
    speakers[1].azimuth = 0.5f;
    speakers[1].elevation = -0.25f;
    speakers[1].radius = 2.0f;
    speakers[1].reserved = 3.0f;
    speakers[1].type = 4;
    std::strcpy(speakers[1].name, "Right");
    speakers[1].future[27] = 9;
    ASSERT_TRUE(effect.copySpeakerArrangement(&copy.arrangement, source.arrangement));
    EXPECT_EQ(copy.arrangement->type, 1);
    ASSERT_EQ(copy.arrangement->numChannels, 2);
    const VstSpeakerProperties& right = copy.arrangement->speakers[1];
    EXPECT_EQ(right.azimuth, 0.5f);
    EXPECT_EQ(right.elevation, -0.25f);
    EXPECT_EQ(right.radius, 2.0f);
    EXPECT_EQ(right.reserved, 3.0f);
    EXPECT_EQ(right.type, 4);
    EXPECT_STREQ(right.name, "Right");
    EXPECT_EQ(right.future[27], 9);

    // Onto itself: nothing to do, and the source survives.
    VstSpeakerArrangement* same = source.arrangement;
    EXPECT_TRUE(effect.copySpeakerArrangement(&source.arrangement, same));
    EXPECT_EQ(source.arrangement, same);
    EXPECT_STREQ(source.arrangement->speakers[1].name, "Right");

    EXPECT_FALSE(effect.copySpeakerArrangement(&copy.arrangement, nullptr));
    EXPECT_FALSE(effect.copySpeakerArrangement(nullptr, source.arrangement));
}

TEST_F(HostServices, SpeakerNamesWithoutTerminatorAreCutAt63) {
    DefaultEffect effect;
    VstSpeakerProperties from{};
    VstSpeakerProperties to{};
    std::memset(from.name, 'n', sizeof(from.name));
    EXPECT_TRUE(effect.copySpeakerProperties(&to, &from));
    EXPECT_EQ(std::strlen(to.name), 63u);
    EXPECT_FALSE(effect.copySpeakerProperties(nullptr, &from));
    EXPECT_FALSE(effect.copySpeakerProperties(&to, nullptr));
}

TEST_F(HostServices, ArrangementCopyStopsAtTheFirstFailingSpeaker) {
    class PickyEffect : public DefaultEffect {
    public:
        bool copySpeakerProperties(VstSpeakerProperties* to, VstSpeakerProperties* from) override {
            ++copies;
            return copies < 2 && DefaultEffect::copySpeakerProperties(to, from);
        }
        int copies = 0;
    } effect;
    VstSpeakerArrangement* source = nullptr;
    VstSpeakerArrangement* copy = nullptr;
    ASSERT_TRUE(effect.createSpeakerArrangement(&source, 4));
    EXPECT_FALSE(effect.copySpeakerArrangement(&copy, source));
    EXPECT_EQ(effect.copies, 2);
    effect.releaseSpeakerArrangement(&source);
    effect.releaseSpeakerArrangement(&copy);
}

// --- Capabilities -----------------------------------------------------------------

TEST_F(HostServices, TheBaseKnowsNoCapability) {
    DefaultEffect effect;
    for (const char* name : effectCapabilityNames) {
        EXPECT_EQ(effect.canDo(name), 0) << name;
        EXPECT_EQ(effect.dispatch(effCanDo, 0, 0, const_cast<char*>(name)), 0) << name;
    }
}

TEST(CapabilityNames, AreDistinctVocabularies) {
    const std::set<std::string> host(std::begin(hostCapabilityNames), std::end(hostCapabilityNames));
    const std::set<std::string> effect(std::begin(effectCapabilityNames), std::end(effectCapabilityNames));
    EXPECT_EQ(host.size(), 17u);
    EXPECT_EQ(effect.size(), 26u);
    EXPECT_STREQ(hostCapabilityNames[3], "receiveVstEvents");
    EXPECT_STREQ(hostCapabilityNames[16], "startStopProcess");
    EXPECT_STREQ(effectCapabilityNames[4], "receiveVstMidiEvent");
    EXPECT_STREQ(effectCapabilityNames[25], "bypass");
}

}  // namespace
}  // namespace qp::test
