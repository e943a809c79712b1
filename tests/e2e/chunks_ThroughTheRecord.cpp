// Bank and preset chunks through effGetChunk and effSetChunk, as a host saves
// and restores a project; refused sizes show real error boxes, answered here.
#include <cstring>

#include "effect/ParameterRecords.h"
#include "midi_E2eSupport.h"

namespace qp::e2e {
namespace {

using win32test::DialogAnswerer;

class ChunksE2e : public SettingsIsolated {
protected:
    void SetUp() override {
        SettingsIsolated::SetUp();
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
    }

    PluginHost host;
};

TEST_F(ChunksE2e, BankRoundTripRestoresNamesValuesFlagsAndControllers) {
    host.dispatch(effSetProgram, 0, 4);
    char name[] = "Wasp";
    host.dispatch(effSetProgramName, 0, 0, name);
    host.setParameter(0, 0.125f);
    host.setParameter(1, 0.875f);
    host.setParameter(kLearnCommand, 1.0f);
    controllerChange(host, 0, 17, 64);
    const auto bank = chunkOf(host, false);
    ASSERT_EQ(bank.size(), 360u);
    ParameterBlock block;
    std::memcpy(&block, bank.data(), sizeof block);
    EXPECT_EQ(block.parameters[1].learnedController, 17);

    PluginHost other;
    ASSERT_NE(other.open(), nullptr);
    other.dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(setChunk(other, bank.data(), 360, false), 1);

    EXPECT_EQ(chunkOf(other, false), bank);
    EXPECT_EQ(other.getString(effGetProgramNameIndexed, 4), "Wasp");
    EXPECT_EQ(other.getParameter(0), 0.125f);
    EXPECT_EQ(other.getParameter(1), 64.0f / 127.0f);
    controllerChange(other, 0, 17, 127);
    EXPECT_EQ(other.getParameter(1), 1.0f);
}

TEST_F(ChunksE2e, ShortPresetKeepsTheSecondValue) {
    host.setParameter(1, 0.75f);
    ProgramRecord preset{};
    std::strcpy(preset.name, "Short");
    preset.values[0] = 0.25f;
    preset.values[1] = 0.0f;
    EXPECT_EQ(setChunk(host, &preset, 28, true), 1);
    EXPECT_EQ(host.getString(effGetProgramName, 0), "Short");
    EXPECT_EQ(host.getParameter(0), 0.25f);
    EXPECT_EQ(host.getParameter(1), 0.75f);
    EXPECT_EQ(chunkOf(host, true).size(), 32u);
}

TEST_F(ChunksE2e, WrongSizesAreRefusedWithTheirMessages) {
    if (!haveDisplay()) GTEST_SKIP() << "the error boxes need a display";
    const auto before = chunkOf(host, false);
    std::vector<unsigned char> bytes(400, 0x41);
    DialogAnswerer person({IDOK, IDOK, IDOK});
    EXPECT_EQ(setChunk(host, bytes.data(), 359, false), 1);
    EXPECT_EQ(setChunk(host, bytes.data(), 361, false), 1);
    EXPECT_EQ(setChunk(host, bytes.data(), 33, true), 1);
    auto seen = person.finish();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Can't load bank, wrong file size!");
    EXPECT_EQ(seen[0].caption, "Error!");
    EXPECT_TRUE(seen[0].hasOk);
    EXPECT_FALSE(seen[0].hasYes);
    EXPECT_EQ(seen[1].text, "Can't load bank, wrong file size!");
    EXPECT_EQ(seen[2].text, "Can't load preset, wrong file size!");
    EXPECT_EQ(seen[2].caption, "Error!");
    EXPECT_EQ(chunkOf(host, false), before);
    EXPECT_EQ(host.getParameter(0), 0.5f);
}

}  // namespace
}  // namespace qp::e2e
