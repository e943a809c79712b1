// MIDI learn, controller and program changes, and the settings commands, as a
// host drives them: the record's setParameter entry for the editor's command
// indexes, effProcessEvents for MIDI, real dialogs answered by clicking, and
// the current user's registry read back with plain registry calls; on Linux the
// settings file, and the questions asked with no editor open.
#include "MidiE2eSupport.h"

namespace qp::test {
namespace {

const float kMiddle = 64.0f * (1.0f / 127.0f);

class MidiLearnE2e : public OpenEffectTest {
protected:
    void learn(PluginHost& target, Int32 parameter, int number, int value = 64) {
        target.setParameter(kLearnCommand, float(parameter));
        controllerChange(target, 0, number, value);
    }
};

TEST_F(MidiLearnE2e, LearntControllerDrivesTheParameterOnAnyChannel) {
    host.clearCalls();
    host.setParameter(kLearnCommand, 0.0f);
    EXPECT_EQ(MidiList().add(0xB3, 1, 64).sendTo(host), 1);
    EXPECT_EQ(host.getParameter(0), kMiddle);
    EXPECT_NEAR(host.getParameter(0), 0.503937f, 1e-6f);

    controllerChange(host, 15, 1, 127);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    controllerChange(host, 0, 1, 0);
    EXPECT_EQ(host.getParameter(0), 0.0f);
    EXPECT_EQ(host.getParameter(1), 0.5f);
    // Controllers are the user's hand, not automation.
    EXPECT_EQ(host.countCalls(audioMasterAutomate), 0u);
}

TEST_F(MidiLearnE2e, TwoParametersFollowOneController) {
    learn(host, 0, 22);
    learn(host, 1, 22);
    controllerChange(host, 6, 22, 127);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    EXPECT_EQ(host.getParameter(1), 1.0f);
}

TEST_F(MidiLearnE2e, ControllerZeroMeansNone) {
    learn(host, 0, 0, 127);
    EXPECT_EQ(host.getParameter(0), 0.5f);
    controllerChange(host, 0, 0, 0);
    EXPECT_EQ(host.getParameter(0), 0.5f);
}

TEST_F(MidiLearnE2e, ProgramChangesSelectTheNineProgramsOnly) {
    EXPECT_EQ(MidiList().add(0xC4, 3, 0).sendTo(host), 1);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
    EXPECT_EQ(MidiList().add(0xC0, 9, 0).add(0xC0, 127, 0).sendTo(host), 1);
    EXPECT_EQ(host.dispatch(effGetProgram), 3);
}

TEST_F(MidiLearnE2e, ForgetCommandUnbindsOneParameter) {
    learn(host, 0, 30);
    learn(host, 1, 31);
    host.setParameter(kLearnCommand, 1000.0f);
    controllerChange(host, 0, 30, 127);
    controllerChange(host, 0, 31, 127);
    EXPECT_EQ(host.getParameter(0), kMiddle);
    EXPECT_EQ(host.getParameter(1), 1.0f);
}

#ifdef _WIN32
// Only a real box can be answered Yes: the Linux library has none to show.
TEST_F(MidiLearnE2e, SavedDefaultsAreInTheRegistryAndComeBack) {
    if (!haveDisplay()) {
        GTEST_SKIP() << "the dialogs need a display";
    }
    learn(host, 0, 7);
    {
        DialogAnswerer person({IDYES, IDOK});
        host.setParameter(kMenuCommand, 1.0f);
        auto seen = person.finish();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].text, "Save Actual Values as Defaults?");
        EXPECT_EQ(seen[0].caption, "Warning!");
        EXPECT_TRUE(seen[0].hasYes && seen[0].hasNo);
        EXPECT_EQ(seen[1].text, "Default Values Saved!");
        EXPECT_EQ(seen[1].caption, "Ok!");
    }
    EXPECT_EQ(storedSetting("MidiCC-sens"), 8u);
    EXPECT_EQ(storedSetting("MidiCC-buzz"), 1u);
    EXPECT_FALSE(storedSetting("sens"));
    EXPECT_FALSE(storedSetting("buzz"));

    PluginHost next;
    ASSERT_NE(next.open(), nullptr);
    controllerChange(next, 9, 7, 127);
    EXPECT_EQ(next.getParameter(0), 1.0f);
    EXPECT_EQ(next.getParameter(1), 0.5f);
}

TEST_F(MidiLearnE2e, ForgetAllAsksAndClearsOnlyOnYes) {
    if (!haveDisplay()) {
        GTEST_SKIP() << "the dialogs need a display";
    }
    learn(host, 0, 40);
    {
        DialogAnswerer person({IDNO});
        host.setParameter(kMenuCommand, 2.0f);
        auto seen = person.finish();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, "Forget Learned MidiCC?");
        EXPECT_EQ(seen[0].caption, "Warning!");
    }
    controllerChange(host, 0, 40, 127);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    {
        DialogAnswerer person({IDYES});
        host.setParameter(kMenuCommand, 2.0f);
        EXPECT_EQ(person.finish().size(), 1u);
    }
    controllerChange(host, 0, 40, 0);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    // Forgetting never touches the settings.
    EXPECT_FALSE(storedSetting("MidiCC-sens"));
}

#else
// With the editor closed there is no window to ask in (X11EditorTest asks in an
// open one): each question is written out and answered No at once, the call
// returns, nothing is stored and nothing is forgotten.
TEST_F(MidiLearnE2e, QuestionsWithNoWindowAreAnsweredNoAtOnce) {
    const struct {
        float command;
        const char* question;
    } cases[] = {
        {1.0f, "Save Actual Values as Defaults?"},
        {2.0f, "Forget Learned MidiCC?"},
    };
    learn(host, 0, 7);
    for (const auto& c : cases) {
        ShownMessages shown;
        host.setParameter(kMenuCommand, c.command);
        const auto seen = shown.finish();
        ASSERT_EQ(seen.size(), 1u) << c.question;
        expectDialog(seen[0], "Warning!", c.question, kNoButtons);
        EXPECT_EQ(seen[0].clicked, IDNO);
        EXPECT_FALSE(storedSetting("MidiCC-sens")) << c.question;
        controllerChange(host, 0, 7, 127);
        EXPECT_EQ(host.getParameter(0), 1.0f) << c.question;
        controllerChange(host, 0, 7, 64);
    }
}
#endif

}  // namespace
}  // namespace qp::test
