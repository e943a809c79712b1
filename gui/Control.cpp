#include "gui/Control.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/System.h"

namespace qp {

namespace {

// What setDirty(true) stores as the drawn value: anything but the value itself.
constexpr float kNotDrawnMarker = -1.0f;

}  // namespace

Control::Control(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background)
    : View(size),
      listener_(listener),
      tag_(tag),
      doubleClick_(doubleClickIntervalFrom(doubleClickTime())),
      background_(background) {
    if (background_) {
        background_->retain();
    }
}

Control::~Control() {
    if (background_) {
        background_->release();
    }
}

std::int32_t Control::leftPressButtons(DrawContext* context) const {
    if (!context || !mouseEnabled_) {
        return 0;
    }
    const std::int32_t buttons = context->pollMouseButtons();
    return (buttons & kButtonLeft) ? buttons : 0;
}

bool Control::isDirty() const {
    // Written as "not equal" so that a NaN value (unordered) counts as changed.
    if (!(oldValue_ == value_)) {
        return true;
    }
    return dirty_;
}

void Control::setDirty(bool dirty) {
    dirty_ = dirty;
    if (!dirty) {
        oldValue_ = value_;
    } else {
        oldValue_ = value_ == kNotDrawnMarker ? 0.0f : kNotDrawnMarker;
    }
}

void Control::doIdle() {
    if (frame_) {
        frame_->doIdleProcessing();
    }
}

void Control::setValue(float value) { value_ = value; }
float Control::getValue() const { return value_; }
void Control::setMin(float value) { vmin_ = value; }
float Control::getMin() const { return vmin_; }
void Control::setMax(float value) { vmax_ = value; }
float Control::getMax() const { return vmax_; }
void Control::setOldValue(float value) { oldValue_ = value; }
float Control::getOldValue() const { return oldValue_; }
void Control::setDefaultValue(float value) { defaultValue_ = value; }
float Control::getDefaultValue() const { return defaultValue_; }
void Control::setTag(std::int32_t tag) { tag_ = tag; }

void Control::setBackground(Bitmap* background) { holdBitmap(background_, background); }

Bitmap* Control::getBackground() const { return background_; }

void Control::setBackgroundOffset(Point offset) { backgroundOffset_ = offset; }

void Control::copyBackgroundOffset() { backgroundOffset_ = Point(size_.left, size_.top); }

void Control::setWheelIncrement(float increment) { wheelIncrement_ = increment; }

float Control::getWheelIncrement() const { return wheelIncrement_; }

void Control::clampValue() {
    if (value_ > vmax_) {
        value_ = vmax_;
    } else if (value_ < vmin_) {
        value_ = vmin_;
    }
}

bool Control::isDoubleClick() {
    return doubleClick_.press(frame_ ? frame_->getTicks() : DoubleClick::kNoClock);
}

void Control::drawBackgroundFrame(DrawContext* context, Point source) {
    if (!background_) {
        return;
    }
    if (transparent_) {
        background_->drawTransparent(context, size_, source);
    } else {
        background_->draw(context, size_, source);
    }
}

}  // namespace qp
