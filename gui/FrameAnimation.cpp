#include "gui/FrameAnimation.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"

namespace qp {

FrameAnimation::FrameAnimation(const Rect& size, ControlListener* listener, std::int32_t tag,
                               std::int32_t frames, std::int32_t frameHeight, Bitmap* background,
                               Point offset)
    : Control(size, listener, tag, background),
      FilmStrip(frames, frameHeight),
      offset_(offset),
      totalHeight_(frames * frameHeight) {}

FrameAnimation::~FrameAnimation() = default;

void FrameAnimation::draw(DrawContext* context) {
    if (!opened_) {
        return;
    }
    drawBackgroundFrame(context, Point(offset_.h, std::int32_t(value_) + offset_.v));
    setDirty(false);
}

void FrameAnimation::mouseDown(DrawContext* context, Point) {
    if (!context || !mouseEnabled_ || !(context->pollMouseButtons() & kButtonLeft)) {
        return;
    }
    setValue(0.0f);
    if (opened_) {
        draw(context);
        close();
        return;
    }
    open();
    setDirty(true);
    if (listener_) {
        listener_->valueChanged(context, this);
    }
}

void FrameAnimation::open() { opened_ = true; }

void FrameAnimation::close() { opened_ = false; }

void FrameAnimation::nextFrame() {
    value_ += float(frameHeight_);
    if (value_ >= float(totalHeight_ - frameHeight_)) {
        value_ = 0.0f;
    }
}

void FrameAnimation::previousFrame() {
    value_ -= float(frameHeight_);
    if (value_ < 0.0f) {
        value_ = float(totalHeight_ - frameHeight_ - 1);
    }
}

}  // namespace qp
