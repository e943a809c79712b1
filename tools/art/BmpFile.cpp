#include "tools/art/BmpFile.h"

namespace qp::art {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kPixelDataOffset = kFileHeaderSize + kInfoHeaderSize;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::int32_t kPixelsPerMetre = 2835;

std::uint32_t rowStride(std::int32_t width) { return (std::uint32_t(width) * 3 + 3) & ~3u; }

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::uint32_t get16(const std::vector<std::uint8_t>& d, std::size_t at) { return d[at] | (d[at + 1] << 8); }
std::uint32_t get32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return get16(d, at) | (get16(d, at + 2) << 16);
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const Picture& p) {
    const std::uint32_t stride = rowStride(p.width);
    const std::uint32_t imageSize = stride * std::uint32_t(p.height);
    std::vector<std::uint8_t> out;
    out.reserve(kPixelDataOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    put32(out, kPixelDataOffset + imageSize);
    put32(out, 0);
    put32(out, kPixelDataOffset);
    put32(out, kInfoHeaderSize);
    put32(out, std::uint32_t(p.width));
    put32(out, std::uint32_t(p.height));
    put16(out, 1);
    put16(out, kBitsPerPixel);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0);
    put32(out, 0);
    for (std::int32_t y = p.height - 1; y >= 0; --y) {
        const std::uint8_t* row = p.rgb.data() + std::size_t(y) * std::size_t(p.width) * 3;
        for (std::int32_t x = 0; x < p.width; ++x) {
            out.push_back(row[3 * x + 2]);
            out.push_back(row[3 * x + 1]);
            out.push_back(row[3 * x]);
        }
        out.insert(out.end(), stride - std::uint32_t(p.width) * 3, 0);
    }
    return out;
}

bool decodeBmp(const std::vector<std::uint8_t>& d, Picture& p, std::string& error) {
    if (d.size() < kPixelDataOffset) {
        error = "file shorter than its headers";
        return false;
    }
    const std::int32_t width = std::int32_t(get32(d, 18));
    const std::int32_t height = std::int32_t(get32(d, 22));
    if (d[0] != 'B' || d[1] != 'M') {
        error = "no BM signature";
        return false;
    }
    if (get32(d, 14) != kInfoHeaderSize) {
        error = "info header is not a BITMAPINFOHEADER";
        return false;
    }
    if (get16(d, 26) != 1 || get16(d, 28) != kBitsPerPixel || get32(d, 30) != 0 || get32(d, 46) != 0) {
        error = "not an uncompressed 24-bit picture";
        return false;
    }
    if (width <= 0 || height <= 0) {
        error = "size " + std::to_string(width) + " x " + std::to_string(height) +
                ": must be positive (bottom-up)";
        return false;
    }
    const std::uint64_t stride = rowStride(width);
    const std::uint64_t imageSize = stride * std::uint64_t(height);
    if (get32(d, 10) != kPixelDataOffset || get32(d, 34) != imageSize) {
        error = "pixel data offset or size do not match the headers";
        return false;
    }
    if (get32(d, 2) != d.size() || d.size() != kPixelDataOffset + imageSize) {
        error = "file size " + std::to_string(d.size()) + " does not match the headers";
        return false;
    }
    p.width = width;
    p.height = height;
    p.rgb.assign(std::size_t(width) * std::size_t(height) * 3, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::size_t start = kPixelDataOffset + std::size_t(height - 1 - y) * stride;
        std::uint8_t* row = p.rgb.data() + std::size_t(y) * std::size_t(width) * 3;
        for (std::int32_t x = 0; x < width; ++x) {
            row[3 * x] = d[start + 3 * x + 2];
            row[3 * x + 1] = d[start + 3 * x + 1];
            row[3 * x + 2] = d[start + 3 * x];
        }
    }
    return true;
}

}  // namespace qp::art
