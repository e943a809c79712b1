// The renderer drives a plug-in through its record only; here the record is a
// stand-in whose dispatcher and process entries log what a host sent them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tools/EffectInfo.h"
#include "tools/OfflineRenderer.h"

namespace qp::test {

using namespace qp::tools;
namespace {

// A two-parameter plug-in: out0 = gain * in0 + offset, out1 = gain * in1 + offset,
// with gain = parameter 0 and offset = parameter 1 (0 unless set).
struct StandIn {
    AEffect record{};
    float parameters[2] = {1.0f, 0.0f};
    int program = 0;
    std::vector<std::string> log;
    std::vector<int> blockSizes;
    float sampleRate = 0.0f;

    StandIn() {
        record.magic = kEffectMagic;
        record.dispatcher = &dispatch;
        record.process = &process;
        record.processReplacing = &processReplacing;
        record.setParameter = &setParameter;
        record.getParameter = &getParameter;
        record.numPrograms = 4;
        record.numParams = 2;
        record.numInputs = 2;
        record.numOutputs = 2;
        record.flags = effFlagsCanReplacing | effFlagsHasEditor;
        record.uniqueID = fourCharCode('T', 'e', 's', 't');
        record.version = 7;
        record.object = this;
    }

    static StandIn& of(AEffect* effect) { return *static_cast<StandIn*>(effect->object); }

    static IntPtr QP_CDECL dispatch(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                    float opt) {
        StandIn& self = of(effect);
        self.log.push_back("op" + std::to_string(opcode) + ":" + std::to_string(value));
        switch (opcode) {
            case effSetSampleRate:
                self.sampleRate = opt;
                return 0;
            case effSetProgram:
                self.program = int(value);
                return 0;
            case effGetProgram:
                return self.program;
            case effGetParamName:
                std::strcpy(static_cast<char*>(ptr), index == 0 ? "Gain" : "offset");
                return 0;
            case effGetProgramNameIndexed:
                std::strcpy(static_cast<char*>(ptr), "Prog");
                return 1;
            case effGetEffectName:
                std::strcpy(static_cast<char*>(ptr), "StandIn");
                return 1;
            case effCanDo:
                return std::strcmp(static_cast<char*>(ptr), "bypass") == 0 ? 1 : 0;
            case effEditGetRect: {
                static ERect rect{0, 0, 100, 200};
                *static_cast<ERect**>(ptr) = &rect;
                return 1;
            }
            default:
                return 0;
        }
    }

    static void run(AEffect* effect, float** in, float** out, Int32 frames, bool add) {
        StandIn& self = of(effect);
        self.blockSizes.push_back(frames);
        for (int c = 0; c < 2; ++c) {
            for (Int32 n = 0; n < frames; ++n) {
                const float y = self.parameters[0] * in[c][n] + self.parameters[1];
                out[c][n] = add ? out[c][n] + y : y;
            }
        }
    }
    static void QP_CDECL process(AEffect* e, float** in, float** out, Int32 frames) {
        of(e).log.push_back("process");
        run(e, in, out, frames, true);
    }
    static void QP_CDECL processReplacing(AEffect* e, float** in, float** out, Int32 frames) {
        of(e).log.push_back("replacing");
        run(e, in, out, frames, false);
    }
    static void QP_CDECL setParameter(AEffect* e, Int32 index, float value) {
        of(e).log.push_back("set" + std::to_string(index));
        if (index >= 0 && index < 2) {
            of(e).parameters[index] = value;
        }
    }
    static float QP_CDECL getParameter(AEffect* e, Int32 index) {
        return index >= 0 && index < 2 ? of(e).parameters[index] : 0.0f;
    }
};

Audio input(std::size_t channels, std::size_t frames) {
    Audio audio;
    audio.sampleRate = 22050;
    audio.channels.assign(channels, std::vector<float>(frames));
    for (std::size_t c = 0; c < channels; ++c) {
        for (std::size_t n = 0; n < frames; ++n) {
            audio.channels[c][n] = float(n) * 0.001f + float(c);
        }
    }
    return audio;
}

TEST(OfflineRenderer, ConfiguresLikeAHostThenProcessesInHostBlocks) {
    StandIn plugin;
    RenderOptions options;
    options.blockSize = 100;
    options.program = 2;
    options.parameters = {{"gain", 0.5f}, {"1", 0.25f}};
    RenderResult result = renderThroughEffect(&plugin.record, input(2, 250), options);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(plugin.sampleRate, 22050.0f);
    EXPECT_EQ(plugin.program, 2);
    EXPECT_EQ(plugin.blockSizes, (std::vector<int>{100, 100, 50}));
    EXPECT_EQ(result.sens, 0.5f);

    // Order: open, rate, block size, program, parameters, on, audio, off.
    const std::vector<std::string> expected = {"op0:0",     "op10:0",    "op11:100", "op2:2",
                                               "set0",      "set1",      "op12:1",   "replacing",
                                               "replacing", "replacing", "op12:0"};
    std::vector<std::string> log = plugin.log;
    // Name lookups may happen any number of times; compare the rest.
    std::erase_if(log, [](const std::string& s) { return s == "op8:0"; });
    EXPECT_EQ(log, expected);

    ASSERT_EQ(result.output.channels.size(), 2u);
    ASSERT_EQ(result.output.frames(), 250u);
    EXPECT_FLOAT_EQ(result.output.channels[0][249], 0.5f * 0.249f + 0.25f);
    EXPECT_FLOAT_EQ(result.output.channels[1][0], 0.5f * 1.0f + 0.25f);
}

TEST(OfflineRenderer, MonoInputFeedsBothInputs) {
    StandIn plugin;
    RenderResult result = renderThroughEffect(&plugin.record, input(1, 10), RenderOptions{});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.output.channels[0], result.output.channels[1]);
    EXPECT_FLOAT_EQ(result.output.channels[1][9], 0.009f);
    EXPECT_EQ(result.output.sampleRate, 22050u);
}

TEST(OfflineRenderer, AccumulatingIntoZeroedOutputsGivesTheSameResult) {
    StandIn replacing, accumulating;
    RenderOptions options;
    options.blockSize = 7;
    options.parameters = {{"offset", 0.125f}};
    RenderResult a = renderThroughEffect(&replacing.record, input(2, 50), options);
    options.accumulate = true;
    RenderResult b = renderThroughEffect(&accumulating.record, input(2, 50), options);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_EQ(a.output.channels, b.output.channels);
    EXPECT_EQ(std::count(accumulating.log.begin(), accumulating.log.end(), "process"), 8);
    EXPECT_EQ(std::count(accumulating.log.begin(), accumulating.log.end(), "replacing"), 0);
}

TEST(OfflineRenderer, PluginWithoutReplacingIsProcessedAccumulating) {
    StandIn plugin;
    plugin.record.flags = 0;
    RenderResult result = renderThroughEffect(&plugin.record, input(2, 20), RenderOptions{});
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(std::count(plugin.log.begin(), plugin.log.end(), "replacing"), 0);
    EXPECT_FLOAT_EQ(result.output.channels[0][19], 0.019f);
}

TEST(OfflineRenderer, ParametersResolveByExactNameThenCaseThenIndex) {
    StandIn plugin;
    std::string error;
    EXPECT_EQ(resolveParameter(&plugin.record, "Gain", &error), 0);
    EXPECT_EQ(resolveParameter(&plugin.record, "GAIN", &error), 0);
    EXPECT_EQ(resolveParameter(&plugin.record, "1", &error), 1);
    EXPECT_EQ(resolveParameter(&plugin.record, "2", &error), -1);
    EXPECT_NE(error.find("out of range"), std::string::npos);
    EXPECT_EQ(resolveParameter(&plugin.record, "-1", &error), -1);
    EXPECT_EQ(resolveParameter(&plugin.record, "volume", &error), -1);
    EXPECT_NE(error.find("Gain, offset"), std::string::npos) << error;
}

TEST(OfflineRenderer, RefusesImpossibleRequestsBeforeTouchingTheEffect) {
    StandIn plugin;
    RenderOptions badProgram;
    badProgram.program = 4;
    EXPECT_FALSE(renderThroughEffect(&plugin.record, input(2, 10), badProgram).ok);
    RenderOptions badBlock;
    badBlock.blockSize = 0;
    EXPECT_FALSE(renderThroughEffect(&plugin.record, input(2, 10), badBlock).ok);
    RenderOptions badParameter;
    badParameter.parameters = {{"volume", 1.0f}};
    EXPECT_FALSE(renderThroughEffect(&plugin.record, input(2, 10), badParameter).ok);
    EXPECT_FALSE(renderThroughEffect(&plugin.record, Audio{}, RenderOptions{}).ok);
    std::erase_if(plugin.log, [](const std::string& s) { return s == "op8:0"; });
    EXPECT_TRUE(plugin.log.empty());
}

TEST(OfflineRenderer, FiguresLineReportsLevelsAndGate) {
    Audio in;
    in.channels = {{0.5f, 0.0f, 0.3f, 0.0f}, {0.5f, 0.0f, 0.3f, 0.0f}};
    Audio out;
    out.channels = {{1.0f, -1.0f, 1.0f, -1.0f}, {1.0f, -1.0f, 1.0f, -1.0f}};
    const std::string line = figuresLine(in, out, 0.5f);
    EXPECT_NE(line.find("in: rms -10.7 dBFS, peak -6.0 dBFS"), std::string::npos) << line;
    EXPECT_NE(line.find("out: rms 0.0 dBFS, peak 0.0 dBFS"), std::string::npos) << line;
    EXPECT_NE(line.find("gate open 50.0%"), std::string::npos) << line;
}

TEST(EffectInfo, ReportsWhatTheRecordAndDispatcherSay) {
    StandIn plugin;
    std::ostringstream out;
    printEffectInfo(&plugin.record, "standin.dll", out);
    const std::string text = out.str();
    for (const char* expected : {"effect name    StandIn", "unique id      'Test' (0x54657374)",
                                 "record version 7", "flags          17 = HasEditor | CanReplacing",
                                 "channels       2 in, 2 out", "programs       4 (current 0)", "0 * \"Prog\"",
                                 "0 \"Gain\" = 1", "can do         bypass", "editor         200 x 100"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // Looking changes nothing.
    EXPECT_EQ(plugin.program, 0);
    EXPECT_EQ(plugin.parameters[0], 1.0f);
}

TEST(EffectInfo, DescribesUnknownFlagBitsAndOddCodes) {
    EXPECT_EQ(describeFlags(0), "none");
    EXPECT_EQ(describeFlags(61), "HasEditor | HasVu | CanMono | CanReplacing | ProgramChunks");
    EXPECT_EQ(describeFlags(1 | 64), "HasEditor | 0x40");
    EXPECT_EQ(describeFourCharCode(fourCharCode('1', '0', '2', '8')), "'1028' (0x31303238)");
    EXPECT_EQ(describeFourCharCode(0x00414243), "'?ABC' (0x00414243)");
}

}  // namespace
}  // namespace qp::test
