// Parameters and programs as the host sets, reads, names and displays them
// through the record and the dispatcher.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr Int32 kSens = 0;
constexpr Int32 kBuzz = 1;
constexpr Int32 kPrograms = 9;

class Parameters : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
        host.clearCalls();
    }

    std::string programName(Int32 program) { return host.getString(effGetProgramNameIndexed, program, 64); }

    PluginHost host;
};

TEST_F(Parameters, FreshEffectHasItsDefaults) {
    EXPECT_EQ(host.getString(effGetParamName, kSens), "sens");
    EXPECT_EQ(host.getString(effGetParamName, kBuzz), "buzz");
    EXPECT_EQ(host.getParameter(kSens), 0.5f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.5f);
    EXPECT_EQ(host.getString(effGetParamDisplay, kSens), "0.500000");
    EXPECT_EQ(host.getString(effGetParamDisplay, kBuzz), "0.500000");
    EXPECT_EQ(host.dispatch(effGetProgram), 0);
    for (Int32 program = 0; program < kPrograms; ++program) {
        EXPECT_EQ(programName(program), "Init") << program;
    }
}

TEST_F(Parameters, LabelIsASingleBlankForEveryIndex) {
    for (Int32 index : {0, 1, 2, 7, -1}) {
        EXPECT_EQ(host.getString(effGetParamLabel, index), " ");
    }
}

TEST_F(Parameters, ValuesAreClampedToTheUnitRange) {
    host.setParameter(kSens, 1.7f);
    host.setParameter(kBuzz, -0.2f);
    EXPECT_EQ(host.getParameter(kSens), 1.0f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.0f);
    host.setParameter(kSens, 0.3f);
    EXPECT_EQ(host.getParameter(kSens), 0.3f);
}

TEST_F(Parameters, InfinitiesStoreNothing) {
    host.setParameter(kSens, 0.3f);
    host.setParameter(kBuzz, 0.6f);
    host.setParameter(kSens, std::numeric_limits<float>::infinity());
    host.setParameter(kBuzz, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(host.getParameter(kSens), 0.3f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.6f);
}

TEST_F(Parameters, NotANumberStoresNothing) {
    host.setParameter(kSens, 0.3f);
    host.setParameter(kSens, std::numeric_limits<float>::quiet_NaN());
    host.setParameter(kBuzz, -std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(host.getParameter(kSens), 0.3f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.5f);
    EXPECT_EQ(host.getString(effGetParamDisplay, kSens), "0.300000");
}

TEST_F(Parameters, OtherIndexesStoreNothingAndReadZero) {
    for (Int32 index : {2, 3, 7, 100, -1}) {
        host.setParameter(index, 0.9f);
        EXPECT_EQ(host.getParameter(index), 0.0f) << index;
    }
    EXPECT_EQ(host.getParameter(kSens), 0.5f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.5f);
}

TEST_F(Parameters, HostWritesAreNotReportedBackAsAutomation) {
    host.setParameter(kSens, 0.2f);
    host.setParameter(kBuzz, 0.8f);
    EXPECT_EQ(host.countCalls(audioMasterAutomate), 0u);
}

TEST_F(Parameters, DisplayShowsTheCurrentValueWithSixDecimals) {
    host.setParameter(kSens, 0.25f);
    host.setParameter(kBuzz, 1.0f);
    EXPECT_EQ(host.getString(effGetParamDisplay, kSens), "0.250000");
    EXPECT_EQ(host.getString(effGetParamDisplay, kBuzz), "1.000000");
    host.setParameter(kBuzz, 0.123456789f);  // truncated, not rounded
    EXPECT_EQ(host.getString(effGetParamDisplay, kBuzz), "0.123456");
    host.setParameter(kBuzz, 0.0f);
    EXPECT_EQ(host.getString(effGetParamDisplay, kBuzz), "0.000000");
}

TEST_F(Parameters, EachProgramKeepsItsOwnValues) {
    host.dispatch(effSetProgram, 0, 3);
    ASSERT_EQ(host.dispatch(effGetProgram), 3);
    host.setParameter(kSens, 0.2f);
    host.setParameter(kBuzz, 0.9f);

    host.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(host.getParameter(kSens), 0.5f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.5f);
    host.setParameter(kSens, 0.7f);

    host.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(host.getParameter(kSens), 0.2f);
    EXPECT_EQ(host.getParameter(kBuzz), 0.9f);
    EXPECT_EQ(host.getString(effGetParamDisplay, kSens), "0.200000");

    host.dispatch(effSetProgram, 0, 5);
    EXPECT_EQ(host.getParameter(kSens), 0.7f);
    host.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(host.getParameter(kSens), 0.5f);
}

TEST_F(Parameters, ProgramChangeToAnInvalidNumberIsIgnored) {
    host.dispatch(effSetProgram, 0, 4);
    host.setParameter(kSens, 0.1f);
    for (IntPtr program : {IntPtr(9), IntPtr(-1), IntPtr(100), IntPtr(0x7fffffff)}) {
        EXPECT_EQ(host.dispatch(effSetProgram, 0, program), 0);
        EXPECT_EQ(host.dispatch(effGetProgram), 4) << program;
        EXPECT_EQ(host.getParameter(kSens), 0.1f);
    }
}

TEST_F(Parameters, ProgramNamesAreSetForTheCurrentProgramOnly) {
    host.dispatch(effSetProgram, 0, 2);
    std::string name = "Reedy";
    host.dispatch(effSetProgramName, 0, 0, name.data());
    EXPECT_EQ(host.getString(effGetProgramName), "Reedy");
    EXPECT_EQ(programName(2), "Reedy");
    EXPECT_EQ(programName(1), "Init");
    EXPECT_EQ(programName(3), "Init");
    host.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(host.getString(effGetProgramName), "Init");
}

TEST_F(Parameters, OverlongProgramNameKeepsItsFirst23Characters) {
    std::string name = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    host.dispatch(effSetProgramName, 0, 0, name.data());
    EXPECT_EQ(host.getString(effGetProgramName), name.substr(0, 23));
    EXPECT_EQ(programName(0), name.substr(0, 23));
    EXPECT_EQ(programName(1), "Init");  // the neighbour's name is not overrun
}

TEST_F(Parameters, IndexedNamesCoverExactlyTheNinePrograms) {
    char text[64] = "unchanged";
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 8, 0, text), 1);
    EXPECT_STREQ(text, "Init");
    std::strcpy(text, "unchanged");
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 9, 0, text), 0);
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, -1, 0, text), 0);
    // The category is ignored.
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 3, 17, text), 1);
    EXPECT_STREQ(text, "Init");
}

TEST_F(Parameters, CopyProgramCopiesNothing) {
    host.setParameter(kSens, 0.9f);
    EXPECT_EQ(host.dispatch(effCopyProgram, 1), 0);
    host.dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(host.getParameter(kSens), 0.5f);
}

TEST_F(Parameters, SecondThreadWritesWhileAudioRuns) {
    // A host's automation thread and its audio thread touch the values at once;
    // the values stay within the range and the last write wins.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; i < 20000; ++i) {
            host.setParameter(kSens, float(i % 100) / 99.0f);
        }
        host.setParameter(kSens, 0.25f);
        stop = true;
    });
    StereoBlock block(64, 0.3f);
    while (!stop) {
        host.processReplacing(block);
        float value = host.getParameter(kSens);
        ASSERT_GE(value, 0.0f);
        ASSERT_LE(value, 1.0f);
    }
    writer.join();
    EXPECT_EQ(host.getParameter(kSens), 0.25f);
    for (float sample : block.out[0]) {
        EXPECT_TRUE(std::isfinite(sample));
    }
}

}  // namespace
}  // namespace qp::test
