// A DrawContext over a private bitmap in the screen's colour format. A view
// composes its picture here and reaches the screen with a single copyTo, which is
// how composite controls avoid flicker. The context owns its memory device
// context and its surface; both are deleted with it. The whole class is the back
// end's: OffscreenContextWin32.cpp (a compatible bitmap in a memory device
// context) and OffscreenContextX11.cpp (a cairo image surface).
#pragma once

#include <cstdint>

#include "gui/DrawContext.h"

namespace qp {

class OffscreenContext : public DrawContext {
public:
    // The surface takes the colour format of the frame's window (of the screen
    // when the frame is none or has no window) and starts filled with background.
    OffscreenContext(Frame* frame, std::int32_t width, std::int32_t height, Color background = colorBlack);
    ~OffscreenContext() override;

    // One copy of the surface area at source to destRect of dest (moved by dest's
    // offset).
    void copyTo(DrawContext* dest, Rect destRect, Point source = Point());

    std::int32_t getWidth() const { return width_; }
    std::int32_t getHeight() const { return height_; }
    Color getBackgroundColor() const { return backgroundColor_; }
    NativeBitmap getSurface() const { return surface_; }

private:
    // The whole surface, edges included, in the background colour (shared).
    void clearToBackground();

    std::int32_t height_;
    std::int32_t width_;
    bool ownsSurface_ = true;
    Color backgroundColor_;
    NativeBitmap surface_ = nullptr;
    // The back end's: GDI keeps the bitmap the memory device context held first.
    void* previousBitmap_ = nullptr;
};

}  // namespace qp
