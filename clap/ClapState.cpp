// The stored record: 16 bytes, little-endian whatever the machine, so a project
// saved on one system loads on another: "QPCS", the version, then the values of
// sens and buzz as IEEE floats.
#include <cmath>
#include <cstring>

#include "clap/ClapPlugin.h"

namespace qp::clap {

namespace {

constexpr unsigned char kMagic[4] = {'Q', 'P', 'C', 'S'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kRecordSize = 4 + 4 + 4 * kParameterCount;

void putWord(unsigned char* at, std::uint32_t word) {
    for (int byte = 0; byte < 4; ++byte) {
        at[byte] = static_cast<unsigned char>(word >> (8 * byte));
    }
}

std::uint32_t getWord(const unsigned char* at) {
    std::uint32_t word = 0;
    for (int byte = 0; byte < 4; ++byte) {
        word |= std::uint32_t(at[byte]) << (8 * byte);
    }
    return word;
}

}  // namespace

bool ClapPlugin::save(const clap_ostream& stream) const {
    threads_.expectMain();
    if (stream.write == nullptr) {
        return false;
    }
    unsigned char record[kRecordSize];
    std::memcpy(record, kMagic, sizeof(kMagic));
    putWord(record + 4, kVersion);
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        std::uint32_t bits;
        const float current = value(index);
        std::memcpy(&bits, &current, sizeof(bits));
        putWord(record + 8 + 4 * index, bits);
    }
    // Hosts may take fewer bytes per call than offered; 0 or less is a failure, as
    // a stream that takes nothing would otherwise keep this loop going for ever.
    for (std::size_t written = 0; written < kRecordSize;) {
        const std::int64_t moved = stream.write(&stream, record + written, kRecordSize - written);
        if (moved <= 0 || std::uint64_t(moved) > kRecordSize - written) {
            return false;
        }
        written += std::size_t(moved);
    }
    return true;
}

bool ClapPlugin::load(const clap_istream& stream) {
    threads_.expectMain();
    if (stream.read == nullptr) {
        return false;
    }
    // One byte more than a record is asked for: a stream that still has it holds
    // something other than our record.
    unsigned char record[kRecordSize + 1];
    std::size_t got = 0;
    while (got < sizeof(record)) {
        const std::int64_t moved = stream.read(&stream, record + got, sizeof(record) - got);
        if (moved < 0 || std::uint64_t(moved) > sizeof(record) - got) {
            return false;
        }
        if (moved == 0) {
            break;
        }
        got += std::size_t(moved);
    }
    if (got != kRecordSize || std::memcmp(record, kMagic, sizeof(kMagic)) != 0 ||
        getWord(record + 4) != kVersion) {
        return false;
    }
    float loaded[kParameterCount];
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        const std::uint32_t bits = getWord(record + 8 + 4 * index);
        std::memcpy(&loaded[index], &bits, sizeof(bits));
        if (!std::isfinite(loaded[index]) || loaded[index] < 0.0f || loaded[index] > 1.0f) {
            return false;
        }
    }
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        values_[index].store(loaded[index], std::memory_order_relaxed);
    }
    // The editor shows what was loaded, as it shows what the host set.
    hostChanges_.fetch_or((1u << kParameterCount) - 1, std::memory_order_release);
    return true;
}

}  // namespace qp::clap
