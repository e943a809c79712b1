#include <cstdlib>
#include <cstring>
#include <limits>

#include "gui/PainterX11.h"

namespace qp::x11 {

namespace {

// GDI's cosmetic dotted pen: 3 pixels on, 3 off, restarting with every line.
constexpr std::int32_t kDotOn = 3;
constexpr std::int32_t kDotPeriod = 6;

// ceil(numerator / denominator) for a positive denominator.
std::int32_t ceilDiv(std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t q = numerator / denominator;
    return std::int32_t((numerator % denominator > 0) ? q + 1 : q);
}

// The BMP header fields this decoder reads, at their offsets in the file.
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kInfoSizeAt = 14;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kBitsAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::size_t kColoursUsedAt = 46;
constexpr std::uint32_t kMinimumInfoSize = 40;
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitFields = 3;  // only as 32-bit BGRX, as Windows writes it
constexpr std::int32_t kLargestSide = 1 << 15;
constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t read32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
std::uint16_t read16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return kOpaque | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

}  // namespace

std::vector<Point> linePixels(Point from, Point to, bool dotted) {
    const std::int32_t dx = to.h - from.h;
    const std::int32_t dy = to.v - from.v;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const std::int32_t steps = xMajor ? std::abs(dx) : std::abs(dy);
    const std::int32_t major = xMajor ? dx : dy;
    const std::int32_t minor = xMajor ? dy : dx;
    const std::int32_t direction = major > 0 ? 1 : -1;
    std::vector<Point> pixels;
    pixels.reserve(std::size_t(steps));
    for (std::int32_t i = 0; i < steps; ++i) {
        if (dotted && i % kDotPeriod >= kDotOn) {
            continue;
        }
        // The exact minor offset is minor * i / steps; a half rounds down, so the
        // offset is ceil(minor * i / steps - 1/2), in integers throughout.
        const std::int32_t offset = ceilDiv(2 * std::int64_t(minor) * i - steps, 2 * std::int64_t(steps));
        pixels.push_back(xMajor ? Point(from.h + direction * i, from.v + offset)
                                : Point(from.h + offset, from.v + direction * i));
    }
    return pixels;
}

void setSourceColor(cairo_t* cr, Color color) {
    cairo_set_source_rgb(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0);
}

void fillPixels(cairo_t* cr, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

void drawLine(cairo_t* cr, Point from, Point to, bool dotted) {
    const std::vector<Point> pixels = linePixels(from, to, dotted);
    if (pixels.empty()) {
        return;
    }
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const Point& p : pixels) {
        cairo_rectangle(cr, p.h, p.v, 1, 1);
    }
    // Non-zero winding over disjoint unit squares is exactly their union.
    cairo_fill(cr);
    cairo_restore(cr);
}

void copyPixels(cairo_t* cr, cairo_surface_t* source, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, std::int32_t sx, std::int32_t sy) {
    if (!source || width <= 0 || height <= 0) {
        return;
    }
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(cr, source, x - sx, y - sy);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

bool decodeBmp(const std::uint8_t* data, std::size_t size, Image& image) {
    image = Image();
    if (!data || size < kFileHeaderSize + kMinimumInfoSize || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const std::uint32_t pixelOffset = read32(data + kPixelOffsetAt);
    const std::uint32_t infoSize = read32(data + kInfoSizeAt);
    const std::int32_t width = std::int32_t(read32(data + kWidthAt));
    const std::int32_t rawHeight = std::int32_t(read32(data + kHeightAt));
    const std::uint16_t bits = read16(data + kBitsAt);
    const std::uint32_t compression = read32(data + kCompressionAt);
    const bool topDown = rawHeight < 0;
    // The most negative height has no positive twin: refused before it is negated.
    if (rawHeight == std::numeric_limits<std::int32_t>::min()) {
        return false;
    }
    const std::int32_t height = topDown ? -rawHeight : rawHeight;
    if (infoSize < kMinimumInfoSize || width <= 0 || height <= 0 || width > kLargestSide ||
        height > kLargestSide) {
        return false;
    }
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (!(paletted || bits == 24 || bits == 32) ||
        !(compression == kCompressionNone || (compression == kCompressionBitFields && bits == 32))) {
        return false;
    }
    // Rows are padded to whole 32-bit words.
    const std::size_t stride = ((std::size_t(width) * bits + 31) / 32) * 4;
    if (pixelOffset > size || (size - pixelOffset) / stride < std::size_t(height)) {
        return false;
    }
    std::uint32_t palette[256] = {};
    if (paletted) {
        std::uint32_t colours = read32(data + kColoursUsedAt);
        const std::uint32_t most = 1u << bits;
        if (colours == 0 || colours > most) {
            colours = most;
        }
        const std::size_t paletteAt = kFileHeaderSize + infoSize;
        if (paletteAt + std::size_t(colours) * 4 > pixelOffset) {
            return false;
        }
        for (std::uint32_t i = 0; i < colours; ++i) {
            const std::uint8_t* entry = data + paletteAt + i * 4;  // blue, green, red, reserved
            palette[i] = rgb(entry[2], entry[1], entry[0]);
        }
    }

    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t(width) * std::size_t(height));
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* source =
            data + pixelOffset + stride * std::size_t(topDown ? row : height - 1 - row);
        std::uint32_t* target = image.pixels.data() + std::size_t(row) * std::size_t(width);
        for (std::int32_t x = 0; x < width; ++x) {
            if (bits == 24 || bits == 32) {
                const std::uint8_t* p = source + std::size_t(x) * (bits / 8);
                target[x] = rgb(p[2], p[1], p[0]);
            } else {
                const std::size_t bit = std::size_t(x) * bits;
                const std::uint32_t index = (source[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                target[x] = palette[index];
            }
        }
    }
    return true;
}

cairo_surface_t* makeSurface(const Image& image) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        return surface;
    }
    cairo_surface_flush(surface);
    unsigned char* base = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (std::int32_t y = 0; y < image.height; ++y) {
        std::memcpy(base + std::size_t(y) * std::size_t(stride),
                    image.pixels.data() + std::size_t(y) * std::size_t(image.width),
                    std::size_t(image.width) * sizeof(std::uint32_t));
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace qp::x11
