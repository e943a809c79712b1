// What the X11 back end's tests share: a mapped top-level window standing in for
// the host's (on the display ctest's xvfb-run gives the suite), and pixel reads
// from cairo surfaces and from X windows.
#pragma once

// GoogleTest before Xlib: Xlib's macros (None, Bool) break its templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <cairo.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gui/Color.h"
#include "tests/x11/XTestInput.h"

namespace qp::test {

inline Color colorOfPixel(std::uint32_t pixel) {
    return makeColor(std::uint8_t(pixel >> 16), std::uint8_t(pixel >> 8), std::uint8_t(pixel));
}

// The colours of an image surface (void*: a context's getSurface()), row by row.
inline std::vector<Color> surfacePixels(void* surfaceHandle) {
    auto* surface = static_cast<cairo_surface_t*>(surfaceHandle);
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<Color> pixels;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t p;
            std::memcpy(&p, cairo_image_surface_get_data(surface) + y * stride + x * 4, 4);
            pixels.push_back(colorOfPixel(p));
        }
    }
    return pixels;
}

// Whether every pixel is expected(x, y); a failure names the first that is not.
template <class Rule>
::testing::AssertionResult everyPixelIs(const std::vector<Color>& pixels, int width, Rule expected) {
    for (int i = 0; i < int(pixels.size()); ++i) {
        const Color want = expected(i % width, i / width);
        if (!(pixels[std::size_t(i)] == want)) {
            const Color got = pixels[std::size_t(i)];
            return ::testing::AssertionFailure()
                   << "(" << i % width << "," << i / width << ") is " << int(got.red) << "," << int(got.green)
                   << "," << int(got.blue) << " not " << int(want.red) << "," << int(want.green) << ","
                   << int(want.blue);
        }
    }
    return ::testing::AssertionSuccess();
}

// A connection to the test display and a mapped 400 x 300 top-level window at
// the screen's origin, so the frame's coordinates are the screen's.
class HostWindow {
public:
    HostWindow()
        : display_(openDisplay()) {
        if (!display_) {
            return;
        }
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 400, 300, 0, 0, 0);
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent event;
        do {
            XWindowEvent(display_, window_, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
    }
    ~HostWindow() {
        if (display_) {
            if (window_) {
                XDestroyWindow(display_, window_);
            }
            XCloseDisplay(display_);
        }
    }

    // As a host that destroys its window before it closes the UI in it.
    void destroyWindow() {
        XDestroyWindow(display_, window_);
        XSync(display_, False);
        window_ = 0;
    }

    Display* display() const { return display_; }
    void* parent() const { return reinterpret_cast<void*>(std::uintptr_t(window_)); }

    std::vector<Color> windowPixels(unsigned long window, int width, int height) const {
        XSync(display_, False);
        XImage* image =
            XGetImage(display_, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
        std::vector<Color> pixels;
        for (int i = 0; image && i < width * height; ++i) {
            pixels.push_back(colorOfPixel(std::uint32_t(XGetPixel(image, i % width, i / width))));
        }
        if (image) {
            XDestroyImage(image);
        }
        return pixels;
    }

private:
    Display* display_;
    ::Window window_ = 0;
};

}  // namespace qp::test
