// The committed factory presets: the bank and the nine presets parse, fit
// Quorrelphone, agree program by program, and are nine distinct programs.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "tools/PresetFile.h"

namespace qp::test {

using namespace qp::tools;
namespace {

constexpr std::size_t kParameterRecordBytes = 72;
constexpr std::size_t kProgramRecordBytes = 32;
constexpr std::size_t kNameBytes = 24;

PresetFile readFactoryFile(const std::string& name) {
    PresetParseResult parsed = readPresetFile(std::string(QP_SOURCE_DIR "/presets/") + name);
    EXPECT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(checkPresetFits(parsed.file, PluginShape{fourCharCode('1', '0', '2', '8'), 2, 9, 32, 360}), "");
    return parsed.file;
}

TEST(FactoryPresets, BankAndPresetsAgreeAndAreDistinct) {
    const PresetFile bank = readFactoryFile("Quorrelphone Factory.fxb");
    ASSERT_EQ(bank.kind, PresetKind::BankChunk);
    EXPECT_EQ(bank.formatVersion, 2);
    EXPECT_EQ(bank.currentProgram, 0);
    ASSERT_EQ(bank.chunk.size(), 360u);
    const char* files[] = {"01 Faint Reed.fxp", "02 Thin Reed.fxp",   "03 Soft Reed.fxp",
                           "04 Nasal Reed.fxp", "05 Bright Reed.fxp", "06 Comb Buzz.fxp",
                           "07 Kazoo.fxp",      "08 Full Kazoo.fxp",  "09 Spoken Buzz.fxp"};
    std::set<std::string> names;
    std::set<std::pair<float, float>> values;
    for (std::size_t p = 0; p < 9; ++p) {
        const PresetFile preset = readFactoryFile(files[p]);
        ASSERT_EQ(preset.kind, PresetKind::ProgramChunk) << files[p];
        const auto* record = bank.chunk.data() + kParameterRecordBytes + kProgramRecordBytes * p;
        EXPECT_EQ(preset.chunk, std::vector<std::uint8_t>(record, record + kProgramRecordBytes)) << files[p];
        // "01 Faint Reed.fxp" holds the program "Faint Reed".
        const std::string expected = std::string(files[p]).substr(3, std::strlen(files[p]) - 7);
        EXPECT_EQ(preset.name, expected);
        const char* name = reinterpret_cast<const char*>(record);
        names.insert(std::string(name, strnlen(name, kNameBytes)));
        float sens = 0.0f, buzz = 0.0f;
        std::memcpy(&sens, record + kNameBytes, sizeof sens);
        std::memcpy(&buzz, record + kNameBytes + sizeof sens, sizeof buzz);
        values.insert({sens, buzz});
    }
    EXPECT_EQ(names.size(), 9u);
    EXPECT_EQ(values.size(), 9u);
    // No learnt MIDI controller travels with the factory bank.
    for (std::size_t parameter = 0; parameter < 2; ++parameter) {
        std::int32_t controller = 0;
        std::memcpy(&controller, bank.chunk.data() + 36 * parameter + 8, sizeof controller);
        EXPECT_EQ(controller, 0);
    }
}

}  // namespace
}  // namespace qp::test
