// Pictures of the editor as files: 24-bit BMP, or PNG written without a
// compression library (the image data goes into stored deflate blocks, so files
// are larger than they could be, but every viewer reads them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qp::tools {

// Top-down rows of 0x00RRGGBB pixels.
struct SnapshotImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// Writes a PNG when the path ends in ".png" (any case), else a BMP. False with
// the reason in error when the file cannot be written.
bool writeSnapshotImage(const std::string& path, const SnapshotImage& image, std::string* error);

std::vector<std::uint8_t> encodePng(const SnapshotImage& image);
std::vector<std::uint8_t> encodeBmp(const SnapshotImage& image);
// Reads back a 24-bit bottom-up BMP of the kind encodeBmp writes (the art's
// files are of that kind too); an empty image for a missing file or any other.
SnapshotImage readBmpFile(const std::string& path);

}  // namespace qp::tools
