// Bitmap on GDI: bitmap resources of a module, copied with BitBlt and keyed
// out with TransparentBlt or, without it, through a monochrome mask.
#include "gui/Bitmap.h"

#include "gui/DrawContext.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/TransparentBlitLibraryWin32.h"

namespace qp {

namespace {

TransparentBlitProc theTransparentBlit = nullptr;

// Mask-path colours: with the mask context's background white and text black,
// a monochrome mask copied onto a colour surface turns 1 bits white, 0 bits black.
constexpr COLORREF kMaskWhite = 0xFFFFFF;
constexpr COLORREF kMaskBlack = 0x000000;

void drawMasked(HDC target, HDC memory, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                Point from, Color transparentColor);

}  // namespace

void setTransparentBlit(TransparentBlitProc proc) { theTransparentBlit = proc; }
TransparentBlitProc transparentBlit() { return theTransparentBlit; }

Bitmap::~Bitmap() { native::deleteObject(win32::hbitmap(bitmap_)); }

void Bitmap::load(NativeModule module) {
    // Resource ids are 16-bit; the higher bits of the int are not part of the name.
    bitmap_ = native::loadBitmap(win32::hinstance(module), resourceId_ & 0xFFFF);
    BITMAP header;
    if (bitmap_ && GetObjectA(bitmap_, sizeof(header), &header)) {
        width_ = header.bmWidth;
        height_ = header.bmHeight;
    }
}

void Bitmap::loadPixels(std::int32_t width, std::int32_t height, const std::uint8_t* rgb) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the pixels come
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = native::createDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits);
    if (!section || !bits) {
        native::deleteObject(section);
        return;
    }
    // GDI's rows are blue, green, red, each padded to four bytes.
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    for (std::int32_t y = 0; y < height; ++y) {
        auto* to = static_cast<std::uint8_t*>(bits) + std::size_t(y) * stride;
        const std::uint8_t* from = rgb + std::size_t(y) * std::size_t(width) * 3;
        for (std::int32_t x = 0; x < width; ++x, to += 3, from += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    GdiFlush();
    bitmap_ = section;
    width_ = width;
    height_ = height;
}

void Bitmap::draw(DrawContext* context, const Rect& dest, Point source) {
    if (!bitmap_ || !context) {
        return;
    }
    HDC target = win32::hdc(context->getDeviceContext());
    HDC memory = native::createCompatibleDC(target);
    HGDIOBJ previous = SelectObject(memory, bitmap_);
    const Point offset = context->getOffset();
    BitBlt(target, dest.left + offset.h, dest.top + offset.v, dest.width(), dest.height(), memory, source.h,
           source.v, SRCCOPY);
    SelectObject(memory, previous);
    native::deleteDC(memory);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& dest, Point source) {
    if (!bitmap_ || !context) {
        return;
    }
    HDC target = win32::hdc(context->getDeviceContext());
    const Point offset = context->getOffset();
    const std::int32_t x = dest.left + offset.h;
    const std::int32_t y = dest.top + offset.v;
    const std::int32_t w = dest.width();
    const std::int32_t h = dest.height();

    HDC memory = native::createCompatibleDC(target);
    HGDIOBJ previous = SelectObject(memory, bitmap_);
    if (theTransparentBlit) {
        theTransparentBlit(target, x, y, w, h, memory, source.h, source.v, w, h,
                           transparentColor_.toNative());
    } else {
        drawMasked(target, memory, x, y, w, h, source, transparentColor_);
    }
    SelectObject(memory, previous);
    native::deleteDC(memory);
}

namespace {

void drawMasked(HDC target, HDC memory, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                Point from, Color transparentColor) {
    HDC mask = native::createCompatibleDC(target);
    const COLORREF savedBack = SetBkColor(target, kMaskWhite);
    const COLORREF savedText = SetTextColor(target, kMaskBlack);

    HBITMAP maskBitmap = native::createBitmap(w, h, 1, 1, nullptr);
    HGDIOBJ previousMask = SelectObject(mask, maskBitmap);

    // Copying colour to monochrome: pixels equal to the source's background colour
    // become 1, all others 0. So the mask is 1 exactly where the key colour is.
    const COLORREF savedMemoryBack = SetBkColor(memory, transparentColor.toNative());
    BitBlt(mask, 0, 0, w, h, memory, from.h, from.v, SRCCOPY);
    SetBkColor(memory, savedMemoryBack);

    // dest ^ bmp, then & mask (1 keeps, 0 clears), then ^ bmp: where the mask is 1
    // the two XORs cancel and dest is unchanged; where it is 0 the result is bmp.
    BitBlt(target, x, y, w, h, memory, from.h, from.v, SRCINVERT);
    BitBlt(target, x, y, w, h, mask, 0, 0, SRCAND);
    BitBlt(target, x, y, w, h, memory, from.h, from.v, SRCINVERT);

    SelectObject(mask, previousMask);
    native::deleteObject(maskBitmap);
    native::deleteDC(mask);
    SetBkColor(target, savedBack);
    SetTextColor(target, savedText);
}

}  // namespace

}  // namespace qp
