// The BMP files qp_art writes are the one format the editor's resources use, and
// reading accepts that format only.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/art/BmpFile.h"

namespace {

using qp::art::Picture;

Picture pattern(std::int32_t w, std::int32_t h) {
    Picture p{w, h, std::vector<std::uint8_t>(std::size_t(w) * h * 3)};
    for (std::size_t i = 0; i < p.rgb.size(); ++i) {
        p.rgb[i] = std::uint8_t(i * 37 + i / 3);
    }
    return p;
}

TEST(BmpFile, WritesBottomUpPaddedRowsAndReadsThemBack) {
    // Widths of every padding (0 to 3 bytes a row).
    for (std::int32_t w : {1, 2, 3, 4, 5}) {
        const Picture p = pattern(w, 3);
        const std::vector<std::uint8_t> file = qp::art::encodeBmp(p);
        const std::size_t stride = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
        ASSERT_EQ(file.size(), 54 + stride * 3) << w;
        // The last row comes first, blue first.
        EXPECT_EQ(file[54], p.rgb[(2 * std::size_t(w)) * 3 + 2]) << w;
        EXPECT_EQ(file[56], p.rgb[(2 * std::size_t(w)) * 3]) << w;
        Picture back;
        std::string error;
        ASSERT_TRUE(qp::art::decodeBmp(file, back, error)) << error;
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, 3);
        EXPECT_EQ(back.rgb, p.rgb) << w;
    }
}

void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    for (std::int32_t i = 0; i < 4; ++i) {
        f[at + i] = std::uint8_t(v >> (8 * i));
    }
}

TEST(BmpFile, RejectsEveryOtherLayout) {
    const std::vector<std::uint8_t> good = qp::art::encodeBmp(pattern(5, 4));
    const struct {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> change;
    } cases[] = {
        {"no BM", [](auto& f) { f[0] = 'X'; }},
        {"a BITMAPV5HEADER", [](auto& f) { put32(f, 14, 124); }},
        {"32 bits a pixel", [](auto& f) { f[28] = 32; }},
        {"run-length compression", [](auto& f) { put32(f, 30, 1); }},
        {"top-down rows", [](auto& f) { put32(f, 22, std::uint32_t(-4)); }},
        {"a palette", [](auto& f) { put32(f, 46, 2); }},
        {"pixels elsewhere", [](auto& f) { put32(f, 10, 60); }},
        {"a truncated file", [](auto& f) { f.resize(f.size() > 7 ? f.size() - 7 : 0); }},
        {"a byte too many", [](auto& f) { f.push_back(0); }},
        {"headers only", [](auto& f) { f.resize(40); }},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> file = good;
        c.change(file);
        Picture p;
        std::string error;
        EXPECT_FALSE(qp::art::decodeBmp(file, p, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

}  // namespace
