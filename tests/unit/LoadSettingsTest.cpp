// What a new effect takes from the settings: learnt controllers always, kept
// default values for parameters whose records ask for them, named after the
// records (which a loaded bank can rename).
#include "MidiTestSupport.h"
#include "effect/Settings.h"

namespace qp::test {
namespace {

using LoadSettings = EffectTest;

TEST_F(LoadSettings, FreshUserGetsAnEmptyKeyAndNoBindings) {
    auto effect = makeEffect();
    EXPECT_TRUE(platform().keyExists(kSettingsKey));
    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 0);
    EXPECT_TRUE(platform().messages().empty());
}

TEST_F(LoadSettings, StoredControllersAreLearnt) {
    platform().putDword(kSettingsKey, "MidiCC-sens", 8);
    platform().putDword(kSettingsKey, "MidiCC-buzz", 128);
    auto effect = makeEffect();
    EXPECT_EQ(effect->learnedController(kSensIndex), 7);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 127);
}

TEST_F(LoadSettings, OneMeansUnboundAndUnusableDataIsIgnored) {
    platform().putDword(kSettingsKey, "MidiCC-sens", 1);
    platform().putValue(kSettingsKey, "MidiCC-buzz", {8, 0});
    auto effect = makeEffect();
    EXPECT_EQ(effect->learnedController(kSensIndex), 0);
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 0);

    platform().putDword(kSettingsKey, "MidiCC-sens", 0);
    platform().putDword(kSettingsKey, "MidiCC-buzz", 0x80000000u);  // no number plus one
    auto next = makeEffect();
    EXPECT_EQ(next->learnedController(kSensIndex), 0);
    EXPECT_EQ(next->learnedController(kBuzzIndex), 0);
}

TEST_F(LoadSettings, KeptDefaultLandsInProgramZeroOnly) {
    auto effect = makeEffect();
    ParameterBlock block = blockOf(bankOf(*effect));
    block.parameters[kSensIndex].keepDefault = 1;
    auto bank = bytesOf(block);
    effect->setChunk(bank.data(), Int32(bank.size()), false);
    platform().putDword(kSettingsKey, "sens", 8001);
    platform().putDword(kSettingsKey, "buzz", 2001);  // buzz keeps no default: not read

    effect->loadSettings();

    EXPECT_FLOAT_EQ(effect->block().programs[0].values[kSensIndex], 0.8f);
    EXPECT_EQ(effect->block().programs[0].values[kBuzzIndex], 0.5f);
    for (int p = 1; p < kProgramCount; ++p) {
        EXPECT_EQ(effect->block().programs[p].values[kSensIndex], 0.5f);
    }
    // A kept default beyond the range is limited like any parameter value.
    platform().putDword(kSettingsKey, "sens", 20001);
    effect->loadSettings();
    EXPECT_EQ(effect->getParameter(kSensIndex), 1.0f);
}

TEST_F(LoadSettings, RenamedParametersUseTheirNewNames) {
    auto effect = makeEffect();
    ParameterBlock block = blockOf(bankOf(*effect));
    std::memset(block.parameters[kSensIndex].name, 0, kNameSize);
    std::strcpy(block.parameters[kSensIndex].name, "grit");
    std::memcpy(block.parameters[kBuzzIndex].name, "abcdefghijklmnopqrstuvwx", kNameSize);  // no terminator
    block.parameters[kSensIndex].learnedController = 3;
    block.parameters[kBuzzIndex].learnedController = 4;
    auto bank = bytesOf(block);
    effect->setChunk(bank.data(), Int32(bank.size()), false);
    platform().answerNext(MessageAnswer::Yes);

    effect->setParameter(kMenuCommandIndex, 1.0f);

    EXPECT_EQ(platform().dwordValue(kSettingsKey, "MidiCC-grit"), 4u);
    // An unterminated name is read as its first 23 characters.
    EXPECT_EQ(platform().dwordValue(kSettingsKey, "MidiCC-abcdefghijklmnopqrstuvw"), 5u);
    EXPECT_FALSE(platform().value(kSettingsKey, "MidiCC-sens"));

    platform().putDword(kSettingsKey, "MidiCC-abcdefghijklmnopqrstuvw", 10);
    effect->loadSettings();
    EXPECT_EQ(effect->learnedController(kBuzzIndex), 9);
}

}  // namespace
}  // namespace qp::test
