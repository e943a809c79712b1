#include "tools/EditorSnapshotImage.h"

#include "tools/FileReplace.h"
#include "tools/LittleEndian.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <fstream>
#include <iterator>

namespace qp::tools {

namespace {

// A stored deflate block carries at most 65535 bytes.
constexpr std::size_t kStoredBlockMax = 65535;
constexpr std::uint32_t kAdlerModulus = 65521;

void put32be(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v >> 24));
    out.push_back(std::uint8_t(v >> 16));
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    crc ^= 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    put32be(out, std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32be(out, crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks around raw.
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out = {0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min(kStoredBlockMax, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        put16le(out, std::uint32_t(length));
        put16le(out, std::uint32_t(~length & 0xFFFF));
        out.insert(out.end(), raw.begin() + std::ptrdiff_t(offset),
                   raw.begin() + std::ptrdiff_t(offset + length));
        offset += length;
    } while (offset < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % kAdlerModulus;
        b = (b + a) % kAdlerModulus;
    }
    put32be(out, (b << 16) | a);
    return out;
}

bool endsWithPng(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return tail == ".png";
}

}  // namespace

std::vector<std::uint8_t> encodePng(const SnapshotImage& image) {
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    put32be(header, std::uint32_t(image.width));
    put32be(header, std::uint32_t(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    putChunk(out, "IHDR", header);

    std::vector<std::uint8_t> raw;
    raw.reserve(std::size_t(image.height) * (1 + 3 * std::size_t(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)];
            raw.push_back(std::uint8_t(p >> 16));
            raw.push_back(std::uint8_t(p >> 8));
            raw.push_back(std::uint8_t(p));
        }
    }
    putChunk(out, "IDAT", storedZlib(raw));
    putChunk(out, "IEND", {});
    return out;
}

std::vector<std::uint8_t> encodeBmp(const SnapshotImage& image) {
    const std::uint32_t rowBytes = (3 * std::uint32_t(image.width) + 3) & ~3u;
    const std::uint32_t dataSize = rowBytes * std::uint32_t(image.height);
    constexpr std::uint32_t kHeaders = 14 + 40;
    std::vector<std::uint8_t> out = {'B', 'M'};
    put32le(out, kHeaders + dataSize);
    put32le(out, 0);
    put32le(out, kHeaders);
    put32le(out, 40);
    put32le(out, std::uint32_t(image.width));
    put32le(out, std::uint32_t(image.height));  // positive: bottom-up rows
    put16le(out, 1);
    put16le(out, 24);
    put32le(out, 0);
    put32le(out, dataSize);
    put32le(out, 2835);  // 72 dpi
    put32le(out, 2835);
    put32le(out, 0);
    put32le(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)];
            out.push_back(std::uint8_t(p));
            out.push_back(std::uint8_t(p >> 8));
            out.push_back(std::uint8_t(p >> 16));
        }
        out.resize(rowStart + rowBytes, 0);
    }
    return out;
}

bool writeSnapshotImage(const std::string& path, const SnapshotImage& image, std::string* error) {
    // Like every file the tools write: the new picture whole, or the old one kept.
    return replaceFileContents(path, endsWithPng(path) ? encodePng(image) : encodeBmp(image), error);
}

SnapshotImage readBmpFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> d((std::istreambuf_iterator<char>(file)),
                                       std::istreambuf_iterator<char>());
    auto at32 = [&](std::size_t at) {
        return std::uint32_t(d[at]) | std::uint32_t(d[at + 1]) << 8 | std::uint32_t(d[at + 2]) << 16 |
               std::uint32_t(d[at + 3]) << 24;
    };
    SnapshotImage image;
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || (d[28] | d[29] << 8) != 24 || at32(30) != 0) {
        return image;
    }
    const std::int32_t width = std::int32_t(at32(18));
    const std::int32_t height = std::int32_t(at32(22));
    const std::size_t offset = at32(10);
    const std::size_t rowBytes = (3 * std::size_t(width > 0 ? width : 0) + 3) & ~std::size_t(3);
    if (width <= 0 || height <= 0 || width > 1 << 15 || height > 1 << 16 ||
        d.size() < offset + rowBytes * std::size_t(height)) {
        return image;
    }
    image.width = width;
    image.height = height;
    image.pixels.reserve(std::size_t(width) * std::size_t(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const unsigned char* row = d.data() + offset + std::size_t(height - 1 - y) * rowBytes;
        for (std::int32_t x = 0; x < width; ++x, row += 3) {
            image.pixels.push_back(std::uint32_t(row[2]) << 16 | std::uint32_t(row[1]) << 8 | row[0]);
        }
    }
    return image;
}

}  // namespace qp::tools
