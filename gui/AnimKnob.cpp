#include "gui/AnimKnob.h"

#include "gui/Bitmap.h"

namespace qp {

std::int32_t animKnobFrameTop(float value, std::int32_t frames, std::int32_t frameHeight, bool inverse) {
    // Written so that a NaN value, like a negative one, shows the first frame.
    if (!(value >= 0.0f) || frames < 2 || frameHeight <= 0) {
        return 0;
    }
    const std::int32_t span = frameHeight * (frames - 1);
    float position = inverse ? 1.0f - value : value;
    // A value beyond the range (setValue does not clamp) shows the end frame
    // rather than a picture from past the end of the strip.
    if (position < 0.0f) {
        position = 0.0f;
    } else if (position > 1.0f) {
        position = 1.0f;
    }
    const std::int32_t y = std::int32_t(position * float(span));
    // The frame whose span contains y; exactly span is the last frame.
    return y >= span ? span : (y / frameHeight) * frameHeight;
}

AnimKnob::AnimKnob(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t frames,
                   std::int32_t frameHeight, Bitmap* background, Point offset)
    : Knob(size, listener, tag, background, nullptr, offset),
      FilmStrip(frames, frameHeight) {
    geometry_.inset = 0;
}

AnimKnob::~AnimKnob() = default;

void AnimKnob::draw(DrawContext* context) {
    if (background_) {
        drawBackgroundFrame(context, Point(0, animKnobFrameTop(value_, frames_, frameHeight_, inverse_)));
    }
    setDirty(false);
}

}  // namespace qp
