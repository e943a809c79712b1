// qphost's argument parsing: what each command accepts and what it refuses.
#include <gtest/gtest.h>

#include "tools/CommandLine.h"

namespace qp::test {

using namespace qp::tools;
namespace {

CommandLine parse(std::vector<std::string> arguments) { return parseCommandLine(arguments); }

TEST(CommandLine, NoArgumentsOrHelpAskForUsage) {
    EXPECT_EQ(parse({}).command, Command::Help);
    EXPECT_EQ(parse({"--help"}).command, Command::Help);
    EXPECT_TRUE(parse({"help"}).error.empty());
}

TEST(CommandLine, InfoTakesAnOptionalLibrary) {
    EXPECT_EQ(parse({"info"}).command, Command::Info);
    EXPECT_TRUE(parse({"info"}).library.empty());
    EXPECT_EQ(parse({"info", "x.dll"}).library, "x.dll");
    EXPECT_FALSE(parse({"info", "a.dll", "b.dll"}).error.empty());
}

TEST(CommandLine, RenderTakesEveryOption) {
    CommandLine line =
        parse({"render", "--dll", "p.dll", "--param", "sens=0.8", "--param", "1=0.25", "--program", "3",
               "--block", "64", "--accumulate", "--format", "pcm16", "in.wav", "out.wav"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.command, Command::Render);
    EXPECT_EQ(line.library, "p.dll");
    ASSERT_EQ(line.render.parameters.size(), 2u);
    EXPECT_EQ(line.render.parameters[0].key, "sens");
    EXPECT_EQ(line.render.parameters[0].value, 0.8f);
    EXPECT_EQ(line.render.parameters[1].key, "1");
    EXPECT_EQ(line.render.parameters[1].value, 0.25f);
    EXPECT_EQ(line.render.program, 3);
    EXPECT_EQ(line.render.blockSize, 64);
    EXPECT_TRUE(line.render.accumulate);
    EXPECT_EQ(line.format, SampleFormat::Pcm16);
    EXPECT_EQ(line.files, (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST(CommandLine, RenderDefaultsToReplacingFloatAndHostBlocks) {
    CommandLine line = parse({"render", "in.wav", "out.wav"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.render.blockSize, kDefaultBlockSize);
    EXPECT_EQ(line.render.program, -1);
    EXPECT_FALSE(line.render.accumulate);
    EXPECT_EQ(line.format, SampleFormat::Float32);
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> wrong = {
        {"frobnicate"},
        {"render", "in.wav"},
        {"render", "a.wav", "b.wav", "c.wav"},
        {"render", "--block", "0", "a.wav", "b.wav"},
        {"render", "--block", "70000", "a.wav", "b.wav"},
        {"render", "--block", "12x", "a.wav", "b.wav"},
        {"render", "--program", "-1", "a.wav", "b.wav"},
        {"render", "--param", "sens", "a.wav", "b.wav"},
        {"render", "--param", "=0.5", "a.wav", "b.wav"},
        {"render", "--param", "sens=loud", "a.wav", "b.wav"},
        {"render", "--param", "sens=nan", "a.wav", "b.wav"},
        {"render", "--format", "mp3", "a.wav", "b.wav"},
        {"render", "--seconds", "3", "a.wav", "b.wav"},
        {"render", "a.wav", "b.wav", "--dll"},
        {"synth"},
        {"synth", "--seconds", "0", "o.wav"},
        {"synth", "--pitch", "5", "o.wav"},
        {"synth", "--accumulate", "o.wav"},
        {"info", "--bogus"},
        {"render", "--preset", "a.fxp", "--preset", "b.fxp", "a.wav", "b.wav"},
        {"preset"},
        {"preset", "copy", "x.fxp"},
        {"preset", "save"},
        {"preset", "save", "out.wav"},
        {"preset", "save", "a.fxp", "b.fxp"},
        {"preset", "save", "--name", "a name longer than 23 chars", "o.fxp"},
        {"preset", "save", "--program", "x", "o.fxp"},
        {"preset", "save", "--accumulate", "o.fxp"},
        {"preset", "load"},
        {"preset", "load", "--param", "sens=1", "a.fxp"},
    };
    for (const auto& arguments : wrong) {
        std::string joined;
        for (const auto& a : arguments) {
            joined += a + ' ';
        }
        EXPECT_FALSE(parse(arguments).error.empty()) << joined;
    }
}

TEST(CommandLine, SynthTakesLengthPitchAndLayout) {
    CommandLine line = parse({"synth", "--seconds", "1.5", "--pitch", "200", "--mono", "v.wav"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.vowel.seconds, 1.5);
    EXPECT_EQ(line.vowel.pitch, 200.0);
    EXPECT_TRUE(line.mono);
    EXPECT_EQ(line.files, std::vector<std::string>{"v.wav"});
}

TEST(CommandLine, PresetSaveKeepsItsStepsInOrder) {
    CommandLine line = parse({"preset", "save", "--dll", "p.dll", "--bank", "in.fxb", "--program", "2",
                              "--name", "Comb", "--param", "buzz=1", "--preset", "x.fxp", "OUT.FXB"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.command, Command::PresetSave);
    EXPECT_EQ(line.library, "p.dll");
    using Kind = PresetStep::Kind;
    ASSERT_EQ(line.presetSteps.size(), 5u);
    EXPECT_EQ(line.presetSteps[0].kind, Kind::Bank);
    EXPECT_EQ(line.presetSteps[0].text, "in.fxb");
    EXPECT_EQ(line.presetSteps[1].kind, Kind::Program);
    EXPECT_EQ(line.presetSteps[1].program, 2);
    EXPECT_EQ(line.presetSteps[2].kind, Kind::Name);
    EXPECT_EQ(line.presetSteps[2].text, "Comb");
    EXPECT_EQ(line.presetSteps[3].kind, Kind::Parameter);
    EXPECT_EQ(line.presetSteps[3].parameter.value, 1.0f);
    EXPECT_EQ(line.presetSteps[4].kind, Kind::Preset);
    EXPECT_EQ(line.files, std::vector<std::string>{"OUT.FXB"});
}

TEST(CommandLine, PresetLoadAndRenderTakeFiles) {
    CommandLine load = parse({"preset", "load", "--dll", "p.dll", "a.fxb"});
    ASSERT_TRUE(load.error.empty()) << load.error;
    EXPECT_EQ(load.command, Command::PresetLoad);
    EXPECT_EQ(load.files, std::vector<std::string>{"a.fxb"});
    CommandLine render = parse({"render", "--bank", "b.fxb", "--preset", "p.fxp", "in.wav", "out.wav"});
    ASSERT_TRUE(render.error.empty()) << render.error;
    EXPECT_EQ(render.bankFile, "b.fxb");
    EXPECT_EQ(render.presetFile, "p.fxp");
    EXPECT_TRUE(hasExtension("A.FxP", ".fxp"));
    EXPECT_FALSE(hasExtension(".fxp", ".fxp"));
    EXPECT_FALSE(hasExtension("a.fxb", ".fxp"));
}

}  // namespace
}  // namespace qp::test
