// A rotary control drawn as one frame of a vertical film strip (the background
// bitmap), picked by the value. It drags, steps and resets like a Knob.
#pragma once

#include <cstdint>

#include "gui/FilmStrip.h"
#include "gui/Knob.h"

namespace qp {

// The top row, inside the strip, of the frame a value shows: value 0 (or below,
// or not a number) the first frame, value 1 (or above) the last; inverse turns
// that round. Frames are frameHeight pixels high, frames of them one under another.
std::int32_t animKnobFrameTop(float value, std::int32_t frames, std::int32_t frameHeight, bool inverse);

class AnimKnob : public Knob, public FilmStrip {
public:
    AnimKnob(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t frames,
             std::int32_t frameHeight, Bitmap* background, Point offset = Point());
    ~AnimKnob() override;

    void draw(DrawContext* context) override;

    void setInverseBitmap(bool inverse) { inverse_ = inverse; }
    bool getInverseBitmap() const { return inverse_; }

protected:
    bool inverse_ = false;
};

}  // namespace qp
