// Parameters and programs as the host and the editor see them.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

using Received = std::vector<std::pair<Int32, float>>;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

class BuzzEffectParameters : public RecordedEffectTest {
protected:
    RecordingEditor& editor = *RecordingEditor::latest;

    // Host text buffers arrive full of old bytes.
    template <typename Read>
    std::string readText(Read read) {
        char text[64];
        std::memset(text, 'x', sizeof text);
        read(text);
        EXPECT_NE(std::memchr(text, 0, sizeof text), nullptr) << "unterminated";
        return text;
    }
    std::string paramName(Int32 index) {
        return readText([&](char* t) { effect.getParamName(index, t); });
    }
    std::string paramDisplay(Int32 index) {
        return readText([&](char* t) { effect.getParamDisplay(index, t); });
    }
    std::string programName() {
        return readText([&](char* t) { effect.getProgramName(t); });
    }
    std::string programNameAt(Int32 index) {
        return readText([&](char* t) { EXPECT_TRUE(effect.getProgramNameIndexed(0, index, t)); });
    }
};

TEST_F(BuzzEffectParameters, FreshEffectHasItsDefaults) {
    EXPECT_EQ(paramName(0), "sens");
    EXPECT_EQ(paramName(1), "buzz");
    EXPECT_EQ(effect.getParameter(0), 0.5f);
    EXPECT_EQ(effect.getParameter(1), 0.5f);
    EXPECT_EQ(paramDisplay(0), "0.500000");
    EXPECT_EQ(effect.getProgram(), 0);
    for (Int32 program = 0; program < kProgramCount; ++program) {
        EXPECT_EQ(programNameAt(program), "Init");
        EXPECT_EQ(effect.block().programs[program].values[0], 0.5f);
        EXPECT_EQ(effect.block().programs[program].values[1], 0.5f);
    }
}

TEST_F(BuzzEffectParameters, ConstructionSendsBothValuesToTheEditor) {
    EXPECT_EQ(effect.editor(), &editor);
    EXPECT_EQ(editor.received, (Received{{0, 0.5f}, {1, 0.5f}}));
}

TEST_F(BuzzEffectParameters, ValuesAreClampedBeforeTheyAreStoredAndShown) {
    editor.received.clear();
    effect.setParameter(0, 1.7f);
    effect.setParameter(1, -0.2f);
    EXPECT_EQ(effect.getParameter(0), 1.0f);
    EXPECT_EQ(effect.getParameter(1), 0.0f);
    EXPECT_EQ(editor.received, (Received{{0, 1.0f}, {1, 0.0f}}));
    EXPECT_EQ(effect.block().programs[0].values[0], 1.0f);
}

// Neither a bounded parameter (which would be clamped to an end) nor an unbounded
// one (which would store it) takes a non-finite value; commands ignore it too.
TEST_F(BuzzEffectParameters, NonFiniteValuesAreIgnoredEntirely) {
    effect.defineParameter(1, "level", 0.5f, 1, 1, 0);
    effect.setParameter(0, 0.25f);
    effect.setParameter(1, 4.0f);
    editor.received.clear();
    for (float bad : {kNaN, -kNaN, kInfinity, -kInfinity}) {
        effect.setParameter(0, bad);
        effect.setParameter(1, bad);
        effect.setParameter(kLearnCommandIndex, bad);
        effect.setParameter(kMenuCommandIndex, bad);
    }
    EXPECT_EQ(effect.getParameter(0), 0.25f);
    EXPECT_EQ(effect.getParameter(1), 4.0f);
    EXPECT_EQ(effect.learnTarget(), -1);
    EXPECT_TRUE(editor.received.empty());
}

TEST_F(BuzzEffectParameters, CommandIndexesReachTheEditorUnclampedAndStoreNothing) {
    editor.received.clear();
    const ParameterBlock before = effect.block();
    effect.setParameter(kMenuCommandIndex, 1.0f);
    effect.setParameter(kLearnCommandIndex, 1001.0f);
    EXPECT_EQ(std::memcmp(&before, &effect.block(), sizeof before), 0);
    EXPECT_EQ(editor.received, (Received{{kMenuCommandIndex, 1.0f}, {kLearnCommandIndex, 1001.0f}}));
    EXPECT_EQ(effect.getParameter(7), 0.0f);
    EXPECT_EQ(effect.getParameter(-1), 0.0f);
}

TEST_F(BuzzEffectParameters, EachProgramKeepsItsOwnValues) {
    effect.setParameter(0, 0.2f);
    effect.setProgram(3);
    EXPECT_EQ(effect.getProgram(), 3);
    EXPECT_EQ(effect.getParameter(0), 0.5f);
    effect.setParameter(0, 0.9f);
    EXPECT_EQ(effect.block().programs[3].values[0], 0.9f);
    effect.setProgram(0);
    EXPECT_EQ(effect.getParameter(0), 0.2f);
    EXPECT_EQ(effect.currentParameterValue(0), 0.2f);
}

TEST_F(BuzzEffectParameters, ChangingProgramMovesTheEditorsControls) {
    effect.setProgram(3);
    effect.setParameter(0, 0.75f);
    effect.setParameter(1, 0.125f);
    effect.setProgram(0);
    editor.received.clear();
    effect.setProgram(3);
    EXPECT_EQ(editor.received, (Received{{0, 0.75f}, {1, 0.125f}}));
}

TEST_F(BuzzEffectParameters, ProgramNumbersOutOfRangeAreIgnored) {
    effect.setProgram(2);
    effect.dispatcher(effSetProgram, 0, 9, nullptr, 0.0f);
    effect.dispatcher(effSetProgram, 0, -1, nullptr, 0.0f);
    effect.setProgram(9);
    effect.setProgram(-1);
    effect.setProgram(1 << 30);
    EXPECT_EQ(effect.dispatcher(effGetProgram, 0, 0, nullptr, 0.0f), 2);
}

TEST_F(BuzzEffectParameters, AParameterThatIsNotPerProgramLivesInItsRecord) {
    effect.defineParameter(1, "level", 0.3f, 0, 1, 0);
    EXPECT_EQ(effect.getParameter(1), 0.3f);
    effect.setParameter(1, 2.5f);  // unbounded: not clamped
    effect.setProgram(4);
    EXPECT_EQ(effect.getParameter(1), 2.5f);
    EXPECT_EQ(effect.block().parameters[1].value, 2.5f);
    EXPECT_EQ(effect.block().programs[4].values[1], 0.5f);
}

TEST_F(BuzzEffectParameters, DefineParameterKeepsTheLearnedController) {
    const Int32 learned = effect.block().parameters[0].learnedController;
    effect.defineParameter(0, "sensitivity", 0.1f, 1, 0, 1);
    effect.defineParameter(5, "nothing", 0.1f, 1, 0, 1);  // no such record
    const ParameterRecord& record = effect.block().parameters[0];
    EXPECT_EQ(record.learnedController, learned);
    EXPECT_EQ(record.keepDefault, 1);
    EXPECT_STREQ(record.name, "sensitivity");
    // Parameter names reach the host within the interface's 8 characters.
    EXPECT_EQ(paramName(0), "sensitiv");
}

TEST_F(BuzzEffectParameters, TextsForOtherIndexesAreEmpty) {
    EXPECT_EQ(paramName(2), "");
    EXPECT_EQ(paramName(-1), "");
    EXPECT_EQ(paramDisplay(2), "");
    for (Int32 index : {0, 1, 2, 100}) {
        EXPECT_EQ(readText([&](char* t) { effect.getParamLabel(index, t); }), " ");
    }
}

TEST_F(BuzzEffectParameters, DisplayFollowsTheCurrentValue) {
    effect.setParameter(1, 0.25f);
    EXPECT_EQ(paramDisplay(1), "0.250000");
    effect.setParameter(1, 1.0f);
    EXPECT_EQ(paramDisplay(1), "1.000000");
}

TEST_F(BuzzEffectParameters, ProgramNamesAreStoredPerProgram) {
    effect.setProgram(8);
    char verse[] = "Verse";
    effect.setProgramName(verse);
    EXPECT_EQ(programName(), "Verse");
    EXPECT_EQ(programNameAt(8), "Verse");
    EXPECT_EQ(programNameAt(7), "Init");
    effect.setProgram(0);
    EXPECT_EQ(programName(), "Init");

    char untouched[kMaxProgramNameLen] = "untouched";
    EXPECT_FALSE(effect.getProgramNameIndexed(0, 9, untouched));
    EXPECT_FALSE(effect.getProgramNameIndexed(0, -1, untouched));
    EXPECT_STREQ(untouched, "untouched");
}

TEST_F(BuzzEffectParameters, LongProgramNamesKeepTheirFirst23Characters) {
    // A host text of exactly one field's size with no terminator: only 23 bytes
    // may be read (the native build's address sanitizer watches the 24th).
    auto text = std::make_unique<char[]>(kNameSize - 1);
    std::memset(text.get(), 'q', kNameSize - 1);
    effect.setProgramName(text.get());
    EXPECT_EQ(programName(), std::string(23, 'q'));

    char longer[] = "abcdefghijklmnopqrstuvwxyz0123";
    effect.setProgramName(longer);
    EXPECT_EQ(programName(), "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(effect.block().programs[0].name[kNameSize - 1], 0);
}

TEST_F(BuzzEffectParameters, NullHostTextsAreIgnored) {
    effect.setProgramName(nullptr);
    effect.getProgramName(nullptr);
    effect.getParamName(0, nullptr);
    effect.getParamDisplay(0, nullptr);
    EXPECT_EQ(programName(), "Init");
}

}  // namespace
}  // namespace qp::test
