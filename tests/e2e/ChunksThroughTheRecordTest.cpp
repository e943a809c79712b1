// Bank and preset chunks through effGetChunk and effSetChunk, as a host saves
// and restores a project; refused sizes show real error boxes, answered here (on
// Linux the messages the library writes to standard error).
#include <chrono>
#include <cstring>
#include <limits>

#include "MidiE2eSupport.h"
#include "effect/ParameterRecords.h"

namespace qp::test {
namespace {

using ChunksE2e = OpenEffectTest;

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
    if (!haveDisplay()) {
        GTEST_SKIP() << "the error boxes need a display";
    }
    const auto before = chunkOf(host, false);
    std::vector<unsigned char> bytes(400, 0x41);
    ShownMessages person({IDOK, IDOK, IDOK});
    EXPECT_EQ(setChunk(host, bytes.data(), 359, false), 1);
    EXPECT_EQ(setChunk(host, bytes.data(), 361, false), 1);
    EXPECT_EQ(setChunk(host, bytes.data(), 33, true), 1);
    auto seen = person.finish();
    ASSERT_EQ(seen.size(), 3u);
    expectDialog(seen[0], "Error!", "Can't load bank, wrong file size!", kOkButton);
    EXPECT_EQ(seen[1].text, "Can't load bank, wrong file size!");
    EXPECT_EQ(seen[2].text, "Can't load preset, wrong file size!");
    EXPECT_EQ(seen[2].caption, "Error!");
    EXPECT_EQ(chunkOf(host, false), before);
    EXPECT_EQ(host.getParameter(0), 0.5f);
}

// A negative size, taken as unsigned, is too large; a null chunk with bytes to
// give is refused the same way. Every one is still answered 1.
TEST_F(ChunksE2e, NegativeSizesAndNullChunksAreRefusedWithTheirMessages) {
    if (!haveDisplay()) {
        GTEST_SKIP() << "the error boxes need a display";
    }
    host.dispatch(effSetProgram, 0, 2);
    host.setParameter(0, 0.25f);
    const auto before = chunkOf(host, false);
    std::vector<unsigned char> bytes(400, 0x41);
    ShownMessages person({IDOK, IDOK, IDOK, IDOK, IDOK});
    EXPECT_EQ(setChunk(host, bytes.data(), -1, true), 1);
    EXPECT_EQ(setChunk(host, bytes.data(), -360, false), 1);
    EXPECT_EQ(setChunk(host, nullptr, 32, true), 1);
    EXPECT_EQ(setChunk(host, nullptr, 360, false), 1);
    EXPECT_EQ(setChunk(host, nullptr, -1, true), 1);
    auto seen = person.finish();
    ASSERT_EQ(seen.size(), 5u);
    for (std::size_t i : {0u, 2u, 4u}) {
        EXPECT_EQ(seen[i].text, "Can't load preset, wrong file size!") << i;
    }
    for (std::size_t i : {1u, 3u}) {
        EXPECT_EQ(seen[i].text, "Can't load bank, wrong file size!") << i;
    }
    for (const auto& dialog : seen) {
        EXPECT_EQ(dialog.caption, "Error!");
    }
    EXPECT_EQ(chunkOf(host, false), before);
    EXPECT_EQ(host.dispatch(effGetProgram), 2);
    EXPECT_EQ(host.getParameter(0), 0.25f);
}

TEST_F(ChunksE2e, AnEmptyNullPresetCopiesNothingAndAsksNothing) {
    if (!haveDisplay()) {
        GTEST_SKIP() << "a wrongly shown box needs a display to be seen";
    }
    const auto before = chunkOf(host, false);
    ShownMessages person({IDOK}, std::chrono::milliseconds(1500));
    EXPECT_EQ(setChunk(host, nullptr, 0, true), 1);
    EXPECT_TRUE(person.finish().empty());
    EXPECT_EQ(chunkOf(host, false), before);
}

// A bank may make a parameter unbounded: its values beyond 0..1 are kept, the
// host may set any finite value, and the bank comes back byte for byte.
TEST_F(ChunksE2e, AnUnboundedParameterFromABankKeepsItsValues) {
    auto bank = chunkOf(host, false);
    ASSERT_EQ(bank.size(), 360u);
    ParameterBlock block;
    std::memcpy(&block, bank.data(), sizeof block);
    block.parameters[1].unbounded = 1;
    block.programs[0].values[1] = 2.5f;
    block.programs[3].values[1] = -40.0f;
    block.programs[3].values[0] = 7.0f;  // sens stays bounded
    std::memcpy(bank.data(), &block, sizeof block);
    EXPECT_EQ(setChunk(host, bank.data(), 360, false), 1);
    EXPECT_EQ(host.getParameter(1), 2.5f);
    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.getParameter(1), -40.0f);
    EXPECT_EQ(host.getParameter(0), 1.0f);
    host.setParameter(1, 1e6f);
    EXPECT_EQ(host.getParameter(1), 1e6f);
    EXPECT_EQ(host.getString(effGetParamDisplay, 1), "1000000.");
    for (float bad : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::quiet_NaN()}) {
        host.setParameter(1, bad);
        host.setParameter(0, bad);
    }
    EXPECT_EQ(host.getParameter(1), 1e6f);
    EXPECT_EQ(host.getParameter(0), 1.0f);

    const auto saved = chunkOf(host, false);
    PluginHost other;
    ASSERT_NE(other.open(), nullptr);
    EXPECT_EQ(setChunk(other, saved.data(), 360, false), 1);
    EXPECT_EQ(chunkOf(other, false), saved);
    EXPECT_EQ(other.getParameter(1), 2.5f);
}

}  // namespace
}  // namespace qp::test
