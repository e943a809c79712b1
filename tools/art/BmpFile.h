// 24-bit uncompressed BMP files as the editor's resources use them:
// BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up rows padded to four bytes, pixels
// stored blue, green, red, 2835 pixels per metre (72 dpi).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "editor/art/Art.h"

namespace qp::art {

std::vector<std::uint8_t> encodeBmp(const Picture& picture);

// Accepts only the exact format encodeBmp writes, the only one the editor's
// resources may use; on anything else returns false with the reason in `error`.
bool decodeBmp(const std::vector<std::uint8_t>& data, Picture& picture, std::string& error);

}  // namespace qp::art
