// The answer of every dispatcher opcode for a freshly created effect, as a host
// probing the plug-in would see it, plus the opcodes whose answer depends on
// their arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr Int32 kIdentifyCode = fourCharCode('N', 'v', 'E', 'f');
constexpr Int32 kBankChunkSize = 360;
constexpr Int32 kProgramChunkSize = 32;
constexpr IntPtr kVstVersion = 2300;

bool hasEditor(PluginHost& host) {
    ERect* rect = nullptr;
    return host.dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr;
}

class FreshEffect : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        editor = hasEditor(host);
        host.clearCalls();
    }

    PluginHost host;
    bool editor = false;
};

// Arguments that are safe for every opcode: a large zeroed scratch buffer for
// anything that writes through ptr, and the answer the opcode should give.
struct Probe {
    Int32 opcode;
    IntPtr expected;
    Int32 index = 0;
    IntPtr value = 0;
    float opt = 0.0f;
};

TEST_F(FreshEffect, EveryOpcodeAnswersAsTheTableSays) {
    const IntPtr editorAnswer = editor ? 1 : 0;
    const std::vector<Probe> probes = {
        {effOpen, 0},
        {effSetProgram, 0, 0, 2},
        {effGetProgram, 2},
        {effSetProgramName, 0},
        {effGetProgramName, 0},
        {effGetParamLabel, 0},
        {effGetParamDisplay, 0},
        {effGetParamName, 0},
        {effGetVu, 0},
        {effSetSampleRate, 0, 0, 0, 44100.0f},
        {effSetBlockSize, 0, 0, 512},
        {effMainsChanged, 0, 0, 1},
        {effMainsChanged, 0, 0, 0},
        {effEditClose, 0},
        {effEditDraw, 0},
        {effEditMouse, 0},
        {effEditKey, 0},
        {effEditIdle, 0},
        {effEditTop, 0},
        {effEditSleep, 0},
        {effIdentify, kIdentifyCode},
        {effCanBeAutomated, 1},
        {effString2Parameter, 0},
        {effGetNumProgramCategories, 1},
        {effGetProgramNameIndexed, 1},
        {effCopyProgram, 0, 1},
        {effConnectInput, 1, 0, 1},
        {effConnectOutput, 1, 1, 0},
        {effGetInputProperties, 0},
        {effGetOutputProperties, 1},
        {effGetPlugCategory, kPlugCategUnknown},
        {effGetCurrentPosition, 0},
        {effGetDestinationBuffer, 0},
        {effOfflineNotify, 0},
        {effOfflinePrepare, 0},
        {effOfflineRun, 0},
        {effProcessVarIo, 0},
        {effSetSpeakerArrangement, 0},
        {effSetBlockSizeAndSampleRate, 1, 0, 512, 44100.0f},
        {effSetBypass, 0, 0, 1},
        {effGetEffectName, 1},
        {effGetErrorText, 0},
        {effGetVendorString, 1},
        {effGetProductString, 1},
        {effGetVendorVersion, 1},
        {effVendorSpecific, 0},
        {effCanDo, -1},  // the scratch buffer holds the empty name
        {effGetTailSize, 0},
        {effIdle, 0},
        {effGetIcon, 0},
        {effSetViewPosition, 0, 10, 20},
        {effGetParameterProperties, 0},
        {effKeysRequired, 1},
        {effGetVstVersion, kVstVersion},
        {effEditKeyDown, 0, 65},
        {effSetEditKnobMode, editorAnswer, 0, 2},
        {effGetMidiProgramName, 0},
        {effGetCurrentMidiProgram, -1},
        {effGetMidiProgramCategory, 0},
        {effHasMidiProgramsChanged, 0},
        {effGetMidiKeyName, 0},
        {effBeginSetProgram, 0},
        {effEndSetProgram, 0},
        {effShellGetNextPlugin, 0},
        {effStartProcess, 0},
        {effStopProcess, 0},
        {effSetTotalSampleToProcess, 0},
        {effSetPanLaw, 0, 0, 0, 1.0f},
        {effBeginLoadBank, 0},
        {effBeginLoadProgram, 0},
    };
    // Opcodes that need particular arguments have tests of their own below.
    std::vector<bool> covered(effLastOpcode + 1, false);
    for (Int32 opcode : {effClose, effEditGetRect, effEditOpen, effGetChunk, effSetChunk, effProcessEvents,
                         effEditKeyUp, effGetSpeakerArrangement}) {
        covered[opcode] = true;
    }
    for (const Probe& probe : probes) {
        covered[probe.opcode] = true;
    }
    for (Int32 opcode = 0; opcode <= effLastOpcode; ++opcode) {
        EXPECT_TRUE(covered[opcode]) << "opcode " << opcode << " is not probed";
    }

    for (const Probe& probe : probes) {
        std::vector<char> scratch(4096, 0);
        EXPECT_EQ(host.dispatch(probe.opcode, probe.index, probe.value, scratch.data(), probe.opt),
                  probe.expected)
            << "opcode " << probe.opcode;
    }
}

TEST_F(FreshEffect, UnknownAndOutOfRangeOpcodesAnswerZero) {
    for (Int32 opcode : {77, 78, 100, 1000, 0x7fffffff, -1, std::numeric_limits<Int32>::min()}) {
        std::vector<char> scratch(256, 0);
        EXPECT_EQ(host.dispatch(opcode, 1, 1, scratch.data(), 1.0f), 0) << "opcode " << opcode;
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr, 0.0f), 0) << "opcode " << opcode;
    }
    // None of them reached the host or changed the effect.
    EXPECT_TRUE(host.calls().empty());
    EXPECT_EQ(host.getParameter(0), 0.5f);
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
}

TEST_F(FreshEffect, IdentifyAnswersNvEfWhateverTheArguments) {
    EXPECT_EQ(host.dispatch(effIdentify), kIdentifyCode);
    EXPECT_EQ(host.dispatch(effIdentify, -5, 99999, nullptr, -3.5f), kIdentifyCode);
    EXPECT_EQ(fourCharText(Int32(host.dispatch(effIdentify))), "NvEf");
}

TEST_F(FreshEffect, AlwaysTrueOpcodesIgnoreTheirArguments) {
    EXPECT_EQ(host.dispatch(effConnectInput, 7, 0), 1);
    EXPECT_EQ(host.dispatch(effConnectOutput, -1, 1), 1);
    EXPECT_EQ(host.dispatch(effSetBlockSizeAndSampleRate, 0, 64, nullptr, 96000.0f), 1);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 12), 1);
    EXPECT_EQ(host.dispatch(effKeysRequired, 3, 3), 1);
}

TEST_F(FreshEffect, VuIsZeroAlthoughTheRecordAnnouncesAMeter) {
    ASSERT_NE(host.effect()->flags & effFlagsHasVu, 0);
    StereoBlock block(256, 0.4f);
    host.processReplacing(block);
    EXPECT_EQ(host.dispatch(effGetVu), 0);
}

TEST_F(FreshEffect, TotalSampleToProcessEchoesTheValue) {
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(host.dispatch(effSetTotalSampleToProcess, 0, -7), -7);
}

TEST_F(FreshEffect, SpeakerArrangementQueryStoresNullThroughBothReferences) {
    void* input = &host;  // anything non-null
    void* output = &host;
    EXPECT_EQ(host.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<IntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(FreshEffect, ChunksHandOutTheBankAndTheCurrentProgram) {
    void* bank = nullptr;
    void* program = nullptr;
    EXPECT_EQ(host.dispatch(effGetChunk, 0, 0, &bank), kBankChunkSize);
    EXPECT_EQ(host.dispatch(effGetChunk, 1, 0, &program), kProgramChunkSize);
    ASSERT_NE(bank, nullptr);
    ASSERT_NE(program, nullptr);
    // The first program record follows the two 36-byte parameter records.
    EXPECT_STREQ(static_cast<const char*>(bank) + 72, "Init");
    EXPECT_STREQ(static_cast<const char*>(program), "Init");

    std::vector<char> copy(static_cast<const char*>(bank), static_cast<const char*>(bank) + kBankChunkSize);
    EXPECT_EQ(host.dispatch(effSetChunk, 0, kBankChunkSize, copy.data()), 1);
    EXPECT_EQ(host.getParameter(0), 0.5f);
}

TEST_F(FreshEffect, EmptyEventListIsAccepted) {
    VstEvents events{};
    events.numEvents = 0;
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, &events), 1);
    EXPECT_EQ(host.dispatch(effProcessEvents, 0, 0, nullptr), 1);
}

// Answers that do not depend on ptr: no current MIDI program whatever the host
// hands in, and no shell plug-in, so the host's name buffer keeps its bytes.
TEST_F(FreshEffect, MidiProgramAndShellQueriesAnswerWithOrWithoutABuffer) {
    std::vector<char> buffer(256, 0x5a);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram, 0, 0, nullptr), -1);
    EXPECT_EQ(host.dispatch(effGetCurrentMidiProgram, 5, 0, buffer.data()), -1);
    EXPECT_EQ(host.dispatch(effShellGetNextPlugin, 0, 0, buffer.data()), 0);
    EXPECT_EQ(host.dispatch(effShellGetNextPlugin, 0, 0, nullptr), 0);
    EXPECT_EQ(buffer, std::vector<char>(256, 0x5a));
}

TEST_F(FreshEffect, EditorOpcodesAgreeWithTheEditorFlag) {
    const bool flagged = (host.effect()->flags & effFlagsHasEditor) != 0;
    EXPECT_EQ(flagged, editor);
    ERect* rect = nullptr;
    if (editor) {
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 309);
        EXPECT_EQ(rect->bottom - rect->top, 168);
        EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 0), 1);
        // Key down is swallowed by this editor; key up without a window is not handled.
        EXPECT_EQ(host.dispatch(effEditKeyDown, 65, 0x1ff, nullptr, 2.9f), 0);
        EXPECT_EQ(host.dispatch(effEditKeyUp, 65, 0x1ff, nullptr, 2.9f), -1);
    } else {
        EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 0);
        EXPECT_EQ(host.dispatch(effEditOpen, 0, 0, nullptr), 0);
        EXPECT_EQ(host.dispatch(effSetEditKnobMode, 0, 2), 0);
        EXPECT_EQ(host.dispatch(effEditKeyDown, 65, 0x1ff, nullptr, 2.9f), 0);
        EXPECT_EQ(host.dispatch(effEditKeyUp, 65, 0x1ff, nullptr, 2.9f), 0);
    }
    EXPECT_EQ(host.dispatch(effEditIdle), 0);
    EXPECT_EQ(host.dispatch(effEditClose), 0);
}

TEST_F(FreshEffect, VendorSpecificIgnoresForeignCodes) {
    EXPECT_EQ(host.dispatch(effVendorSpecific, 0x12345678, 0x57686565, nullptr, 1.0f), 0);
    EXPECT_EQ(host.dispatch(effVendorSpecific, 0x73744341, 0x12345678, nullptr, 1.0f), 0);
    EXPECT_EQ(host.getParameter(0), 0.5f);
    EXPECT_EQ(host.getParameter(1), 0.5f);
}

TEST_F(FreshEffect, SuspendSendsNothingAndResumeAsksForMidiEveryTime) {
    host.dispatch(effMainsChanged, 0, 0);
    EXPECT_TRUE(host.calls().empty());
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 0);
    host.dispatch(effMainsChanged, 0, 1);
    host.dispatch(effMainsChanged, 0, 7);  // any non-zero value switches on
    auto wantMidi = host.callsWith(audioMasterWantMidi);
    ASSERT_EQ(wantMidi.size(), 3u);
    for (const HostCall& call : wantMidi) {
        EXPECT_EQ(call.effect, host.effect());
        EXPECT_EQ(call.index, 0);
        EXPECT_EQ(call.value, 1);
        EXPECT_EQ(call.ptr, nullptr);
    }
    EXPECT_EQ(host.calls().size(), 3u);
}

}  // namespace
}  // namespace qp::test
