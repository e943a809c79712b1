// What the X11 tests compare: an RGB picture, and the committed PNG pictures read
// into one.
#pragma once

#include <cairo.h>

#include <string>
#include <vector>

namespace qp::test {

// 0xRRGGBB per pixel, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned> pixels;
    unsigned at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    bool operator==(const Picture&) const = default;
};

inline Picture readPng(const std::string& path) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    Picture picture{cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), {}};
    for (int y = 0; y < picture.height; ++y) {
        const auto* row = reinterpret_cast<const unsigned*>(cairo_image_surface_get_data(surface) +
                                                            y * cairo_image_surface_get_stride(surface));
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(row[x] & 0xFFFFFF);
        }
    }
    cairo_surface_destroy(surface);
    return picture;
}

}  // namespace qp::test
