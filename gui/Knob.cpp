#include "gui/Knob.h"

#include "gui/Bitmap.h"
#include "gui/ControlEditing.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/KnobDrag.h"

namespace qp {

namespace {

constexpr std::int32_t kInsetWithoutHandle = 3;

// A handle bitmap ends half its width plus a little short of the rim.
std::int32_t insetForHandle(const Bitmap* handle) {
    return handle ? std::int32_t(float(handle->getWidth()) * 0.5f + 2.5f) : kInsetWithoutHandle;
}

}  // namespace

Knob::Knob(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background, Bitmap* handle,
           Point offset)
    : Control(size, listener, tag, background),
      offset_(offset),
      handleBitmap_(handle) {
    geometry_.radius = float(size.right - size.left) * 0.5f;
    geometry_.inset = insetForHandle(handle);
    if (handleBitmap_) {
        handleBitmap_->retain();
    }
}

Knob::~Knob() {
    if (handleBitmap_) {
        handleBitmap_->release();
    }
}

KnobGeometry Knob::geometry() const {
    KnobGeometry g = geometry_;
    g.minimum = vmin_;
    g.maximum = vmax_;
    return g;
}

void Knob::draw(DrawContext* context) {
    if (background_) {
        if (transparent_) {
            background_->drawTransparent(context, size_, offset_);
        } else {
            background_->draw(context, size_, offset_);
        }
    }
    drawHandle(context);
    setDirty(false);
}

void Knob::drawHandle(DrawContext* context) {
    Point p;
    valueToPoint(p);
    if (handleBitmap_) {
        const std::int32_t w = handleBitmap_->getWidth();
        const std::int32_t h = handleBitmap_->getHeight();
        const std::int32_t left = size_.left + p.h - w / 2;
        const std::int32_t top = size_.top + p.v - h / 2;
        handleBitmap_->drawTransparent(context, Rect(left, top, left + w, top + h), Point(0, 0));
        return;
    }
    // A shadow line and, one pixel up and right, the handle line over it.
    Point end(p.h + size_.left - 1, p.v + size_.top);
    Point centre(size_.width() / 2 + size_.left - 1, size_.top + size_.height() / 2);
    context->setLineColor(shadowColor_);
    context->moveTo(end);
    context->lineTo(centre);
    end.offset(1, -1);
    centre.offset(1, -1);
    context->setLineColor(handleColor_);
    context->moveTo(end);
    context->lineTo(centre);
}

void Knob::mouseDown(DrawContext* context, Point where) {
    const std::int32_t clickButtons = leftPressButtons(context);
    if (clickButtons == 0) {
        return;
    }
    // Exactly left + control: with shift or alt as well it is an ordinary drag.
    if (clickButtons == kButtonsForDefaultValue) {
        setValue(getDefaultValue());
        notifyIfDirty(*this, context);
        return;
    }

    const bool altHeld = (clickButtons & kModAlt) != 0;
    const bool modeIsLinear = frame_ && frame_->getKnobMode() == KnobMode::linear;
    const bool linear = modeIsLinear != altHeld;

    // The drag owns its state: on X11 it outlives this press.
    Point local(where.h - size_.left, where.v - size_.top);
    trackDrag(*this, context, where,
              [this, linear,
               linearDrag = LinearKnobDrag(vmin_, vmax_, value_, where, (clickButtons & kModShift) != 0,
                                           zoomFactor_, frame_ ? frame_->getZoom() : 100),
               circularDrag = CircularKnobDrag(vmin_, vmax_, valueFromPoint(local)), last = Point(-1, -1),
               lastButtons = clickButtons](DrawContext* context, Point point, std::int32_t buttons) mutable {
                  const bool moved = !(point == last);
                  if (linear && (moved || buttons != lastButtons)) {
                      // A change of shift is taken where it happens, even before the
                      // pointer moves on: the pixels after it get the new sensitivity.
                      setValue(linearDrag.follow(point, (buttons & kModShift) != 0));
                      clampValue();
                  } else if (!linear && moved) {
                      Point pointed(point.h - size_.left, point.v - size_.top);
                      setValue(circularDrag.follow(valueFromPoint(pointed)));
                  }
                  if (moved) {
                      notifyIfDirty(*this, context);
                  }
                  last = point;
                  lastButtons = buttons;
              });
}

std::int32_t Knob::keyDown(KeyCode& key) { return arrowKeyStep(*this, key); }

bool Knob::wheel(DrawContext* context, Point, float distance) { return wheelStep(*this, context, distance); }

void Knob::setStartAngle(float angle) {
    geometry_.startAngle = angle;
    setDirty(true);
}

float Knob::getStartAngle() const { return geometry_.startAngle; }

void Knob::setRangeAngle(float angle) {
    geometry_.rangeAngle = angle;
    setDirty(true);
}

float Knob::getRangeAngle() const { return geometry_.rangeAngle; }

void Knob::valueToPoint(Point& point) const { point = geometry().valueToPoint(value_); }

float Knob::valueFromPoint(Point& point) const { return geometry().valueFromPoint(point); }

void Knob::setInset(std::int32_t inset) { geometry_.inset = inset; }

void Knob::setShadowColor(Color color) {
    shadowColor_ = color;
    setDirty(true);
}

void Knob::setHandleColor(Color color) {
    handleColor_ = color;
    setDirty(true);
}

void Knob::setHandleBitmap(Bitmap* handle) {
    holdBitmap(handleBitmap_, handle);
    geometry_.inset = insetForHandle(handle);
}

void Knob::setZoomFactor(float factor) { zoomFactor_ = factor; }

float Knob::getZoomFactor() const { return zoomFactor_; }

}  // namespace qp
