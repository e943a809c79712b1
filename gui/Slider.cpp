#include "gui/Slider.h"

#include "gui/Bitmap.h"
#include "gui/ControlEditing.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OffscreenContext.h"

namespace qp {

Slider::Slider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t minimumPosition,
               std::int32_t maximumPosition, Bitmap* handle, Bitmap* background, Point offset,
               std::int32_t style)
    : Control(size, listener, tag, background),
      offset_(offset),
      controlWidth_(size.width()),
      controlHeight_(size.height()) {
    geometry_.style = style;
    geometry_.minimumPosition = minimumPosition - (geometry_.horizontal() ? size.left : size.top);
    geometry_.range = maximumPosition - minimumPosition;
    setHandleBitmap(handle);
    setHandleOffset(Point(0, 0));
}

Slider::~Slider() {
    delete offscreen_;
    if (handleBitmap_) {
        handleBitmap_->release();
    }
}

bool Slider::attached(View* parent) {
    delete offscreen_;
    offscreen_ = new OffscreenContext(frame_, controlWidth_, controlHeight_, colorBlack);
    return Control::attached(parent);
}

bool Slider::removed(View* parent) {
    delete offscreen_;
    offscreen_ = nullptr;
    return Control::removed(parent);
}

void Slider::draw(DrawContext* context) {
    // Drawn outside a frame (or before being attached): compose in a surface of
    // our own for this one draw.
    OffscreenContext* temporary = nullptr;
    OffscreenContext* surface = offscreen_;
    if (!surface) {
        surface = temporary = new OffscreenContext(frame_, controlWidth_, controlHeight_, colorBlack);
    }

    const Rect whole(0, 0, controlWidth_, controlHeight_);
    if (background_) {
        if (transparent_) {
            background_->drawTransparent(surface, whole, offset_);
        } else {
            background_->draw(surface, whole, offset_);
        }
    } else {
        // Without a background the handle's previous position would stay in the
        // surface: start from the surface's own colour every time.
        surface->setFillColor(surface->getBackgroundColor());
        surface->setLineColor(surface->getBackgroundColor());
        surface->fillRect(whole);
        surface->drawRectOutline(whole);
    }
    if (handleBitmap_) {
        const Rect handle = geometry_.handleRect(value_);
        if (drawTransparentHandle_) {
            handleBitmap_->drawTransparent(surface, handle, Point(0, 0));
        } else {
            handleBitmap_->draw(surface, handle, Point(0, 0));
        }
    }
    surface->copyTo(context, size_, Point(0, 0));
    delete temporary;
    setDirty(false);
}

std::int32_t Slider::handlePosition() const {
    return (geometry_.horizontal() ? size_.left : size_.top) + geometry_.handleStart(value_);
}

void Slider::mouseDown(DrawContext* context, Point where) {
    if (!context || !mouseEnabled_) {
        return;
    }
    const std::int32_t clickButtons = context->pollMouseButtons();
    if (clickButtons == kButtonsForDefaultValue) {
        setValue(getDefaultValue());
        notifyIfDirty(*this, context);
        return;
    }
    if (!(clickButtons & kButtonLeft)) {
        return;
    }

    const bool horizontal = geometry_.horizontal();
    // The coordinate that means value 0 (before the style's turn).
    std::int32_t delta =
        horizontal ? size_.left + geometry_.handleOffset.h : size_.top + geometry_.handleOffset.v;
    if (freeClick_) {
        // The handle's middle goes under the pointer.
        delta += (horizontal ? geometry_.handleWidth : geometry_.handleHeight) / 2 - 1;
    } else {
        const Rect handle = geometry_.handleRect(value_).offsetBy(size_.left, size_.top);
        if (!handle.isInside(where)) {
            return;
        }
        // Keep the handle where it was grabbed.
        delta += (horizontal ? where.h : where.v) - handlePosition();
    }

    // The drag owns its state: on X11 it outlives this press.
    trackDrag(*this, context, where,
              [this, horizontal, drag = SliderDrag(geometry_, delta, zoomFactor_)](
                  DrawContext* context, Point point, std::int32_t buttons) mutable {
                  setValue(drag.follow(horizontal ? point.h : point.v, (buttons & kModShift) != 0, value_));
                  clampValue();
                  notifyIfDirty(*this, context);
              });
}

std::int32_t Slider::keyDown(KeyCode& key) { return arrowKeyStep(*this, key); }

bool Slider::wheel(DrawContext* context, Point, float distance) {
    return wheelStep(*this, context, distance);
}

void Slider::setDrawTransparentHandle(bool transparent) { drawTransparentHandle_ = transparent; }

void Slider::setFreeClick(bool freeClick) { freeClick_ = freeClick; }

bool Slider::getFreeClick() const { return freeClick_; }

void Slider::setHandleOffset(Point offset) { geometry_.handleOffset = offset; }

void Slider::setHandleBitmap(Bitmap* handle) {
    holdBitmap(handleBitmap_, handle);
    geometry_.handleWidth = handle ? handle->getWidth() : 1;
    geometry_.handleHeight = handle ? handle->getHeight() : 1;
}

Bitmap* Slider::getHandleBitmap() const { return handleBitmap_; }

void Slider::setZoomFactor(float factor) { zoomFactor_ = factor; }

float Slider::getZoomFactor() const { return zoomFactor_; }

}  // namespace qp
