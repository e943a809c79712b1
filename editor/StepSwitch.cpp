#include "editor/StepSwitch.h"

#include <cmath>

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/TrackingScope.h"

namespace qp {

StepSwitch::StepSwitch(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t positions,
                       std::int32_t pictureHeight, Bitmap* background, Point offset)
    : FrameAnimation(size, listener, tag, positions, pictureHeight, background, offset) {
    value_ = 0.0f;
}

StepSwitch::~StepSwitch() = default;

void StepSwitch::draw(DrawContext* context) {
    const Point source(offset_.h, std::int32_t(float(frameHeight_) * value_) + offset_.v);
    drawBackgroundFrame(context, source);
    setDirty(false);
}

void StepSwitch::mouseDown(DrawContext* context, Point) {
    if (!isMouseEnabled() || !context || !(context->pollMouseButtons() & kButtonLeft)) {
        return;
    }
    TrackingScope tracking(*this);
    nextFrame();
    setDirty(true);
    if (listener_) {
        listener_->valueChanged(context, this);
    }
    // The listener reached the host, which may have closed the editor.
    if (!tracking.frameLost()) {
        draw(context);
    }
}

void StepSwitch::setValue(float value) {
    value_ = (std::isnan(value) || value > float(frames_ - 1)) ? 0.0f : value;
}

void StepSwitch::nextFrame() {
    value_ += 1.0f;
    if (value_ > float(frames_ - 1)) {
        value_ = 0.0f;
    }
}

}  // namespace qp
