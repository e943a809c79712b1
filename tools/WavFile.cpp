#include "tools/WavFile.h"

#include "tools/FileReplace.h"
#include "tools/LittleEndian.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace qp::tools {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kBasicFmtBytes = 16;
constexpr std::size_t kExtensibleFmtBytes = 40;
constexpr std::size_t kSubFormatOffset = 24;  // within an extensible fmt chunk
constexpr std::uint32_t kMaxSampleRate = 1'000'000;

std::uint16_t readU16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

void putTag(std::vector<std::uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(std::uint8_t(tag[i]));
    }
}

std::string tagText(const std::uint8_t* p) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        text += (p[i] >= 0x20 && p[i] < 0x7f) ? char(p[i]) : '?';
    }
    return text;
}

WavReadResult refuse(std::string why) {
    WavReadResult result;
    result.error = std::move(why);
    return result;
}

struct Format {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

// Accepts exactly the formats the host can feed the plug-in with; the message
// says what the file holds instead.
bool checkFormat(const Format& format, SampleFormat* sampleFormat, std::string* error) {
    if (format.tag != kFormatPcm && format.tag != kFormatFloat) {
        *error = "compressed or unknown sample encoding (format tag " + std::to_string(format.tag) +
                 "); only PCM and IEEE float are supported";
        return false;
    }
    if (format.channels != 1 && format.channels != 2) {
        *error = std::to_string(format.channels) + " channels; only mono and stereo are supported";
        return false;
    }
    if (format.sampleRate == 0 || format.sampleRate > kMaxSampleRate) {
        *error = "implausible sample rate " + std::to_string(format.sampleRate);
        return false;
    }
    if (format.tag == kFormatPcm && format.bits == 16) {
        *sampleFormat = SampleFormat::Pcm16;
    } else if (format.tag == kFormatPcm && format.bits == 24) {
        *sampleFormat = SampleFormat::Pcm24;
    } else if (format.tag == kFormatFloat && format.bits == 32) {
        *sampleFormat = SampleFormat::Float32;
    } else {
        *error = std::to_string(format.bits) + "-bit " + (format.tag == kFormatPcm ? "PCM" : "float") +
                 " is not supported (16- or 24-bit PCM, 32-bit float)";
        return false;
    }
    if (format.blockAlign != format.channels * (format.bits / 8)) {
        *error = "inconsistent fmt chunk: block align " + std::to_string(format.blockAlign) + " for " +
                 std::to_string(format.channels) + " channels of " + std::to_string(format.bits) + " bits";
        return false;
    }
    return true;
}

bool parseFmt(const std::uint8_t* chunk, std::uint32_t size, Format* format, std::string* error) {
    if (size < kBasicFmtBytes) {
        *error = "fmt chunk of " + std::to_string(size) + " bytes is too short";
        return false;
    }
    format->tag = readU16(chunk);
    format->channels = readU16(chunk + 2);
    format->sampleRate = readU32(chunk + 4);
    format->blockAlign = readU16(chunk + 12);
    format->bits = readU16(chunk + 14);
    if (format->tag == kFormatExtensible) {
        if (size < kExtensibleFmtBytes) {
            *error = "extensible fmt chunk of " + std::to_string(size) + " bytes is too short";
            return false;
        }
        // The first two bytes of the sub-format GUID hold the plain format tag.
        format->tag = readU16(chunk + kSubFormatOffset);
    }
    return true;
}

float decodeSample(const std::uint8_t* p, SampleFormat format) {
    switch (format) {
        case SampleFormat::Pcm16:
            return float(std::int16_t(readU16(p))) / 32768.0f;
        case SampleFormat::Pcm24: {
            std::int32_t v = std::int32_t(std::uint32_t(p[0]) << 8 | std::uint32_t(p[1]) << 16 |
                                          std::uint32_t(p[2]) << 24) >>
                             8;
            return float(v) / 8388608.0f;
        }
        case SampleFormat::Float32: {
            float v;
            std::uint32_t bits = readU32(p);
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
    }
    return 0.0f;
}

std::int32_t quantize(float sample, double scale, std::int32_t lowest, std::int32_t highest) {
    if (std::isnan(sample)) {
        return 0;
    }
    const double scaled = std::nearbyint(double(sample) * scale);
    if (scaled < lowest) {
        return lowest;
    }
    if (scaled > highest) {
        return highest;
    }
    return std::int32_t(scaled);
}

}  // namespace

const char* sampleFormatName(SampleFormat format) {
    switch (format) {
        case SampleFormat::Pcm16:
            return "16-bit PCM";
        case SampleFormat::Pcm24:
            return "24-bit PCM";
        case SampleFormat::Float32:
            return "32-bit float";
    }
    return "?";
}

WavReadResult parseWav(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 12) {
        return refuse("too short for a WAV header");
    }
    if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        return refuse("not a RIFF/WAVE file");
    }
    // Writers that stream often leave the RIFF size wrong; the chunks are
    // trusted only as far as the bytes that are really there.
    const std::size_t end = size;
    std::size_t position = 12;
    bool haveFormat = false;
    Format format;
    const std::uint8_t* samples = nullptr;
    std::size_t sampleBytes = 0;
    std::string error;

    while (end - position >= kChunkHeaderBytes) {
        const std::uint8_t* header = data + position;
        const std::uint32_t chunkSize = readU32(header + 4);
        const std::size_t available = end - position - kChunkHeaderBytes;
        const bool isData = std::memcmp(header, "data", 4) == 0;
        if (chunkSize > available) {
            if (isData) {
                return refuse("truncated: the data chunk claims " + std::to_string(chunkSize) +
                              " bytes but only " + std::to_string(available) + " follow");
            }
            return refuse("chunk '" + tagText(header) + "' claims " + std::to_string(chunkSize) +
                          " bytes but only " + std::to_string(available) + " follow");
        }
        const std::uint8_t* body = header + kChunkHeaderBytes;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (haveFormat) {
                return refuse("more than one fmt chunk");
            }
            if (!parseFmt(body, chunkSize, &format, &error)) {
                return refuse(error);
            }
            haveFormat = true;
        } else if (isData) {
            if (samples != nullptr) {
                return refuse("more than one data chunk");
            }
            samples = body;
            sampleBytes = chunkSize;
        }
        // Chunks are padded to an even size; the pad byte may be missing at the end.
        const std::size_t advance = kChunkHeaderBytes + std::size_t(chunkSize) + (chunkSize & 1u);
        if (advance > end - position) {
            break;
        }
        position += advance;
    }

    if (!haveFormat) {
        return refuse("no fmt chunk");
    }
    if (samples == nullptr) {
        return refuse("no data chunk");
    }
    WavReadResult result;
    if (!checkFormat(format, &result.format, &error)) {
        return refuse(error);
    }

    const std::size_t frameBytes = format.blockAlign;
    const std::size_t sampleSize = frameBytes / format.channels;
    const std::size_t frames = sampleBytes / frameBytes;  // a partial last frame is dropped
    result.audio.sampleRate = format.sampleRate;
    result.audio.channels.assign(format.channels, std::vector<float>(frames));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::uint8_t* p = samples + frame * frameBytes;
        for (std::size_t channel = 0; channel < format.channels; ++channel) {
            result.audio.channels[channel][frame] = decodeSample(p + channel * sampleSize, result.format);
        }
    }
    result.ok = true;
    return result;
}

WavReadResult readWavFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        return refuse("cannot open " + path);
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return refuse("cannot read " + path);
    }
    const long length = std::ftell(file.get());
    if (length < 0) {
        return refuse("cannot read " + path);
    }
    if (std::uint64_t(length) > kMaxWavFileBytes) {
        return refuse(path + " is larger than " + std::to_string(kMaxWavFileBytes >> 20) + " MiB");
    }
    std::rewind(file.get());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        return refuse("cannot read " + path);
    }
    WavReadResult result = parseWav(bytes.data(), bytes.size());
    if (!result.ok) {
        result.error = path + ": " + result.error;
    }
    return result;
}

std::vector<std::uint8_t> encodeWav(const Audio& audio, SampleFormat format) {
    const std::uint32_t channels = std::uint32_t(audio.channels.size());
    const std::uint32_t bytesPerSample = format == SampleFormat::Pcm16   ? 2
                                         : format == SampleFormat::Pcm24 ? 3
                                                                         : 4;
    const std::uint32_t frames = std::uint32_t(audio.frames());
    const std::uint32_t dataBytes = frames * channels * bytesPerSample;
    const bool isFloat = format == SampleFormat::Float32;
    // Float files carry the cbSize field and a fact chunk, as the format requires.
    const std::uint32_t fmtBytes = isFloat ? 18 : 16;
    const std::uint32_t factBytes = isFloat ? 12 : 0;

    std::vector<std::uint8_t> out;
    out.reserve(12 + 8 + fmtBytes + factBytes + 8 + dataBytes + 1);
    putTag(out, "RIFF");
    put32le(out, 4 + 8 + fmtBytes + factBytes + 8 + dataBytes + (dataBytes & 1u));
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32le(out, fmtBytes);
    put16le(out, isFloat ? kFormatFloat : kFormatPcm);
    put16le(out, channels);
    put32le(out, audio.sampleRate);
    put32le(out, audio.sampleRate * channels * bytesPerSample);
    put16le(out, channels * bytesPerSample);
    put16le(out, bytesPerSample * 8);
    if (isFloat) {
        put16le(out, 0);
        putTag(out, "fact");
        put32le(out, 4);
        put32le(out, frames);
    }
    putTag(out, "data");
    put32le(out, dataBytes);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        for (std::uint32_t channel = 0; channel < channels; ++channel) {
            const float sample = audio.channels[channel][frame];
            if (format == SampleFormat::Float32) {
                std::uint32_t bits;
                std::memcpy(&bits, &sample, sizeof bits);
                put32le(out, bits);
            } else if (format == SampleFormat::Pcm16) {
                put16le(out, std::uint32_t(quantize(sample, 32768.0, -32768, 32767)) & 0xFFFF);
            } else {
                const std::uint32_t v = std::uint32_t(quantize(sample, 8388608.0, -8388608, 8388607));
                out.push_back(std::uint8_t(v));
                out.push_back(std::uint8_t(v >> 8));
                out.push_back(std::uint8_t(v >> 16));
            }
        }
    }
    if (dataBytes & 1u) {
        out.push_back(0);
    }
    return out;
}

bool writeWavFile(const std::string& path, const Audio& audio, SampleFormat format, std::string* error) {
    if (audio.channels.empty() || audio.channels.size() > 2) {
        if (error) {
            *error = "only mono or stereo audio can be written";
        }
        return false;
    }
    // A render over an existing take replaces it whole or not at all: a full disk
    // or a failed write must not leave the musician's old file cut short.
    return replaceFileContents(path, encodeWav(audio, format), error);
}

}  // namespace qp::tools
