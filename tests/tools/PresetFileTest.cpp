// Preset and bank files as bytes: the big-endian layout hosts exchange, exact
// round trips of all four kinds, the refusal of damaged or foreign files, and
// writes that either replace a file whole or leave it as it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "tools/EditorSnapshotImage.h"
#include "tools/PresetFile.h"
#include "tools/WavFile.h"

namespace qp::test {

using namespace qp::tools;
namespace {

constexpr Int32 kId = fourCharCode('1', '0', '2', '8');

std::vector<std::uint8_t> counting(std::size_t size, std::uint8_t first) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = std::uint8_t(first + i);
    }
    return bytes;
}

// A file of this kind with the plug-in's id and version 1 in its header.
PresetFile headed(PresetKind kind, Int32 formatVersion = 1) {
    PresetFile file;
    file.kind = kind;
    file.formatVersion = formatVersion;
    file.uniqueId = kId;
    file.pluginVersion = 1;
    return file;
}

PresetFile programChunk() {
    PresetFile file = headed(PresetKind::ProgramChunk);
    file.count = 2;
    file.name = "Reed Edge";
    file.chunk = counting(32, 1);
    return file;
}

PresetFile programValues(const std::string& name, float a, float b) {
    PresetFile file = headed(PresetKind::ProgramValues);
    file.name = name;
    file.values = {a, b};
    return file;
}

PresetFile bankChunk() {
    PresetFile file = headed(PresetKind::BankChunk, 2);
    file.count = 9;
    file.currentProgram = 4;
    file.chunk = counting(360, 7);
    return file;
}

PresetFile bankPrograms() {
    PresetFile file = headed(PresetKind::BankPrograms, 1);
    for (char p = 0; p < 3; ++p) {
        file.programs.push_back(programValues({'P', char('0' + p)}, 0.25f * p, 1.0f));
    }
    return file;
}

Int32 int32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return Int32((std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
                 (std::uint32_t(bytes[at + 2]) << 8) | std::uint32_t(bytes[at + 3]));
}

void setInt32At(std::vector<std::uint8_t>& bytes, std::size_t at, Int32 value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + std::size_t(i)] = std::uint8_t(std::uint32_t(value) >> (24 - 8 * i));
    }
}

std::string refusal(const std::vector<std::uint8_t>& bytes) {
    PresetParseResult result = parsePresetFile(bytes);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    return result.error;
}

bool mentions(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(PresetFileLayout, ProgramChunkFieldsAreBigEndianAtTheirOffsets) {
    const std::vector<std::uint8_t> bytes = serializePresetFile(programChunk());
    ASSERT_EQ(bytes.size(), 60u + 32u);
    EXPECT_EQ(std::memcmp(bytes.data(), "CcnK", 4), 0);
    EXPECT_EQ(int32At(bytes, 4), Int32(bytes.size() - 8));
    EXPECT_EQ(std::memcmp(bytes.data() + 8, "FPCh", 4), 0);
    EXPECT_EQ(int32At(bytes, 12), 1);
    EXPECT_EQ(std::memcmp(bytes.data() + 16, "1028", 4), 0);
    EXPECT_EQ(int32At(bytes, 20), 1);
    EXPECT_EQ(int32At(bytes, 24), 2);
    EXPECT_EQ(std::memcmp(bytes.data() + 28, "Reed Edge\0\0", 11), 0);
    EXPECT_EQ(int32At(bytes, 56), 32);
    EXPECT_EQ(bytes[60], 1);
    EXPECT_EQ(bytes[91], 32);
}

TEST(PresetFileLayout, ValuesAreBigEndianFloatsAndBankHeaderHoldsTheCurrentProgram) {
    const std::vector<std::uint8_t> preset = serializePresetFile(programValues("x", 0.5f, 1.0f));
    ASSERT_EQ(preset.size(), 56u + 8u);
    EXPECT_EQ(std::memcmp(preset.data() + 8, "FxCk", 4), 0);
    EXPECT_EQ(int32At(preset, 56), 0x3f000000);  // 0.5f
    EXPECT_EQ(int32At(preset, 60), 0x3f800000);  // 1.0f

    const std::vector<std::uint8_t> bank = serializePresetFile(bankChunk());
    ASSERT_EQ(bank.size(), 156u + 4u + 360u);
    EXPECT_EQ(std::memcmp(bank.data() + 8, "FBCh", 4), 0);
    EXPECT_EQ(int32At(bank, 12), 2);
    EXPECT_EQ(int32At(bank, 24), 9);
    EXPECT_EQ(int32At(bank, 28), 4);  // current program, first reserved word
    for (std::size_t i = 32; i < 156; ++i) {
        ASSERT_EQ(bank[i], 0) << i;
    }
    EXPECT_EQ(int32At(bank, 156), 360);

    const std::vector<std::uint8_t> list = serializePresetFile(bankPrograms());
    ASSERT_EQ(list.size(), 156u + 3u * 64u);
    EXPECT_EQ(int32At(list, 24), 3);
    EXPECT_EQ(std::memcmp(list.data() + 156, "CcnK", 4), 0);
    EXPECT_EQ(int32At(list, 160), 56);  // each program's own size field
}

TEST(PresetFileLayout, LongNamesKeepTheirTerminator) {
    const std::vector<std::uint8_t> bytes = serializePresetFile(programValues(std::string(40, 'n'), 0, 0));
    EXPECT_EQ(bytes[28 + 26], 'n');
    EXPECT_EQ(bytes[28 + 27], 0);
    EXPECT_EQ(parsePresetFile(bytes).file.name, std::string(27, 'n'));
}

TEST(PresetFileRoundTrip, EveryKindComesBackByteForByte) {
    PresetFile withJunkReserved = bankChunk();
    withJunkReserved.formatVersion = 1;
    withJunkReserved.reserved[100] = 0xee;  // kept, not cleaned: the file stays as the host wrote it
    for (const PresetFile& original : {programChunk(), programValues("Comb", 0.0f, 0.75f), bankChunk(),
                                       bankPrograms(), withJunkReserved}) {
        const std::vector<std::uint8_t> bytes = serializePresetFile(original);
        PresetParseResult parsed = parsePresetFile(bytes);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_EQ(parsed.file.kind, original.kind);
        EXPECT_EQ(parsed.file.name, original.name);
        EXPECT_EQ(parsed.file.chunk, original.chunk);
        EXPECT_EQ(parsed.file.values, original.values);
        EXPECT_EQ(parsed.file.programs.size(), original.programs.size());
        EXPECT_EQ(serializePresetFile(parsed.file), bytes) << presetKindCode(original.kind);
    }
    PresetParseResult bank = parsePresetFile(serializePresetFile(bankChunk()));
    EXPECT_EQ(bank.file.currentProgram, 4);
    PresetParseResult list = parsePresetFile(serializePresetFile(bankPrograms()));
    ASSERT_EQ(list.file.programs.size(), 3u);
    EXPECT_EQ(list.file.programs[2].name, "P2");
    EXPECT_EQ(list.file.programs[2].values, (std::vector<float>{0.5f, 1.0f}));
}

TEST(PresetFileRefusal, ForeignMagicKindOrVersion) {
    std::vector<std::uint8_t> bytes = serializePresetFile(programChunk());
    std::vector<std::uint8_t> riff = bytes;
    std::memcpy(riff.data(), "RIFF", 4);
    EXPECT_TRUE(mentions(refusal(riff), "'RIFF'"));
    std::vector<std::uint8_t> kind = bytes;
    std::memcpy(kind.data() + 8, "FxQq", 4);
    EXPECT_TRUE(mentions(refusal(kind), "'FxQq'"));
    std::vector<std::uint8_t> version = bytes;
    setInt32At(version, 12, 3);
    EXPECT_TRUE(mentions(refusal(version), "version 3"));
    std::vector<std::uint8_t> bank = serializePresetFile(bankChunk());
    setInt32At(bank, 12, 0);
    EXPECT_TRUE(mentions(refusal(bank), "version 0"));
    EXPECT_TRUE(mentions(refusal({}), "too short"));
    EXPECT_TRUE(mentions(refusal({'C', 'c'}), "too short"));
}

TEST(PresetFileRefusal, SizeFieldThatDisagreesWithTheFile) {
    std::vector<std::uint8_t> bytes = serializePresetFile(bankChunk());
    std::vector<std::uint8_t> trailing = bytes;
    trailing.push_back(0);
    EXPECT_TRUE(mentions(refusal(trailing), "wrong size"));
    std::vector<std::uint8_t> negative = bytes;
    setInt32At(negative, 4, -8);
    EXPECT_TRUE(mentions(refusal(negative), "wrong size"));
    std::vector<std::uint8_t> huge = bytes;
    setInt32At(huge, 4, std::numeric_limits<Int32>::max());
    EXPECT_TRUE(mentions(refusal(huge), "truncated"));
    // The size agrees with the file, but the chunk inside announces more or less.
    std::vector<std::uint8_t> longChunk = bytes;
    setInt32At(longChunk, 156, 361);
    EXPECT_TRUE(mentions(refusal(longChunk), "361"));
    std::vector<std::uint8_t> shortChunk = bytes;
    setInt32At(shortChunk, 156, 359);
    EXPECT_TRUE(mentions(refusal(shortChunk), "wrong size"));
    std::vector<std::uint8_t> negativeChunk = bytes;
    setInt32At(negativeChunk, 156, -1);
    EXPECT_TRUE(mentions(refusal(negativeChunk), "-1"));
}

TEST(PresetFileRefusal, CountsBeyondTheBytesPresentAllocateNothing) {
    for (Int32 count : {std::numeric_limits<Int32>::max(), 3, -1}) {
        std::vector<std::uint8_t> values = serializePresetFile(programValues("v", 0, 0));
        setInt32At(values, 24, count);
        EXPECT_FALSE(parsePresetFile(values).ok) << count;
        std::vector<std::uint8_t> programs = serializePresetFile(bankPrograms());
        setInt32At(programs, 24, count == 3 ? 4 : count);
        EXPECT_FALSE(parsePresetFile(programs).ok) << count;
    }
    std::vector<std::uint8_t> fewer = serializePresetFile(bankPrograms());
    setInt32At(fewer, 24, 2);  // the third program is left over
    EXPECT_TRUE(mentions(refusal(fewer), "follow the last program"));
}

TEST(PresetFileRefusal, DamagedProgramsInsideABank) {
    const std::vector<std::uint8_t> bytes = serializePresetFile(bankPrograms());
    std::vector<std::uint8_t> nestedBank = bytes;
    std::memcpy(nestedBank.data() + 156 + 8, "FxBk", 4);
    EXPECT_TRUE(mentions(refusal(nestedBank), "not 'FxCk'"));
    std::vector<std::uint8_t> oversized = bytes;
    setInt32At(oversized, 156 + 4, 1 << 30);
    EXPECT_TRUE(mentions(refusal(oversized), "remain in the bank"));
    std::vector<std::uint8_t> magic = bytes;
    magic[156] = 'X';
    EXPECT_TRUE(mentions(refusal(magic), "instead of 'CcnK'"));
}

TEST(PresetFileRefusal, EveryTruncationOfEveryKind) {
    for (const PresetFile& file : {programChunk(), programValues("t", 0, 1), bankChunk(), bankPrograms()}) {
        const std::vector<std::uint8_t> bytes = serializePresetFile(file);
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + std::ptrdiff_t(length));
            ASSERT_FALSE(parsePresetFile(cut).ok) << presetKindCode(file.kind) << " cut to " << length;
            // Even with the size field corrected, the body is still short.
            if (length >= 8) {
                setInt32At(cut, 4, Int32(length - 8));
                ASSERT_FALSE(parsePresetFile(cut).ok)
                    << presetKindCode(file.kind) << " body cut to " << length;
            }
        }
    }
}

PluginShape quorrelphone() { return PluginShape{kId, 2, 9, 32, 360}; }

TEST(PresetFileFit, AcceptsFilesMadeForThePlugin) {
    EXPECT_EQ(checkPresetFits(programChunk(), quorrelphone()), "");
    EXPECT_EQ(checkPresetFits(bankChunk(), quorrelphone()), "");
    EXPECT_EQ(checkPresetFits(programValues("v", 0.0f, 1.0f), quorrelphone()), "");
    PresetFile nine = bankPrograms();
    nine.programs.resize(9, programValues("n", 0.1f, 0.2f));
    EXPECT_EQ(checkPresetFits(nine, quorrelphone()), "");
}

TEST(PresetFileFit, RefusesAnotherPluginsOrWronglySizedFiles) {
    PresetFile other = programChunk();
    other.uniqueId = fourCharCode('A', 'b', 'c', 'd');
    EXPECT_TRUE(mentions(checkPresetFits(other, quorrelphone()), "'Abcd'"));
    PresetFile shortChunk = programChunk();
    shortChunk.chunk.resize(31);
    EXPECT_TRUE(mentions(checkPresetFits(shortChunk, quorrelphone()), "31 bytes"));
    PresetFile bank = bankChunk();
    bank.chunk.resize(288);
    EXPECT_TRUE(mentions(checkPresetFits(bank, quorrelphone()), "288 bytes"));
    PresetFile current = bankChunk();
    current.currentProgram = 9;
    EXPECT_TRUE(mentions(checkPresetFits(current, quorrelphone()), "current program 9"));
    EXPECT_TRUE(mentions(checkPresetFits(bankPrograms(), quorrelphone()), "3 programs"));
    PresetFile three = programValues("v", 0, 0);
    three.values.push_back(0.5f);
    EXPECT_TRUE(mentions(checkPresetFits(three, quorrelphone()), "3 parameters"));
    EXPECT_TRUE(mentions(checkPresetFits(programChunk(), PluginShape{kId, 2, 9, 0, 0}), "no program chunks"));
}

TEST(PresetFileFit, RefusesValuesThatAreNoParameterValues) {
    for (float bad : {std::nanf(""), -0.5f, 1.5f, std::numeric_limits<float>::infinity()}) {
        EXPECT_NE(checkPresetFits(programValues("v", 0.5f, bad), quorrelphone()), "") << bad;
        PresetFile nine = bankPrograms();
        nine.programs.resize(9, programValues("n", 0.1f, 0.2f));
        nine.programs[7].values[0] = bad;
        EXPECT_TRUE(mentions(checkPresetFits(nine, quorrelphone()), "program 7")) << bad;
    }
    PresetFile foreignProgram = bankPrograms();
    foreignProgram.programs.resize(9, programValues("n", 0.1f, 0.2f));
    foreignProgram.programs[5].uniqueId = fourCharCode('N', 'o', 'p', 'e');
    EXPECT_TRUE(mentions(checkPresetFits(foreignProgram, quorrelphone()), "program 5"));
}

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    if (!fs::is_regular_file(path)) {
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::ptrdiff_t entryCount(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}

// Whatever goes wrong, the file already there is still whole afterwards and no
// half-written neighbour is left in its folder.
// Every file the tools write (presets and banks, rendered takes, editor pictures)
// is replaced whole or left as it was.
TEST(ToolFileWrite, ReplacesTheFileWholeOrLeavesItAsItWas) {
    using Write = bool (*)(const std::string& path, std::vector<std::uint8_t>* expected, std::string* error);
    const Write writers[] = {
        [](const std::string& path, std::vector<std::uint8_t>* expected, std::string* error) {
            *expected = counting(2048, 3);
            return writeFileBytes(path, *expected, error);
        },
        [](const std::string& path, std::vector<std::uint8_t>* expected, std::string* error) {
            const Audio take{44100, {std::vector<float>(600, 0.25f)}};
            *expected = encodeWav(take, SampleFormat::Float32);
            return writeWavFile(path, take, SampleFormat::Float32, error);
        },
        [](const std::string& path, std::vector<std::uint8_t>* expected, std::string* error) {
            const SnapshotImage picture{24, 24, std::vector<std::uint32_t>(24 * 24, 0x123456u)};
            *expected = encodeBmp(picture);
            return writeSnapshotImage(path, picture, error);
        },
    };
    const struct {
        const char* what;
        const char* target;
        bool folderInItsPlace;
        unsigned long sizeLimit;  // RLIMIT_FSIZE: the disk fills part way through the write
        bool written;
    } cases[] = {
        {"a longer old file", "x.fxp", false, 0, true},
        {"a folder in the file's place", "x.fxb", true, 0, false},
        {"a disk that fills part way", "x.fxp", false, 1024, false},
    };
    const std::string old(3000, 'o');
    const fs::path folder = fs::path(::testing::TempDir()) / "qp_preset_write_test";
    for (const auto& c : cases) {
        for (const Write write : writers) {
            SCOPED_TRACE(c.what);
            fs::remove_all(folder);
            fs::create_directories(folder);
            const fs::path target = folder / c.target;
            if (c.folderInItsPlace) {
                fs::create_directories(target / "inside");
            } else {
                std::ofstream(target, std::ios::binary) << old;
            }
            const std::string oldContents = contents(target);
            std::vector<std::uint8_t> bytes;
            const std::ptrdiff_t entries = entryCount(folder);
            std::string error;
#ifdef _WIN32
            if (c.sizeLimit != 0) {
                continue;  // Windows has no per-process file size limit to fail a write with
            }
            const bool written = write(target.string(), &bytes, &error);
#else
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limited{c.sizeLimit != 0 ? c.sizeLimit : saved.rlim_cur, saved.rlim_max};
            setrlimit(RLIMIT_FSIZE, &limited);
            const bool written = write(target.string(), &bytes, &error);
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, handler);
#endif
            EXPECT_EQ(written, c.written) << error;
            EXPECT_TRUE(written || mentions(error, target.filename().string())) << error;
            EXPECT_TRUE(contents(target) ==
                        (c.written ? std::string(bytes.begin(), bytes.end()) : oldContents))
                << "the file holds " << contents(target).size() << " bytes";
            EXPECT_EQ(fs::is_directory(target), c.folderInItsPlace);
            EXPECT_EQ(entryCount(folder), entries);  // no temporary file left beside it
        }
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace qp::test
