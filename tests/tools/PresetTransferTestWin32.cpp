// Preset and bank files through the built plug-in's record: what qphost saves
// loads back byte for byte, the value forms set names and parameters, a file
// that does not fit leaves the plug-in untouched, and a bank steers a render.
#include <gtest/gtest.h>

#include "tools/OfflineRenderer.h"
#include "tools/PluginLibrary.h"
#include "tools/PresetTransfer.h"
#include "tools/VowelSynth.h"

namespace qp::test {

using namespace qp::tools;
namespace {

struct LoadedPlugin {
    PluginLibrary library;
    AEffect* effect = nullptr;
    LoadedPlugin() {
        std::string error;
        EXPECT_TRUE(library.load(PluginLibrary::defaultPath(), &error)) << error;
        effect = library.effect();
        if (effect) {
            effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
        }
    }
    void select(Int32 program) { effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.0f); }
    void setName(const char* name) {
        char text[kMaxProgramNameLen] = {};
        std::snprintf(text, sizeof text, "%s", name);
        effect->dispatcher(effect, effSetProgramName, 0, 0, text, 0.0f);
    }
    std::vector<std::uint8_t> bankBytes() { return serializePresetFile(captureBank(effect)); }
};

TEST(PresetTransfer, TheChunkFormsRoundTripBetweenTwoInstances) {
    LoadedPlugin first, second;
    ASSERT_NE(first.effect, nullptr);
    EXPECT_EQ(pluginShape(first.effect).bankChunkSize, 360);
    EXPECT_EQ(pluginShape(first.effect).programChunkSize, 32);
    first.select(6);
    first.setName("Comb Buzz");
    first.effect->setParameter(first.effect, 0, 0.875f);
    first.effect->setParameter(first.effect, 1, 0.125f);
    const std::vector<std::uint8_t> bank = first.bankBytes();

    PresetParseResult parsed = parsePresetFile(bank);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.file.kind, PresetKind::BankChunk);
    EXPECT_EQ(parsed.file.currentProgram, 6);
    std::string error;
    ASSERT_TRUE(applyPresetFile(second.effect, parsed.file, false, &error)) << error;
    EXPECT_EQ(second.effect->dispatcher(second.effect, effGetProgram, 0, 0, nullptr, 0.0f), 6);
    EXPECT_EQ(currentProgramName(second.effect), "Comb Buzz");
    EXPECT_EQ(second.effect->getParameter(second.effect, 0), 0.875f);
    EXPECT_EQ(second.bankBytes(), bank);

    // A preset goes into whichever program is current in the receiver.
    const std::vector<std::uint8_t> preset = serializePresetFile(capturePreset(first.effect));
    second.select(2);
    PresetParseResult program = parsePresetFile(preset);
    ASSERT_TRUE(program.ok) << program.error;
    ASSERT_TRUE(applyPresetFile(second.effect, program.file, true, &error)) << error;
    EXPECT_EQ(currentProgramName(second.effect), "Comb Buzz");
    EXPECT_EQ(second.effect->getParameter(second.effect, 1), 0.125f);
    EXPECT_EQ(serializePresetFile(capturePreset(second.effect)), preset);
}

TEST(PresetTransfer, TheValueFormsSetNamesAndParameters) {
    LoadedPlugin plugin;
    PresetFile list;
    list.kind = PresetKind::BankPrograms;
    list.formatVersion = 2;
    list.uniqueId = plugin.effect->uniqueID;
    list.currentProgram = 3;
    for (int p = 0; p < 9; ++p) {
        PresetFile program;
        program.kind = PresetKind::ProgramValues;
        program.uniqueId = list.uniqueId;
        program.name = "List " + std::to_string(p);
        program.values = {0.1f * float(p), 1.0f - 0.1f * float(p)};
        list.programs.push_back(program);
    }
    std::string error;
    ASSERT_TRUE(applyPresetFile(plugin.effect, list, false, &error)) << error;
    EXPECT_EQ(plugin.effect->dispatcher(plugin.effect, effGetProgram, 0, 0, nullptr, 0.0f), 3);
    EXPECT_EQ(currentProgramName(plugin.effect), "List 3");
    EXPECT_FLOAT_EQ(plugin.effect->getParameter(plugin.effect, 0), 0.3f);
    plugin.select(8);
    EXPECT_EQ(currentProgramName(plugin.effect), "List 8");
    EXPECT_FLOAT_EQ(plugin.effect->getParameter(plugin.effect, 1), 0.2f);

    PresetFile single = list.programs[5];
    single.name = "Single";
    ASSERT_TRUE(applyPresetFile(plugin.effect, single, true, &error)) << error;
    EXPECT_EQ(currentProgramName(plugin.effect), "Single");
    EXPECT_FLOAT_EQ(plugin.effect->getParameter(plugin.effect, 0), 0.5f);
}

TEST(PresetTransfer, AFileThatDoesNotFitChangesNothing) {
    LoadedPlugin plugin;
    plugin.select(1);
    const std::vector<std::uint8_t> before = plugin.bankBytes();
    PresetFile bank = parsePresetFile(before).file;
    std::vector<PresetFile> misfits;
    PresetFile foreign = bank;
    foreign.uniqueId = fourCharCode('O', 't', 'h', 'r');
    misfits.push_back(foreign);
    PresetFile shortChunk = bank;
    shortChunk.chunk.resize(359);
    misfits.push_back(shortChunk);
    PresetFile current = bank;
    current.currentProgram = 42;
    misfits.push_back(current);
    PresetFile program = capturePreset(plugin.effect);
    program.chunk.push_back(0);
    misfits.push_back(program);
    for (const PresetFile& misfit : misfits) {
        std::string error;
        EXPECT_FALSE(applyPresetFile(plugin.effect, misfit, false, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(plugin.bankBytes(), before) << error;
    }
}

TEST(PresetTransfer, ABankChosenBeforeRenderingSoundsLikeItsSettings) {
    VowelSettings vowel;
    vowel.seconds = 0.5;
    Audio input;
    input.sampleRate = vowel.sampleRate;
    input.channels.assign(1, synthesizeVowel(vowel));

    LoadedPlugin source;
    source.select(4);
    source.effect->setParameter(source.effect, 0, 0.9f);
    source.effect->setParameter(source.effect, 1, 0.8f);
    const PresetFile bank = captureBank(source.effect);

    LoadedPlugin viaBank, viaParams;
    RenderOptions withBank;
    withBank.restore = [&bank](AEffect* effect, std::string* error) {
        return applyPresetFile(effect, bank, false, error);
    };
    RenderResult fromBank = renderThroughEffect(viaBank.effect, input, withBank);
    RenderOptions withParams;
    withParams.parameters = {{"sens", 0.9f}, {"buzz", 0.8f}};
    RenderResult fromParams = renderThroughEffect(viaParams.effect, input, withParams);
    ASSERT_TRUE(fromBank.ok) << fromBank.error;
    ASSERT_TRUE(fromParams.ok) << fromParams.error;
    EXPECT_EQ(fromBank.sens, 0.9f);
    EXPECT_EQ(fromBank.output.channels, fromParams.output.channels);
    RenderResult plain = renderThroughEffect(LoadedPlugin().effect, input, RenderOptions{});
    EXPECT_NE(plain.output.channels, fromBank.output.channels);
}

}  // namespace
}  // namespace qp::test
