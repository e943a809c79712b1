// The texts a host reads from the effect: identity, pins, capabilities, and the
// promise never to write past the size a host's buffer is allowed to have.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PluginHost.h"

namespace qp::test {
namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr std::size_t kGuardBytes = 64;

class Identity : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
    }

    PluginHost host;
};

TEST_F(Identity, NamesTheEffectProductAndVendor) {
    EXPECT_EQ(host.getString(effGetEffectName), "Quorrelphone");
    EXPECT_EQ(host.getString(effGetProductString), "Quorrelphone");
    EXPECT_EQ(host.getString(effGetVendorString), "Veltmarsk");
    EXPECT_EQ(host.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(host.getString(effGetErrorText), "");
}

TEST_F(Identity, DescribesBothOutputPinsAsActiveStereo) {
    for (Int32 pin = 0; pin < 2; ++pin) {
        VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        ASSERT_EQ(host.dispatch(effGetOutputProperties, pin, 0, &properties), 1);
        EXPECT_EQ(std::string(properties.label), std::string("Quorrelphone ") + char('1' + pin));
        EXPECT_EQ(properties.flags, kVstPinIsActive | kVstPinIsStereo);
        // The rest of the record is the host's and stays as it was.
        EXPECT_EQ(properties.arrangementType, 0x5A5A5A5A);
        for (char c : properties.shortLabel) {
            EXPECT_EQ(c, char(0x5A));
        }
        for (char c : properties.future) {
            EXPECT_EQ(c, char(0x5A));
        }
    }
}

TEST_F(Identity, OtherPinsAndAllInputPinsAreNotDescribed) {
    for (Int32 pin : {2, 3, -1, 1000}) {
        VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        VstPinProperties before = properties;
        EXPECT_EQ(host.dispatch(effGetOutputProperties, pin, 0, &properties), 0) << pin;
        EXPECT_EQ(std::memcmp(&properties, &before, sizeof properties), 0) << pin;
    }
    for (Int32 pin : {0, 1, 2}) {
        VstPinProperties properties;
        std::memset(&properties, 0x5A, sizeof properties);
        VstPinProperties before = properties;
        EXPECT_EQ(host.dispatch(effGetInputProperties, pin, 0, &properties), 0) << pin;
        EXPECT_EQ(std::memcmp(&properties, &before, sizeof properties), 0) << pin;
    }
}

TEST_F(Identity, CanDoOnlyTheTwoEventCapabilitiesExactlySpelt) {
    auto canDo = [&](const char* name) {
        std::string text(name);
        return host.dispatch(effCanDo, 0, 0, text.data());
    };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    for (const char* name : {"ReceiveVstEvents", "receiveVstEvents ", "receiveVstEvent", "",
                             "receiveVstTimeInfo", "sendVstEvents", "sendVstMidiEvent", "bypass",
                             "plugAsChannelInsert", "2in2out", "midiProgramNames", "offline"}) {
        EXPECT_EQ(canDo(name), -1) << '"' << name << '"';
    }
}

TEST_F(Identity, KeysAreNotRequired) { EXPECT_EQ(host.dispatch(effKeysRequired), 1); }

TEST_F(Identity, PlugCategoryIsUnknownForAnEffect) {
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategUnknown);
    EXPECT_EQ(host.effect()->flags & effFlagsIsSynth, 0);
}

// A text opcode handed a null buffer must neither crash nor claim success.
TEST_F(Identity, NullTextBuffersAreRefusedSafely) {
    for (Int32 opcode :
         {effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName, effGetEffectName,
          effGetVendorString, effGetProductString, effGetErrorText, effGetOutputProperties,
          effGetInputProperties, effSetProgramName, effString2Parameter}) {
        EXPECT_EQ(host.dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
    }
    EXPECT_EQ(host.dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 0);
    EXPECT_NE(host.dispatch(effCanDo, 0, 0, nullptr), 1);
    // The effect is still whole.
    EXPECT_EQ(host.getString(effGetProgramName), "Init");
    EXPECT_EQ(host.getString(effGetEffectName), "Quorrelphone");
}

// Writes a text opcode's answer into a buffer of `limit` bytes followed by guard
// bytes; returns how many guard bytes were overwritten.
std::size_t guardBytesHit(PluginHost& host, Int32 opcode, Int32 index, std::size_t limit,
                          std::string* text = nullptr) {
    std::vector<unsigned char> buffer(limit + kGuardBytes, kGuard);
    host.dispatch(opcode, index, 0, buffer.data());
    if (text) {
        const char* start = reinterpret_cast<const char*>(buffer.data());
        *text = std::string(start, strnlen(start, limit));
    }
    std::size_t hit = 0;
    for (std::size_t i = limit; i < buffer.size(); ++i) {
        hit += buffer[i] != kGuard;
    }
    return hit;
}

TEST_F(Identity, TextsStayWithinTheHostBufferLimits) {
    struct Case {
        Int32 opcode;
        Int32 index;
        std::size_t limit;
    };
    const Case cases[] = {
        {effGetParamName, 0, kMaxParamTextLen},      {effGetParamName, 1, kMaxParamTextLen},
        {effGetParamLabel, 0, kMaxParamTextLen},     {effGetParamDisplay, 0, kMaxParamTextLen},
        {effGetParamDisplay, 1, kMaxParamTextLen},   {effGetProgramName, 0, kMaxProgramNameLen},
        {effGetEffectName, 0, kMaxEffectNameLen},    {effGetVendorString, 0, kMaxVendorTextLen},
        {effGetProductString, 0, kMaxVendorTextLen}, {effGetProgramNameIndexed, 8, kMaxProgramNameLen},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(guardBytesHit(host, c.opcode, c.index, c.limit, &text), 0u)
            << "opcode " << c.opcode << " index " << c.index;
        EXPECT_LT(text.size(), c.limit) << "opcode " << c.opcode << " is not terminated in time";
    }
}

TEST_F(Identity, LongestValuesAndNamesStillFit) {
    // Displays of the extreme values, and the longest program name a host can set.
    host.setParameter(0, 1.0f);
    host.setParameter(1, 0.0f);
    std::string display;
    EXPECT_EQ(guardBytesHit(host, effGetParamDisplay, 0, kMaxParamTextLen, &display), 0u);
    EXPECT_EQ(display, "1.000000");
    EXPECT_EQ(guardBytesHit(host, effGetParamDisplay, 1, kMaxParamTextLen, &display), 0u);
    EXPECT_EQ(display, "0.000000");

    std::string longName(200, 'N');
    host.dispatch(effSetProgramName, 0, 0, longName.data());
    std::string name;
    EXPECT_EQ(guardBytesHit(host, effGetProgramName, 0, kMaxProgramNameLen, &name), 0u);
    EXPECT_EQ(name, std::string(kMaxProgramNameLen - 1, 'N'));
    EXPECT_EQ(guardBytesHit(host, effGetProgramNameIndexed, 0, kMaxProgramNameLen, &name), 0u);
    EXPECT_EQ(name, std::string(kMaxProgramNameLen - 1, 'N'));
}

}  // namespace
}  // namespace qp::test
