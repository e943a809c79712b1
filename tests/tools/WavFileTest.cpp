// WAV reading and writing, and above all the reader's refusal of damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "tools/WavFile.h"

namespace qp::test {

using namespace qp::tools;
namespace {

Audio ramp(std::size_t channels, std::size_t frames, std::uint32_t rate = 48000) {
    Audio audio;
    audio.sampleRate = rate;
    audio.channels.assign(channels, std::vector<float>(frames));
    for (std::size_t c = 0; c < channels; ++c) {
        for (std::size_t n = 0; n < frames; ++n) {
            audio.channels[c][n] = float(std::sin(0.01 * double(n) + double(c))) * 0.9f;
        }
    }
    return audio;
}

void putU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = std::uint8_t(value >> (8 * i));
    }
}

void putU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = std::uint8_t(value);
    bytes[at + 1] = std::uint8_t(value >> 8);
}

// A hand-built file: RIFF header, then the chunks given as (tag, body).
std::vector<std::uint8_t> riff(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& chunks) {
    std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [tag, body] : chunks) {
        bytes.insert(bytes.end(), tag.begin(), tag.end());
        std::size_t at = bytes.size();
        bytes.resize(bytes.size() + 4);
        putU32(bytes, at, std::uint32_t(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        if (body.size() & 1) {
            bytes.push_back(0);
        }
    }
    putU32(bytes, 4, std::uint32_t(bytes.size() - 8));
    return bytes;
}

std::vector<std::uint8_t> fmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                  std::uint16_t bits, std::uint16_t blockAlign = 0) {
    std::vector<std::uint8_t> body(16);
    if (blockAlign == 0) {
        blockAlign = std::uint16_t(channels * bits / 8);
    }
    putU16(body, 0, tag);
    putU16(body, 2, channels);
    putU32(body, 4, rate);
    putU32(body, 8, rate * blockAlign);
    putU16(body, 12, blockAlign);
    putU16(body, 14, bits);
    return body;
}

WavReadResult parse(const std::vector<std::uint8_t>& bytes) { return parseWav(bytes.data(), bytes.size()); }

TEST(WavRoundTrip, FloatIsExactInMonoAndStereo) {
    for (std::size_t channels : {1u, 2u}) {
        Audio audio = ramp(channels, 1001);
        audio.channels[0][5] = 1.75f;  // float files keep values beyond full scale
        WavReadResult back = parse(encodeWav(audio, SampleFormat::Float32));
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(back.format, SampleFormat::Float32);
        EXPECT_EQ(back.audio.sampleRate, 48000u);
        EXPECT_EQ(back.audio.channels, audio.channels);
    }
}

TEST(WavRoundTrip, PcmKeepsTheSamplesWithinOneStep) {
    struct Case {
        SampleFormat format;
        double step;
    };
    for (Case c : {Case{SampleFormat::Pcm16, 1.0 / 32768}, Case{SampleFormat::Pcm24, 1.0 / 8388608}}) {
        Audio audio = ramp(2, 777);
        WavReadResult back = parse(encodeWav(audio, c.format));
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(back.format, c.format);
        for (std::size_t ch = 0; ch < 2; ++ch) {
            for (std::size_t n = 0; n < 777; ++n) {
                ASSERT_NEAR(back.audio.channels[ch][n], audio.channels[ch][n], c.step);
            }
        }
    }
}

TEST(WavRoundTrip, PcmClipsOutOfRangeAndWritesNaNAsZero) {
    Audio audio;
    audio.channels = {{2.0f, -3.0f, std::numeric_limits<float>::quiet_NaN(), 1.0f, -1.0f,
                       std::numeric_limits<float>::infinity()}};
    WavReadResult back = parse(encodeWav(audio, SampleFormat::Pcm16));
    ASSERT_TRUE(back.ok) << back.error;
    const std::vector<float> expected = {32767 / 32768.0f, -1.0f, 0.0f,
                                         32767 / 32768.0f, -1.0f, 32767 / 32768.0f};
    EXPECT_EQ(back.audio.channels[0], expected);
}

TEST(WavWriting, HeaderDescribesTheFileItWrites) {
    const std::vector<std::uint8_t> bytes = encodeWav(ramp(2, 10, 44100), SampleFormat::Float32);
    ASSERT_GE(bytes.size(), 58u);
    auto u32 = [&](std::size_t at) {
        return std::uint32_t(bytes[at]) | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
               std::uint32_t(bytes[at + 3]) << 24;
    };
    EXPECT_EQ(u32(4), bytes.size() - 8);
    EXPECT_EQ(std::memcmp(&bytes[12], "fmt ", 4), 0);
    EXPECT_EQ(bytes[20], 3);  // IEEE float
    EXPECT_EQ(u32(24), 44100u);
    EXPECT_EQ(std::memcmp(&bytes[38], "fact", 4), 0);
    EXPECT_EQ(u32(46), 10u);
    EXPECT_EQ(std::memcmp(&bytes[50], "data", 4), 0);
    EXPECT_EQ(u32(54), 80u);
    // An odd data size gets its pad byte.
    const std::vector<std::uint8_t> odd = encodeWav(ramp(1, 3), SampleFormat::Pcm24);
    EXPECT_EQ(odd.size() % 2, 0u);
}

TEST(WavReading, SkipsForeignChunksIncludingOddSizedOnes) {
    std::vector<std::uint8_t> data(8);
    putU16(data, 0, 0x4000);  // 0.5 in 16-bit
    putU16(data, 2, 0xC000);  // -0.5
    auto bytes = riff({{"LIST", {'a', 'b', 'c'}},
                       {"fmt ", fmtBody(1, 2, 22050, 16)},
                       {"junk", {}},
                       {"data", data},
                       {"id3 ", {1, 2, 3, 4, 5}}});
    WavReadResult result = parse(bytes);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.audio.sampleRate, 22050u);
    ASSERT_EQ(result.audio.frames(), 2u);
    EXPECT_EQ(result.audio.channels[0][0], 0.5f);
    EXPECT_EQ(result.audio.channels[1][0], -0.5f);
}

TEST(WavReading, AcceptsTheExtensibleFormat) {
    std::vector<std::uint8_t> fmt = fmtBody(0xFFFE, 1, 44100, 32);
    fmt.resize(40, 0);
    putU16(fmt, 16, 22);
    putU16(fmt, 24, 3);  // sub-format: IEEE float
    std::vector<std::uint8_t> data(4);
    const float quarter = 0.25f;
    std::memcpy(data.data(), &quarter, 4);
    WavReadResult result = parse(riff({{"fmt ", fmt}, {"data", data}}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.audio.channels[0][0], 0.25f);
}

TEST(WavReading, ReadsDataThatComesBeforeTheFormat) {
    std::vector<std::uint8_t> data(3, 0);
    data[2] = 0x40;  // 24-bit 0.5
    WavReadResult result = parse(riff({{"data", data}, {"fmt ", fmtBody(1, 1, 8000, 24)}}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.audio.channels[0][0], 0.5f);
}

TEST(WavReading, DropsAPartialLastFrame) {
    WavReadResult result =
        parse(riff({{"fmt ", fmtBody(1, 2, 8000, 16)}, {"data", std::vector<std::uint8_t>(10)}}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.audio.frames(), 2u);
}

TEST(WavReading, ToleratesAWrongRiffSize) {
    auto bytes = encodeWav(ramp(1, 16), SampleFormat::Pcm16);
    putU32(bytes, 4, 0xFFFFFFFF);
    EXPECT_TRUE(parse(bytes).ok);
    putU32(bytes, 4, 4);
    EXPECT_TRUE(parse(bytes).ok);
}

struct Refusal {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* mentions;
};

TEST(WavReading, RefusesDamagedOrUnsupportedFilesWithAReason) {
    std::vector<std::uint8_t> twoFrames(4, 0);
    auto truncatedData = riff({{"fmt ", fmtBody(1, 1, 8000, 16)}, {"data", std::vector<std::uint8_t>(100)}});
    truncatedData.resize(truncatedData.size() - 30);
    auto hugeData = riff({{"fmt ", fmtBody(1, 1, 8000, 16)}, {"data", twoFrames}});
    putU32(hugeData, hugeData.size() - 8, 0xFFFFFFFF);
    auto hugeOther = riff({{"fmt ", fmtBody(1, 1, 8000, 16)}, {"LIST", {1, 2}}, {"data", twoFrames}});
    putU32(hugeOther, 12 + 8 + 16 + 4, 0xFFFFFFF0);
    auto truncatedHeader = encodeWav(ramp(1, 4), SampleFormat::Pcm16);
    truncatedHeader.resize(30);

    const Refusal refusals[] = {
        {"empty", {}, "too short"},
        {"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "RIFF"},
        {"not WAVE", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "RIFF"},
        {"no fmt", riff({{"data", twoFrames}}), "no fmt"},
        {"no data", riff({{"fmt ", fmtBody(1, 1, 8000, 16)}}), "no data"},
        {"short fmt", riff({{"fmt ", {1, 0, 1, 0}}, {"data", twoFrames}}), "too short"},
        {"8-bit", riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", twoFrames}}), "8-bit"},
        {"32-bit int", riff({{"fmt ", fmtBody(1, 1, 8000, 32)}, {"data", twoFrames}}), "32-bit PCM"},
        {"64-bit float", riff({{"fmt ", fmtBody(3, 1, 8000, 64)}, {"data", twoFrames}}), "64-bit"},
        {"ADPCM", riff({{"fmt ", fmtBody(2, 1, 8000, 4, 256)}, {"data", twoFrames}}), "format tag 2"},
        {"3 channels", riff({{"fmt ", fmtBody(1, 3, 8000, 16)}, {"data", twoFrames}}), "3 channels"},
        {"0 channels", riff({{"fmt ", fmtBody(1, 0, 8000, 16, 2)}, {"data", twoFrames}}), "0 channels"},
        {"rate 0", riff({{"fmt ", fmtBody(1, 1, 0, 16)}, {"data", twoFrames}}), "sample rate"},
        {"block align", riff({{"fmt ", fmtBody(1, 2, 8000, 16, 3)}, {"data", twoFrames}}), "block align"},
        {"truncated data", truncatedData, "truncated"},
        {"huge data size", hugeData, "truncated"},
        {"huge chunk size", hugeOther, "LIST"},
        {"truncated header", truncatedHeader, "fmt"},
        {"two fmt",
         riff({{"fmt ", fmtBody(1, 1, 8000, 16)}, {"fmt ", fmtBody(1, 1, 8000, 16)}, {"data", twoFrames}}),
         "more than one fmt"},
    };
    for (const Refusal& refusal : refusals) {
        WavReadResult result = parse(refusal.bytes);
        EXPECT_FALSE(result.ok) << refusal.what;
        EXPECT_NE(result.error.find(refusal.mentions), std::string::npos)
            << refusal.what << ": \"" << result.error << "\"";
    }
    EXPECT_FALSE(parseWav(nullptr, 0).ok);
}

TEST(WavReading, SurvivesEveryTruncationAndRandomDamage) {
    Audio audio = ramp(2, 64);
    for (SampleFormat format : {SampleFormat::Pcm16, SampleFormat::Pcm24, SampleFormat::Float32}) {
        const std::vector<std::uint8_t> good = encodeWav(audio, format);
        for (std::size_t length = 0; length < good.size(); ++length) {
            std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(length));
            WavReadResult result = parse(cut);
            if (!result.ok) {
                EXPECT_FALSE(result.error.empty());
            }
        }
        std::mt19937 random(1234);
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::uint8_t> damaged = good;
            const int changes = 1 + int(random() % 4);
            for (int i = 0; i < changes; ++i) {
                // Mostly the header, where sizes and formats live.
                const std::size_t at = random() % 4 ? random() % 60 : random() % damaged.size();
                damaged[at] = std::uint8_t(random());
            }
            WavReadResult result = parse(damaged);
            if (result.ok) {
                ASSERT_LE(result.audio.channels.size(), 2u);
                ASSERT_LE(result.audio.frames() * result.audio.channels.size(), damaged.size());
            } else {
                ASSERT_FALSE(result.error.empty());
            }
        }
    }
}

TEST(WavFiles, MissingFileAndUnwritablePathAreReported) {
    WavReadResult missing = readWavFile("no-such-dir/no-such-file.wav");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("no-such-file.wav"), std::string::npos);
    std::string error;
    EXPECT_FALSE(writeWavFile("no-such-dir/out.wav", ramp(1, 4), SampleFormat::Pcm16, &error));
    EXPECT_NE(error.find("out.wav"), std::string::npos);
    EXPECT_FALSE(writeWavFile("x.wav", Audio{}, SampleFormat::Pcm16, &error));
}

TEST(WavFiles, WrittenFileReadsBack) {
    const std::string path = ::testing::TempDir() + "qp_wav_file_test.wav";
    Audio audio = ramp(2, 300, 96000);
    std::string error;
    ASSERT_TRUE(writeWavFile(path, audio, SampleFormat::Float32, &error)) << error;
    WavReadResult back = readWavFile(path);
    std::remove(path.c_str());
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.audio.sampleRate, 96000u);
    EXPECT_EQ(back.audio.channels, audio.channels);
}

}  // namespace
}  // namespace qp::test
