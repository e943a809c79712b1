// What a host finds when it loads the library and calls `main`: the refusal of
// a caller that is no VST 2 host, the record's fixed fields, the flags and the
// lifetime of the effect up to effClose.
#include <gtest/gtest.h>

#include <cstring>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr Int32 kExpectedUniqueId = fourCharCode('1', '0', '2', '8');
constexpr Int32 kBaseFlags =
    effFlagsHasVu | effFlagsCanMono | effFlagsCanReplacing | effFlagsProgramChunks;  // 60

bool hasEditor(PluginHost& host) {
    ERect* rect = nullptr;
    return host.dispatch(effEditGetRect, 0, 0, &rect) != 0 && rect != nullptr;
}

TEST(EntryPoint, LibraryExportsMain) {
    PluginHost host;
    ASSERT_TRUE(host.loaded()) << host.loadError();
}

TEST(EntryPoint, RefusesACallerThatAnswersZeroToTheVersionQuery) {
    PluginHost host;
    ASSERT_TRUE(host.loaded()) << host.loadError();
    host.setAnswer(audioMasterVersion, 0);
    EXPECT_EQ(host.open(), nullptr);
    auto versionQueries = host.callsWith(audioMasterVersion);
    ASSERT_EQ(versionQueries.size(), 1u);
    EXPECT_EQ(versionQueries[0].effect, nullptr);
    EXPECT_EQ(versionQueries[0].index, 0);
    EXPECT_EQ(versionQueries[0].value, 0);
    EXPECT_EQ(versionQueries[0].ptr, nullptr);
    // Nothing was built, so nothing else reached the host.
    EXPECT_EQ(host.calls().size(), 1u);
}

TEST(EntryPoint, AsksForTheVersionWithANullRecordBeforeBuilding) {
    PluginHost host;
    ASSERT_NE(host.open(), nullptr);
    auto calls = host.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);
}

TEST(Record, CarriesTheEffectsIdentityAndCounts) {
    PluginHost host;
    AEffect* effect = host.open();
    ASSERT_NE(effect, nullptr) << host.loadError();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_EQ(effect->numPrograms, 9);
    EXPECT_EQ(effect->numParams, 2);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->uniqueID, kExpectedUniqueId);
    EXPECT_EQ(fourCharText(effect->uniqueID), "1028");
    EXPECT_EQ(effect->version, 1);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_NE(effect->object, nullptr);
    char zeros[sizeof effect->future] = {};
    EXPECT_EQ(std::memcmp(effect->future, zeros, sizeof zeros), 0);
}

TEST(Record, FlagsAnnounceWhatTheEffectDoes) {
    PluginHost host;
    AEffect* effect = host.open();
    ASSERT_NE(effect, nullptr);
    // 61 with the editor, 60 in a build without one; the flag must agree with
    // the answer to effEditGetRect.
    EXPECT_EQ(effect->flags, kBaseFlags + (hasEditor(host) ? effFlagsHasEditor : 0));
}

TEST(Record, EffCloseAnswersOneAndANewInstanceWorksAfterwards) {
    {
        PluginHost host;
        ASSERT_NE(host.open(), nullptr);
        host.setParameter(0, 0.25f);
        EXPECT_EQ(host.close(), 1);
        EXPECT_EQ(host.effect(), nullptr);
    }
    PluginHost again;
    ASSERT_NE(again.open(), nullptr);
    EXPECT_EQ(again.getParameter(0), 0.5f);
    EXPECT_EQ(again.getString(effGetEffectName), "Quorrelphone");
}

TEST(Record, SeveralInstancesLiveSideBySideWithSeparateState) {
    PluginHost first;
    PluginHost second;
    ASSERT_NE(first.open(), nullptr);
    ASSERT_NE(second.open(), nullptr);
    EXPECT_NE(first.effect(), second.effect());
    first.setParameter(0, 0.1f);
    second.dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(first.getParameter(0), 0.1f);
    EXPECT_EQ(second.getParameter(0), 0.5f);
    EXPECT_EQ(first.dispatch(effGetProgram), 0);
    EXPECT_EQ(second.dispatch(effGetProgram), 4);

    // Each host hears only its own effect.
    first.clearCalls();
    second.clearCalls();
    second.dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(first.countCalls(audioMasterWantMidi), 0u);
    ASSERT_EQ(second.countCalls(audioMasterWantMidi), 1u);
    EXPECT_EQ(second.callsWith(audioMasterWantMidi)[0].effect, second.effect());
}

}  // namespace
}  // namespace qp::test
