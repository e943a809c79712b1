// A drawing surface for the toolkit and editor tests: a top-down 32-bit DIB in a
// memory device context whose pixels the test reads straight from memory. Made
// with the plain API, not the toolkit's counted wrappers: it is the test's own
// object, not the toolkit's.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/Color.h"
#include "gui/DrawContext.h"
#include "gui/Rect.h"
#include "tools/hostlib/WindowCapture.h"

namespace qp::test {

class Surface {
public:
    Surface(int width, int height, Color background = colorBlack)
        : dib_(width, height) {
        fill(background);
    }
    ~Surface() { context_.reset(); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dib_.dc(); }
    int width() const { return dib_.width(); }
    int height() const { return dib_.height(); }
    // A toolkit drawing context on the surface, made on first use.
    DrawContext* context() {
        if (!context_) {
            context_ = std::make_unique<DrawContext>(nullptr, dib_.dc(), nullptr);
        }
        return context_.get();
    }

    Color pixel(int x, int y) const {
        const std::uint32_t p = dib_.bits()[y * width() + x];
        return makeColor(std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p));
    }
    void fill(Color c) {
        std::uint32_t* bits = dib_.bits();
        const std::uint32_t p = (std::uint32_t(c.red) << 16) | (std::uint32_t(c.green) << 8) | c.blue;
        for (int i = 0; i < width() * height(); ++i) {
            bits[i] = p;
        }
    }
    // Every pixel as GDI left it, and as 0x00RRGGBB.
    std::vector<std::uint32_t> snapshot() const {
        const std::uint32_t* bits = dib_.bits();
        return std::vector<std::uint32_t>(bits, bits + width() * height());
    }
    std::vector<std::uint32_t> pixels() const { return dib_.pixels(); }
    // How many pixels of the area are c; its right column and bottom row are
    // left out, as a blit of that rectangle leaves them.
    int count(Color c, const Rect& area) const {
        int n = 0;
        for (int x = area.left; x < area.right; ++x) {
            for (int y = area.top; y < area.bottom; ++y) {
                n += pixel(x, y) == c;
            }
        }
        return n;
    }
    // The first and last columns holding any pixel other than c; -1 if none.
    int firstColumnNot(Color c) const {
        for (int x = 0; x < width(); ++x) {
            for (int y = 0; y < height(); ++y) {
                if (!(pixel(x, y) == c)) {
                    return x;
                }
            }
        }
        return -1;
    }
    int lastColumnNot(Color c) const {
        for (int x = width() - 1; x >= 0; --x) {
            for (int y = 0; y < height(); ++y) {
                if (!(pixel(x, y) == c)) {
                    return x;
                }
            }
        }
        return -1;
    }

private:
    hostlib::Dib dib_;
    std::unique_ptr<DrawContext> context_;
};

}  // namespace qp::test
