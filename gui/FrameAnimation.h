// One frame of a vertical film strip, shown while the animation is opened and
// stepped forward or back by its owner. Its value is a pixel offset into the
// strip, not a 0..1 quantity. A click opens a closed animation (and tells the
// listener) or closes an opened one.
#pragma once

#include <cstdint>

#include "gui/Control.h"
#include "gui/FilmStrip.h"

namespace qp {

class FrameAnimation : public Control, public FilmStrip {
public:
    FrameAnimation(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t frames,
                   std::int32_t frameHeight, Bitmap* background, Point offset = Point());
    ~FrameAnimation() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;

    virtual void open();
    virtual void close();
    // Forward one frame; cycles through all but the last frame of the strip.
    virtual void nextFrame();
    // Back one frame; from the first it goes to one pixel above the last frame.
    virtual void previousFrame();

    bool isOpened() const { return opened_; }

protected:
    Point offset_;
    std::int32_t totalHeight_;
    bool opened_ = false;
};

}  // namespace qp
