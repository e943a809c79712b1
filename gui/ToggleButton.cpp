#include "gui/ToggleButton.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"

namespace qp {

ToggleButton::ToggleButton(const Rect& size, ControlListener* listener, std::int32_t tag,
                           std::int32_t pictureHeight, Bitmap* background, Point offset)
    : Control(size, listener, tag, background),
      offset_(offset),
      pictureHeight_(pictureHeight) {
    lastShownValue_ = value_;
}

ToggleButton::~ToggleButton() = default;

void ToggleButton::draw(DrawContext* context) {
    clampValue();
    if (background_) {
        const Point source(0, value_ == 0.0f ? 0 : pictureHeight_);
        if (transparent_) {
            background_->drawTransparent(context, size_, source);
        } else {
            background_->draw(context, size_, source);
        }
    }
    lastShownValue_ = value_;
    setDirty(false);
}

void ToggleButton::followPress(DrawContext* context, Point point, float entryValue, float flipped,
                               float& told) {
    setValue(size_.isInside(point) ? flipped : entryValue);
    if (value_ != told && listener_) {
        told = value_;
        listener_->valueChanged(context, this);
    }
}

}  // namespace qp
