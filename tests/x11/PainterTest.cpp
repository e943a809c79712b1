// The X11 back end's pixel rules against GDI's: line pixels as Wine's GDI sets
// them (recorded once with LineTo on a memory bitmap, solid and dotted, in every
// octant), and the .bmp decoder on files of every depth it reads.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "gui/PainterX11.h"
#include "tests/x11/X11TestSupport.h"

namespace qp::test {
namespace {

struct LineCase {
    Point from;
    Point to;
    const char* solid;  // "x,y x,y ...", in any order
    const char* dotted;
};

// LineTo from -> to under GDI, recorded pixel for pixel.
const LineCase kGdiLines[] = {
    {{10, 10},
     {20, 13},
     "10,10 11,10 12,11 13,11 14,11 15,11 16,12 17,12 18,12 19,13",
     "10,10 11,10 12,11 16,12 17,12 18,12"},
    {{10, 10},
     {0, 13},
     "9,10 10,10 5,11 6,11 7,11 8,11 2,12 3,12 4,12 1,13",
     "9,10 10,10 8,11 2,12 3,12 4,12"},
    {{10, 10},
     {7, 20},
     "10,10 10,11 9,12 9,13 9,14 8,15 8,16 8,17 8,18 7,19",
     "10,10 10,11 9,12 8,16 8,17 8,18"},
    {{10, 10},
     {20, 7},
     "19,7 15,8 16,8 17,8 18,8 12,9 13,9 14,9 10,10 11,10",
     "16,8 17,8 18,8 12,9 10,10 11,10"},
    {{10, 10},
     {10, 0},
     "10,1 10,2 10,3 10,4 10,5 10,6 10,7 10,8 10,9 10,10",
     "10,2 10,3 10,4 10,8 10,9 10,10"},
    {{10, 10},
     {20, 20},
     "10,10 11,11 12,12 13,13 14,14 15,15 16,16 17,17 18,18 19,19",
     "10,10 11,11 12,12 16,16 17,17 18,18"},
    {{10, 10}, {10, 10}, "", ""},
    {{18, 2},
     {3, 17},
     "18,2 17,3 16,4 15,5 14,6 13,7 12,8 11,9 10,10 9,11 8,12 7,13 6,14 5,15 4,16",
     "18,2 17,3 16,4 12,8 11,9 10,10 6,14 5,15 4,16"},
    {{9, 19},
     {5, 2},
     "5,3 5,4 6,5 6,6 6,7 6,8 7,9 7,10 7,11 7,12 8,13 8,14 8,15 8,16 9,17 9,18 9,19",
     "6,5 6,6 6,7 7,11 7,12 8,13 9,17 9,18 9,19"},
    {{19, 5},
     {2, 9},
     "17,5 18,5 19,5 13,6 14,6 15,6 16,6 9,7 10,7 11,7 12,7 5,8 6,8 7,8 8,8 3,9 4,9",
     "17,5 18,5 19,5 13,6 11,7 12,7 5,8 6,8 7,8"},
};

std::vector<std::pair<int, int>> parsePixels(const char* text) {
    std::vector<std::pair<int, int>> pixels;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        int x = 0, y = 0;
        std::sscanf(item.c_str(), "%d,%d", &x, &y);
        pixels.emplace_back(x, y);
    }
    std::sort(pixels.begin(), pixels.end());
    return pixels;
}

// The white pixels of a black 32 x 32 surface after drawing the line through
// cairo, so the drawing is checked as well as the arithmetic (nothing blended).
std::vector<std::pair<int, int>> drawnPixels(Point from, Point to, bool dotted) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 32, 32);
    cairo_t* cr = cairo_create(surface);
    x11::setSourceColor(cr, colorWhite);
    x11::drawLine(cr, from, to, dotted);
    cairo_destroy(cr);
    const std::vector<Color> pixels = surfacePixels(surface);
    cairo_surface_destroy(surface);
    std::vector<std::pair<int, int>> lit;
    for (int i = 0; i < 32 * 32; ++i) {
        if (pixels[std::size_t(i)] == colorWhite) {
            lit.emplace_back(i % 32, i / 32);
        } else {
            EXPECT_EQ(pixels[std::size_t(i)], colorBlack) << "blended at " << i % 32 << "," << i / 32;
        }
    }
    std::sort(lit.begin(), lit.end());
    return lit;
}

TEST(PainterLines, EveryOctantSetsTheSamePixelsAsGdi) {
    for (const LineCase& c : kGdiLines) {
        SCOPED_TRACE(::testing::Message()
                     << c.from.h << "," << c.from.v << " -> " << c.to.h << "," << c.to.v);
        EXPECT_EQ(drawnPixels(c.from, c.to, false), parsePixels(c.solid));
        EXPECT_EQ(drawnPixels(c.from, c.to, true), parsePixels(c.dotted));
    }
}

// A 3 x 2 .bmp file as Windows writes one: 14 + 40 header bytes, the palette,
// rows bottom-up (top-down with a negative height) padded to 4 bytes.
std::vector<std::uint8_t> makeBmp(int bits, const std::vector<std::uint32_t>& palette,
                                  const std::vector<std::uint8_t>& rowsTopDown, bool topDown = false) {
    const int stride = ((3 * bits + 31) / 32) * 4, offset = 54 + int(palette.size()) * 4;
    std::vector<std::uint8_t> file(std::size_t(offset + stride * 2), 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            file[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
        }
    };
    file[0] = 'B', file[1] = 'M', file[26] = 1, file[28] = std::uint8_t(bits);
    put(10, std::uint32_t(offset)), put(14, 40), put(18, 3), put(22, topDown ? std::uint32_t(-2) : 2u);
    put(46, std::uint32_t(palette.size()));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        put(54 + i * 4, palette[i]);
    }
    const std::size_t rowBytes = rowsTopDown.size() / 2;
    for (std::size_t row = 0; row < 2; ++row) {
        std::copy_n(rowsTopDown.begin() + std::ptrdiff_t(row * rowBytes), rowBytes,
                    file.begin() + offset + stride * int(topDown ? row : 1 - row));
    }
    return file;
}

TEST(PainterBmp, EveryDepthAndRowOrderGivesTheSamePixelsAndBrokenFilesNone) {
    // red green blue / white black grey
    const std::vector<std::uint32_t> expected = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                                 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    const std::vector<std::uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};
    const std::vector<std::uint8_t> bgr = {0,   0,   255, 0, 255, 0, 255, 0,   0,
                                           255, 255, 255, 0, 0,   0, 128, 128, 128};
    const std::vector<std::uint8_t> good = makeBmp(24, {}, bgr);
    auto broken = [&](std::size_t at, std::uint8_t value) {
        std::vector<std::uint8_t> f = good;
        f[at] = value;
        return f;
    };
    // The most negative height has no positive twin; it must be refused, not negated.
    std::vector<std::uint8_t> lowestHeight = good;
    std::fill_n(lowestHeight.begin() + 22, 3, 0), lowestHeight[25] = 0x80;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
        bool readable;
    } cases[] = {
        {"24-bit bottom-up", good, true},
        {"24-bit top-down", makeBmp(24, {}, bgr, true), true},
        {"8-bit", makeBmp(8, palette, {0, 1, 2, 3, 4, 5}), true},
        {"4-bit", makeBmp(4, palette, {0x01, 0x20, 0x34, 0x50}), true},
        {"last row short", std::vector<std::uint8_t>(good.begin(), good.end() - 1), false},
        {"not a BMP", broken(0, 'X'), false},
        {"16-bit", broken(28, 16), false},
        {"run-length coded", broken(30, 1), false},
        {"absurd height", broken(25, 0x7F), false},
        {"height INT32_MIN", lowestHeight, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        x11::Image image;
        EXPECT_EQ(x11::decodeBmp(c.file.data(), c.file.size(), image), c.readable);
        EXPECT_EQ(image.pixels, c.readable ? expected : std::vector<std::uint32_t>());
        EXPECT_EQ(image.width, c.readable ? 3 : 0);
    }
}

}  // namespace
}  // namespace qp::test
