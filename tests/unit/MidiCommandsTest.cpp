// The editor's commands as they reach the effect: learn and forget from the
// learn overlays, "Default" (save defaults) and "MidiForget" from the command
// menu, with their dialogs and settings writes.
#include <cmath>
#include <limits>

#include "MidiTestSupport.h"
#include "effect/Settings.h"

namespace qp::test {
namespace {

using Buttons = MemoryPlatform::Buttons;

class EditorCommands : public EffectTest {
protected:
    void learn(BuzzEffect& effect, Int32 parameter, int number) {
        effect.setParameter(kLearnCommandIndex, float(parameter));
        controller(effect, 0, number, 64);
    }

    // The command menu's entry chosen, with the answer its question is to get.
    void chooseMenuEntry(BuzzEffect& effect, Int32 entry, MessageAnswer answer) {
        platform().answerNext(answer);
        effect.setParameter(kMenuCommandIndex, float(entry));
    }

    // The bank of a fresh effect with parameter p's keepDefault flag set.
    std::vector<unsigned char> bankKeeping(BuzzEffect& effect, Int32 parameter) {
        ParameterBlock block = blockOf(bankOf(effect));
        block.parameters[parameter].keepDefault = 1;
        return bytesOf(block);
    }

    std::optional<std::uint32_t> stored(const char* name) const {
        return platform().dwordValue(kSettingsKey, name);
    }
};

TEST_F(EditorCommands, ForgetCommandClearsOneParameterAndRefreshesTheEditor) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    learn(*effect, kBuzzIndex, 8);
    auto& editor = editorOf(*effect);
    editor.log.clear();

    effect->setParameter(kLearnCommandIndex, 1000.0f + kBuzzIndex);
    EXPECT_EQ(effect->learnedController(kSensIndex), 7);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 0);
    EXPECT_EQ(editor.count(EditorEvent::RefreshLearnedControllers), 1);

    // 999.5 - 1000 truncates toward zero: parameter 0.
    effect->setParameter(kLearnCommandIndex, 999.5f);
    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(editor.count(EditorEvent::RefreshLearnedControllers), 2);
}

TEST_F(EditorCommands, ForgettingLeavesAnArmedLearnArmed) {
    auto effect = makeEffect();
    learn(*effect, kBuzzIndex, 8);
    effect->setParameter(kLearnCommandIndex, float(kSensIndex));
    effect->setParameter(kLearnCommandIndex, 1000.0f + kBuzzIndex);
    EXPECT_EQ(effect->learnTarget(), kSensIndex);
    // Arming alone does not refresh the editor's learn overlays.
    editorOf(*effect).log.clear();
    effect->setParameter(kLearnCommandIndex, float(kBuzzIndex));
    EXPECT_EQ(editorOf(*effect).count(EditorEvent::RefreshLearnedControllers), 0);
}

TEST_F(EditorCommands, CommandsNamingNoParameterAreIgnored) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    learn(*effect, kBuzzIndex, 8);
    const auto before = rawBlock(*effect);
    auto& editor = editorOf(*effect);
    editor.log.clear();

    const float inf = std::numeric_limits<float>::infinity();
    for (float value : {2.0f, 5.0f, 998.9f, -1.0f, -1.5f, -1e30f, -inf, 1002.0f, 1e30f, inf}) {
        effect->handleCommand(kLearnCommandIndex, value);
        EXPECT_EQ(effect->learnTarget(), -1) << value;
    }
    effect->handleCommand(kLearnCommandIndex, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(effect->learnTarget(), -1);
    EXPECT_EQ(rawBlock(*effect), before);
    EXPECT_EQ(editor.count(EditorEvent::RefreshLearnedControllers), 0);

    // -0.5 truncates to parameter 0.
    effect->handleCommand(kLearnCommandIndex, -0.5f);
    EXPECT_EQ(effect->learnTarget(), kSensIndex);
}

TEST_F(EditorCommands, SaveDefaultsWritesControllersPlusOne) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);

    chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::Yes);

    EXPECT_EQ(stored("MidiCC-sens"), 8u);
    EXPECT_EQ(stored("MidiCC-buzz"), 1u);
    // No kept defaults while keepDefault is 0.
    EXPECT_FALSE(platform().value(kSettingsKey, "sens"));
    EXPECT_FALSE(platform().value(kSettingsKey, "buzz"));
    ASSERT_EQ(platform().messages().size(), 2u);
    EXPECT_EQ(platform().messages()[0].text, "Save Actual Values as Defaults?");
    EXPECT_EQ(platform().messages()[0].caption, "Warning!");
    EXPECT_EQ(platform().messages()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(platform().messages()[1].text, "Default Values Saved!");
    EXPECT_EQ(platform().messages()[1].caption, "Ok!");
    EXPECT_EQ(platform().messages()[1].buttons, Buttons::Ok);
    EXPECT_EQ(platform().openKeys(), 0u);
}

TEST_F(EditorCommands, SaveDefaultsAnsweredNoWritesNothing) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::No);
    EXPECT_FALSE(platform().keyExists(kSettingsKey) && platform().value(kSettingsKey, "MidiCC-sens"));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"Save Actual Values as Defaults?"});
}

TEST_F(EditorCommands, KeptDefaultsAreWrittenAsTruncatedTenThousandthsPlusOne) {
    auto effect = makeEffect();
    auto bank = bankKeeping(*effect, kSensIndex);
    effect->setChunk(bank.data(), Int32(bank.size()), false);
    effect->setProgram(2);
    effect->setParameter(kSensIndex, 0.8f);
    effect->setParameter(kBuzzIndex, 0.57f);

    chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::Yes);

    // The current program's value; 0.8 * 10000 = 8000.
    EXPECT_EQ(stored("sens"), 8001u);
    EXPECT_FALSE(platform().value(kSettingsKey, "buzz"));
    EXPECT_EQ(keptDefaultNumber(0.57f), 5700);
    EXPECT_EQ(keptDefaultNumber(0.5f), 5000);
    EXPECT_EQ(keptDefaultNumber(1.0f), 10000);
    EXPECT_EQ(keptDefaultNumber(0.0f), 0);
    EXPECT_EQ(keptDefaultNumber(std::nanf("")), 0);
    EXPECT_EQ(keptDefaultNumber(1e30f), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(keptDefaultNumber(-1e30f), std::numeric_limits<std::int32_t>::min());
}

TEST_F(EditorCommands, FailedWritesAreReportedAndSavingStillEnds) {
    auto effect = makeEffect();
    auto bank = bankKeeping(*effect, kBuzzIndex);
    effect->setChunk(bank.data(), Int32(bank.size()), false);
    platform().clearMessages();
    platform().failValueWrites(true);

    chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::Yes);

    const std::vector<std::string> expected{"Save Actual Values as Defaults?",
                                            "Error saving Midi-CC registery!", "Error saving registery!",
                                            "Error saving Midi-CC registery!", "Default Values Saved!"};
    EXPECT_EQ(messageTexts(), expected);
    EXPECT_EQ(platform().messages()[2].caption, "Error!");
    EXPECT_EQ(platform().messages()[2].buttons, Buttons::Ok);
}

TEST_F(EditorCommands, SavedSettingsComeBackInTheNextInstance) {
    {
        auto effect = makeEffect();
        learn(*effect, kSensIndex, 7);
        learn(*effect, kBuzzIndex, 127);
        chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::Yes);
    }
    auto next = makeEffect();
    EXPECT_EQ(next->learnedController(kSensIndex), 7);
    EXPECT_EQ(next->learnedController(kBuzzIndex), 127);
    controller(*next, 4, 127, 0);
    EXPECT_EQ(next->getParameter(kBuzzIndex), 0.0f);
}

TEST_F(EditorCommands, ForgetAllAskedYesClearsMemoryButNotTheSettings) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    learn(*effect, kBuzzIndex, 9);
    chooseMenuEntry(*effect, kMenuSaveDefaultsEntry, MessageAnswer::Yes);
    platform().clearMessages();
    auto& editor = editorOf(*effect);
    editor.log.clear();

    chooseMenuEntry(*effect, kMenuForgetAllEntry, MessageAnswer::Yes);

    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 0);
    EXPECT_EQ(editor.count(EditorEvent::RefreshLearnedControllers), 1);
    ASSERT_EQ(platform().messages().size(), 1u);
    EXPECT_EQ(platform().messages()[0].text, "Forget Learned MidiCC?");
    EXPECT_EQ(platform().messages()[0].caption, "Warning!");
    EXPECT_EQ(platform().messages()[0].buttons, Buttons::YesNo);
    EXPECT_EQ(stored("MidiCC-sens"), 8u);
    // So the next instance learns the old bindings again.
    EXPECT_EQ(makeEffect()->learnedController(kSensIndex), 7);
}

TEST_F(EditorCommands, ForgetAllAskedNoKeepsTheBindings) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    editorOf(*effect).log.clear();
    chooseMenuEntry(*effect, kMenuForgetAllEntry, MessageAnswer::No);
    EXPECT_EQ(effect->learnedController(kSensIndex), 7);
    EXPECT_EQ(editorOf(*effect).count(EditorEvent::RefreshLearnedControllers), 0);
}

TEST_F(EditorCommands, OtherMenuValuesAndIndexesDoNothingInTheEffect) {
    auto effect = makeEffect();
    learn(*effect, kSensIndex, 7);
    const auto before = rawBlock(*effect);
    for (float value : {0.0f, 3.0f, 1.5f, -1.0f}) {
        effect->setParameter(kMenuCommandIndex, value);
    }
    effect->setParameter(kPresetsMenuIndex, 4.0f);
    effect->setParameter(kAboutBoxIndex, 1.0f);
    effect->setParameter(12, 1.0f);
    EXPECT_TRUE(platform().messages().empty());
    EXPECT_EQ(rawBlock(*effect), before);
    EXPECT_EQ(effect->getProgram(), 0);
}

}  // namespace
}  // namespace qp::test
