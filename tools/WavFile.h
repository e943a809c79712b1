// RIFF/WAVE reading and writing for the command-line host: 16- and 24-bit PCM
// and 32-bit float, mono or stereo. Files come from users, so the reader checks
// every size against the bytes actually present and reports what it refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qp::tools {

enum class SampleFormat {
    Pcm16,
    Pcm24,
    Float32
};

const char* sampleFormatName(SampleFormat format);

struct Audio {
    std::uint32_t sampleRate = 44100;
    // One or two channels of equal length.
    std::vector<std::vector<float>> channels;

    std::size_t frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

struct WavReadResult {
    bool ok = false;
    std::string error;  // why the file was refused, when !ok
    Audio audio;
    SampleFormat format = SampleFormat::Float32;
};

// Files larger than this are refused before they are read into memory.
constexpr std::uint64_t kMaxWavFileBytes = 1ull << 30;

WavReadResult parseWav(const std::uint8_t* data, std::size_t size);
WavReadResult readWavFile(const std::string& path);

// PCM samples are clipped to -1..1 and rounded; NaN is written as 0.
std::vector<std::uint8_t> encodeWav(const Audio& audio, SampleFormat format);
bool writeWavFile(const std::string& path, const Audio& audio, SampleFormat format, std::string* error);

}  // namespace qp::tools
