// Building the effect through pluginMain and what it tells the host about itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "effect/PluginMain.h"
#include "effect/dsp/DspBlock.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

constexpr Int32 kFlagsWithEditor = 61;  // editor, VU, mono, replacing, chunks
constexpr Int32 kFlagsWithoutEditor = 60;

int editorsMade = 0;
EditorBase* countingEditorFactory(EffectBase* effect) {
    ++editorsMade;
    return new RecordingEditor(effect);
}

EditorBase* failingEditorFactory(EffectBase*) { return nullptr; }

void closeEffect(AEffect* record) { record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f); }

class PluginMainTest : public ::testing::Test {
protected:
    MemoryPlatformScope platform;
    RecordingHost host;
};

TEST_F(PluginMainTest, RecordDescribesTheEffectWithItsEditor) {
    EditorFactoryScope editor(&RecordingEditor::make);
    AEffect* record = pluginMain(&RecordingHost::callback);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->magic, kEffectMagic);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->numPrograms, 9);
    EXPECT_EQ(record->numParams, 2);
    EXPECT_EQ(record->uniqueID, 0x31303238);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->flags, kFlagsWithEditor);
    EXPECT_EQ(host.callsWith(audioMasterVersion).size(), 1u);
    closeEffect(record);
}

TEST_F(PluginMainTest, WithoutAnEditorFactoryTheEffectHasNoEditorAndSaysSo) {
    EditorFactoryScope none(nullptr);
    AEffect* record = pluginMain(&RecordingHost::callback);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->flags, kFlagsWithoutEditor);
    EXPECT_EQ(static_cast<EffectBase*>(record->object)->editor(), nullptr);
    EXPECT_EQ(record->dispatcher(record, effEditOpen, 0, 0, nullptr, 0.0f), 0);
    closeEffect(record);
}

TEST_F(PluginMainTest, ACallerThatIsNoHostGetsNothingBuilt) {
    EditorFactoryScope counting(&countingEditorFactory);
    editorsMade = 0;
    host.versionAnswer = 0;
    EXPECT_EQ(pluginMain(&RecordingHost::callback), nullptr);
    EXPECT_EQ(pluginMain(nullptr), nullptr);
    EXPECT_EQ(editorsMade, 0);
}

// The refusal after a failed editor is process-wide and permanent, so it is watched
// in a child process that the other tests never see.
TEST(PluginMainDeathTest, AFailedEditorMakesEveryLaterCallReturnNull) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MemoryPlatformScope platform;
            RecordingHost host;
            bool refused;
            {
                EditorFactoryScope failing(&failingEditorFactory);
                refused = pluginMain(&RecordingHost::callback) == nullptr && editorCreationFailed();
            }
            EditorFactoryScope working(&countingEditorFactory);
            editorsMade = 0;
            refused = refused && pluginMain(&RecordingHost::callback) == nullptr && editorsMade == 1;
            std::exit(refused ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PluginMainTest, AnEffectWithoutHostCallbackKeepsTheBaseRecord) {
    EditorFactoryScope none(nullptr);
    BuzzEffect effect(nullptr);
    EXPECT_EQ(effect.record()->numInputs, 1);
    EXPECT_EQ(effect.record()->uniqueID, fourCharCode('N', 'o', 'E', 'f'));
    EXPECT_EQ(effect.record()->flags, 32);  // program chunks only
}

TEST_F(PluginMainTest, ConstructionLeavesTheSharedDspRateAt44100) {
    EditorFactoryScope none(nullptr);
    setDspSampleRate(48000.0f);
    BuzzEffect effect(&RecordingHost::callback);
    EXPECT_EQ(getDspSampleRate(), 44100.0f);
}

class BuzzEffectIdentity : public RecordedEffectTest {
protected:
    RecordingEditor* editor = RecordingEditor::latest;

    IntPtr dispatch(Int32 opcode, Int32 index = 0, IntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return effect.dispatcher(opcode, index, value, ptr, opt);
    }

    std::string textFrom(Int32 opcode) {
        char text[kMaxVendorTextLen] = "untouched";
        EXPECT_EQ(dispatch(opcode, 0, 0, text), 1);
        return text;
    }
};

TEST_F(BuzzEffectIdentity, NamesVendorAndVersion) {
    EXPECT_EQ(textFrom(effGetEffectName), "Quorrelphone");
    EXPECT_EQ(textFrom(effGetProductString), "Quorrelphone");
    EXPECT_EQ(textFrom(effGetVendorString), "Veltmarsk");
    EXPECT_EQ(dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(dispatch(effGetEffectName), 0);  // no buffer to write into
}

TEST_F(BuzzEffectIdentity, OutputPinsAreNamedAndStereo) {
    VstPinProperties pin{};
    ASSERT_EQ(dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Quorrelphone 2");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    ASSERT_EQ(dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Quorrelphone 1");

    VstPinProperties untouched{};
    std::memset(&untouched, 0x5a, sizeof untouched);
    VstPinProperties probe = untouched;
    EXPECT_EQ(dispatch(effGetOutputProperties, 2, 0, &probe), 0);
    EXPECT_EQ(dispatch(effGetOutputProperties, -1, 0, &probe), 0);
    EXPECT_EQ(dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(std::memcmp(&probe, &untouched, sizeof probe), 0);
    EXPECT_EQ(dispatch(effGetInputProperties, 0, 0, &probe), 0);
}

TEST_F(BuzzEffectIdentity, MouseWheelRequestReachesTheEditor) {
    const IntPtr whee = fourCharCode('W', 'h', 'e', 'e');
    const Int32 stca = fourCharCode('s', 't', 'C', 'A');
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(dispatch(effVendorSpecific, stca, whee, nullptr, -2.0f), 1);
    editor->wheelAnswer = false;
    EXPECT_EQ(dispatch(effVendorSpecific, stca, whee, nullptr, 3.0f), 0);
    EXPECT_EQ(editor->wheelDistances, (std::vector<float>{-2.0f, 3.0f}));

    EXPECT_EQ(dispatch(effVendorSpecific, stca, fourCharCode('W', 'h', 'e', 'f'), nullptr, 1.0f), 0);
    EXPECT_EQ(dispatch(effVendorSpecific, fourCharCode('s', 't', 'C', 'B'), whee, nullptr, 1.0f), 0);
    EXPECT_EQ(editor->wheelDistances.size(), 2u);
}

TEST_F(BuzzEffectIdentity, MouseWheelWithoutEditorIsDeclined) {
    EditorFactoryScope none(nullptr);
    BuzzEffect bare(&RecordingHost::callback);
    EXPECT_EQ(bare.vendorSpecific(fourCharCode('s', 't', 'C', 'A'), fourCharCode('W', 'h', 'e', 'e'), nullptr,
                                  1.0f),
              0);
}

// The three answers a host may lean on whatever ptr is: an empty delivery of
// events is taken (1), there is no current MIDI program (-1), and a plain effect
// is no shell, so the host's name buffer keeps what it held.
TEST_F(BuzzEffectIdentity, AnswersThatHoldWithOrWithoutABuffer) {
    EXPECT_EQ(dispatch(effProcessEvents, 0, 0, nullptr), 1);
    char buffer[256];
    std::memset(buffer, 0x5a, sizeof buffer);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 0, 0, nullptr), -1);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram, 3, 0, buffer), -1);
    EXPECT_EQ(dispatch(effShellGetNextPlugin, 0, 0, buffer), 0);
    EXPECT_EQ(dispatch(effShellGetNextPlugin, 0, 0, nullptr), 0);
    for (char byte : buffer) {
        ASSERT_EQ(byte, 0x5a);
    }
}

TEST_F(BuzzEffectIdentity, CanDoOnlyMidiInput) {
    EXPECT_EQ(effect.canDo("receiveVstEvents"), 1);
    EXPECT_EQ(effect.canDo("receiveVstMidiEvent"), 1);
    for (const char* other : {"receiveVstTimeInfo", "bypass", "", "ReceiveVstEvents", "receiveVstEventsX"}) {
        EXPECT_EQ(effect.canDo(other), -1) << other;
    }
    EXPECT_EQ(effect.canDo(nullptr), -1);
}

}  // namespace
}  // namespace qp::test
