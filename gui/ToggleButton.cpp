#include "gui/ToggleButton.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/TrackingScope.h"

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

void ToggleButton::mouseDown(DrawContext* context, Point where) {
    const std::int32_t clickButtons = leftPressButtons(context);
    if (clickButtons == 0) {
        return;
    }
    const float entryValue = value_;
    const float flipped = entryValue == 0.0f ? 1.0f : 0.0f;
    // Holds this button until the end of the function, whatever the host does
    // in the listener or the idle steps.
    TrackingScope tracking(*this);

    if (context->pollMouseButtons() != 0) {
        tracking.beginEdit(tag_);
        Point point = where;
        // The listener hears each change once: the dirty state alone would repeat
        // a change on every step until the next redraw, and would miss one on a
        // button never drawn yet.
        float told = entryValue;
        do {
            setValue(size_.isInside(point) ? flipped : entryValue);
            if (value_ != told && listener_) {
                told = value_;
                listener_->valueChanged(context, this);
            }
            context->pollMouseLocation(point);
        } while (tracking.idle() && context->pollMouseButtons() == clickButtons);
    } else {
        // Released before the first look: a plain click.
        setValue(flipped);
        if (listener_) {
            listener_->valueChanged(context, this);
        }
    }
    lastShownValue_ = value_;
}

}  // namespace qp
