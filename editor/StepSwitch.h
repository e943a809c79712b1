// A multi-position switch drawn from a vertical strip of pictures: its value is
// the position index 0 .. positions - 1, and each left click advances it by one,
// back to 0 after the last position. Unlike the animation it is built on, it is
// drawn whether or not it is opened.
#pragma once

#include <cstdint>

#include "gui/FrameAnimation.h"

namespace qp {

class StepSwitch : public FrameAnimation {
public:
    StepSwitch(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t positions,
               std::int32_t pictureHeight, Bitmap* background, Point offset = Point());
    ~StepSwitch() override;

    void draw(DrawContext* context) override;
    void mouseDown(DrawContext* context, Point where) override;
    // A value past the last position wraps to 0; a negative one is kept as given.
    void setValue(float value) override;
    void nextFrame() override;

    std::int32_t getPositions() const { return frames_; }
};

}  // namespace qp
