// Bitmap on X11: the same .bmp files as the Windows resources, compiled into the
// binary (ResourcesX11.h), decoded once into a cairo image surface and copied
// pixel for pixel; keyed drawing leaves every pixel of the key colour out.
#include <cairo.h>

#include <algorithm>
#include <cstring>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/PainterX11.h"
#include "gui/ResourcesX11.h"

namespace qp {

namespace {

cairo_surface_t* surfaceOf(NativeBitmap bitmap) { return static_cast<cairo_surface_t*>(bitmap); }

// Resource ids are 16-bit, as on Windows: the higher bits of the int are not
// part of the name.
constexpr std::int32_t kResourceIdMask = 0xFFFF;
constexpr std::uint32_t kRgbMask = 0xFFFFFF;

}  // namespace

Bitmap::~Bitmap() {
    if (bitmap_) {
        cairo_surface_destroy(surfaceOf(bitmap_));
    }
}

void Bitmap::load(NativeModule module) {
    const auto* table = static_cast<const x11::ResourceTable*>(module);
    const x11::EmbeddedResource* entry = table ? table->find(resourceId_ & kResourceIdMask) : nullptr;
    x11::Image image;
    if (!entry || !x11::decodeBmp(entry->data, entry->size, image)) {
        return;
    }
    cairo_surface_t* surface = x11::makeSurface(image);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    bitmap_ = surface;
    width_ = image.width;
    height_ = image.height;
}

void Bitmap::loadPixels(std::int32_t width, std::int32_t height, const std::uint8_t* rgb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    cairo_surface_flush(surface);
    unsigned char* base = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (std::int32_t y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(base + std::size_t(y) * std::size_t(stride));
        const std::uint8_t* from = rgb + std::size_t(y) * std::size_t(width) * 3;
        for (std::int32_t x = 0; x < width; ++x, from += 3) {
            row[x] = (std::uint32_t(from[0]) << 16) | (std::uint32_t(from[1]) << 8) | from[2];
        }
    }
    cairo_surface_mark_dirty(surface);
    bitmap_ = surface;
    width_ = width;
    height_ = height;
}

void Bitmap::draw(DrawContext* context, const Rect& dest, Point source) {
    if (!bitmap_ || !context || !context->getDeviceContext()) {
        return;
    }
    const Point offset = context->getOffset();
    x11::copyPixels(static_cast<cairo_t*>(context->getDeviceContext()), surfaceOf(bitmap_),
                    dest.left + offset.h, dest.top + offset.v, dest.width(), dest.height(), source.h,
                    source.v);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& dest, Point source) {
    if (!bitmap_ || !context || !context->getDeviceContext()) {
        return;
    }
    // Only the part of the picture that is copied is keyed (a knob's frame, not
    // its whole strip): a surface of that part with the key colour's pixels
    // made transparent, which leave the destination as it was.
    const std::int32_t left = std::max(source.h, 0);
    const std::int32_t top = std::max(source.v, 0);
    const std::int32_t right = std::min(source.h + dest.width(), width_);
    const std::int32_t bottom = std::min(source.v + dest.height(), height_);
    if (right <= left || bottom <= top) {
        return;
    }
    cairo_surface_t* picture = surfaceOf(bitmap_);
    cairo_surface_flush(picture);
    const unsigned char* from = cairo_image_surface_get_data(picture);
    const int fromStride = cairo_image_surface_get_stride(picture);
    cairo_surface_t* part = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top);
    unsigned char* to = cairo_image_surface_get_data(part);
    if (!to) {
        cairo_surface_destroy(part);
        return;
    }
    const int toStride = cairo_image_surface_get_stride(part);
    const std::uint32_t key = transparentColor_.blue | (std::uint32_t(transparentColor_.green) << 8) |
                              (std::uint32_t(transparentColor_.red) << 16);
    for (std::int32_t y = top; y < bottom; ++y) {
        for (std::int32_t x = left; x < right; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, from + std::size_t(y) * std::size_t(fromStride) + std::size_t(x) * 4, 4);
            pixel &= kRgbMask;
            // Premultiplied: transparent is all zeros, opaque is alpha 255.
            const std::uint32_t out = pixel == key ? 0u : (pixel | 0xFF000000u);
            std::memcpy(to + std::size_t(y - top) * std::size_t(toStride) + std::size_t(x - left) * 4, &out,
                        4);
        }
    }
    cairo_surface_mark_dirty(part);
    const Point offset = context->getOffset();
    x11::copyPixels(static_cast<cairo_t*>(context->getDeviceContext()), part,
                    dest.left + offset.h + (left - source.h), dest.top + offset.v + (top - source.v),
                    right - left, bottom - top, 0, 0);
    cairo_surface_destroy(part);
}

}  // namespace qp
