// A picture loaded from a bitmap resource, shared by reference count between the
// editor's cache and every view that shows it, and drawn into a DrawContext
// either opaquely or with one colour keyed out.
//
// Ownership: created with a count of 1 for its creator; retain adds one, release
// takes one and frees the bitmap (and its native bitmap) at 0. A bitmap must be
// made with new. An owner that never shared its bitmap may delete it directly.
//
// Loading and drawing are the back end's (BitmapWin32.cpp: the module's bitmap
// resources, or a DIB section of pixels drawn in memory, through GDI;
// BitmapX11.cpp: the same .bmp files built into the library, or the pixels, in a
// cairo image surface).
#pragma once

#include <cstdint>

#include "gui/Color.h"
#include "gui/NativeHandles.h"
#include "gui/Point.h"
#include "gui/Rect.h"

namespace qp {

class DrawContext;

class Bitmap {
public:
    // From the toolkit's module (see GuiModule.h); the id's low 16 bits name the
    // resource. A missing resource gives a 0 x 0 bitmap that draws nothing.
    explicit Bitmap(std::int32_t resourceId);
    // From an explicit module (a test's own executable, or a library it loaded).
    Bitmap(NativeModule module, std::int32_t resourceId);
    // From a picture in memory (a zoom step's, drawn at run time): red, green and
    // blue bytes per pixel, the top row first, width * height pixels. The id
    // names what it shows. Nothing is kept of rgb; a size that is not positive,
    // or no pixels, gives a 0 x 0 bitmap that draws nothing.
    Bitmap(std::int32_t resourceId, std::int32_t width, std::int32_t height, const std::uint8_t* rgb);
    ~Bitmap();

    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain() { ++refCount_; }
    // A count already at 0 or below is left alone.
    void release();
    std::int32_t getRefCount() const { return refCount_; }

    std::int32_t getResourceId() const { return resourceId_; }
    std::int32_t getWidth() const { return width_; }
    std::int32_t getHeight() const { return height_; }
    bool isLoaded() const { return bitmap_ != nullptr; }

    void setTransparentColor(Color color) { transparentColor_ = color; }
    Color getTransparentColor() const { return transparentColor_; }

    // Copies the area of dest's size at source (inside the bitmap) to dest (in the
    // context's coordinates, moved by its offset).
    void draw(DrawContext* context, const Rect& dest, Point source = Point());
    // The same with every pixel of the transparent colour leaving the
    // destination untouched.
    void drawTransparent(DrawContext* context, const Rect& dest, Point source = Point());

    NativeBitmap getNativeBitmap() const { return bitmap_; }

private:
    void load(NativeModule module);
    void loadPixels(std::int32_t width, std::int32_t height, const std::uint8_t* rgb);

    std::int32_t resourceId_;
    std::int32_t refCount_ = 1;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    Color transparentColor_ = colorTransparent;
    NativeBitmap bitmap_ = nullptr;
};

// Makes held hold bitmap instead. Retain first: setting the bitmap already held
// must not free it on the way.
inline void holdBitmap(Bitmap*& held, Bitmap* bitmap) {
    if (bitmap) {
        bitmap->retain();
    }
    if (held) {
        held->release();
    }
    held = bitmap;
}

}  // namespace qp
