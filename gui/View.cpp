#include "gui/View.h"

#include "gui/Frame.h"

namespace qp {

View::View(const Rect& size)
    : size_(size),
      mouseArea_(size) {}

View::~View() = default;

void View::draw(DrawContext*) { setDirty(false); }

void View::drawArea(DrawContext* context, const Rect&) { draw(context); }

bool View::overlaps(const Rect& area) const { return size_.overlaps(area); }

void View::mouseDown(DrawContext*, Point) {}

void View::update(DrawContext* context) {
    if (isDirty()) {
        draw(context);
        setDirty(false);
    }
}

std::int32_t View::notify(View*, const char*) { return 0; }

std::int32_t View::keyDown(KeyCode&) { return -1; }

std::int32_t View::keyUp(KeyCode&) { return -1; }

bool View::drop(const char* const*, std::int32_t, std::int32_t, Point) { return false; }

bool View::wheel(DrawContext*, Point, float) { return false; }

void View::loseFocus(DrawContext*) {}

void View::takeFocus(DrawContext*) {}

bool View::isDirty() const { return dirty_; }

void View::setDirty(bool dirty) { dirty_ = dirty; }

void View::setMouseEnabled(bool enabled) { mouseEnabled_ = enabled; }

bool View::isMouseEnabled() const { return mouseEnabled_; }

void View::setMouseArea(const Rect& area) { mouseArea_ = area; }

Rect& View::getMouseArea(Rect& out) const {
    out = mouseArea_;
    return out;
}

bool View::hitTest(Point where, std::int32_t) { return size_.isInside(where); }

void View::setTransparency(bool transparent) { transparent_ = transparent; }

bool View::getTransparency() const { return transparent_; }

void View::setSize(const Rect& size) {
    size_ = size;
    setDirty(true);
}

Rect& View::getSize(Rect& out) const {
    out = size_;
    return out;
}

void View::setParentView(View* parent) { parentView_ = parent; }

void View::setFrame(Frame* frame) { frame_ = frame; }

FrameOwner* View::getEditor() const { return frame_ ? frame_->getEditor() : nullptr; }

bool View::removed(View*) { return true; }

bool View::attached(View*) { return true; }

void View::release() {
    if (refCount_ <= 0) {
        return;
    }
    if (--refCount_ == 0) {
        delete this;
    }
}

void View::retain() { ++refCount_; }

std::int32_t View::getRefCount() const { return refCount_; }

void View::redraw() {
    if (frame_) {
        frame_->redrawView(this);
    }
}

}  // namespace qp
