// Frame: its views, drawing, and the routing of presses, keys, wheel and drops.
// The window side (window, messages or events, cursor, drops) is the back end's,
// in FrameWin32.cpp and FrameX11.cpp.
#include "gui/Frame.h"

#include <algorithm>
#include <new>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/FrameOwner.h"
#include "gui/System.h"
#include "gui/TrackingScope.h"

namespace qp {

Frame::Frame(const Rect& size, NativeWindow parentWindow, FrameOwner* owner)
    : View(size),
      owner_(owner),
      parentWindow_(parentWindow) {
    openWindow();
}

Frame::~Frame() {
    // First of all: a control tracking inside one of this frame's messages (the
    // host closed the editor from there) must stop calling the frame from now on.
    lifeline_.end();
    setCursor(kCursorDefault);
    enableDrop(false);
    removeAllViews(true);
    if (background_) {
        background_->release();
        background_ = nullptr;
    }
    closeWindow();
}

void Frame::draw(DrawContext* context) {
    firstDrawPending_ = false;
    if (background_) {
        background_->draw(context, Rect(0, 0, background_->getWidth(), background_->getHeight()),
                          Point(0, 0));
    }
    for (std::size_t i = 0; i < views_.size(); ++i) {
        views_[i]->draw(context);
    }
    if (modalView_) {
        modalView_->draw(context);
    }
}

void Frame::drawArea(DrawContext* context, const Rect& area) {
    firstDrawPending_ = false;
    if (background_) {
        background_->draw(context, area, Point(area.left, area.top));
    }
    for (std::size_t i = 0; i < views_.size(); ++i) {
        if (views_[i]->overlaps(area)) {
            views_[i]->drawArea(context, area);
        }
    }
    // The modal view sits over everything and is drawn whole.
    if (modalView_ && modalView_->overlaps(area)) {
        modalView_->draw(context);
    }
}

void Frame::update(DrawContext* context) {
    if (!open_) {
        return;
    }
    if (modalView_) {
        modalView_->update(context);
    } else if (isDirty()) {
        draw(context);
        setDirty(false);
    } else {
        for (std::size_t i = 0; i < views_.size(); ++i) {
            views_[i]->update(context);
        }
    }
}

bool Frame::anyViewDirty() const {
    if (modalView_ || isDirty()) {
        return true;
    }
    for (View* view : views_) {
        if (view->isDirty()) {
            return true;
        }
    }
    return false;
}

void Frame::idle() {
    if (!pumpEvents()) {
        return;
    }
    if (!open_ || firstDrawPending_ || !window_ || !anyViewDirty()) {
        return;
    }
    NativeDC target = acquireDrawTarget();
    {
        DrawContext context(this, target, window_);
        update(&context);
    }
    releaseDrawTarget(window_, target);
}

void Frame::redrawView(View* view) {
    // A frame without a window has nowhere to draw (on Windows a device context
    // of no window would be the whole screen).
    if (!window_) {
        return;
    }
    NativeDC target = acquireDrawTarget();
    {
        DrawContext context(this, target, window_);
        if (view && isChild(view)) {
            view->draw(&context);
        } else {
            draw(&context);
        }
    }
    releaseDrawTarget(window_, target);
}

void Frame::mouseDown(DrawContext* context, Point where) {
    if (!dropEditView()) {
        return;
    }
    const std::int32_t buttons = context ? context->pollMouseButtons() : -1;
    if (modalView_) {
        if (modalView_->hitTest(where, buttons)) {
            modalView_->mouseDown(context, where);
        }
        return;
    }
    View* target = topmostChild([&](View* v) { return v->isMouseEnabled() && v->hitTest(where, buttons); });
    if (target) {
        target->mouseDown(context, where);
    }
}

std::int32_t Frame::routeKey(std::int32_t (View::*handler)(KeyCode&), KeyCode& key) {
    // A key may end a text edit, whose listener may close the editor.
    CallOut call(lifeline_);
    std::int32_t answer = -1;
    if (editView_ && ((answer = (editView_->*handler)(key)) != -1 || call.isLost())) {
        return answer;
    }
    if (modalView_ && ((answer = (modalView_->*handler)(key)) != -1 || call.isLost())) {
        return answer;
    }
    topmostChild([&](View* v) { return (answer = (v->*handler)(key)) != -1; });
    return answer;
}

std::int32_t Frame::keyDown(KeyCode& key) { return routeKey(&View::keyDown, key); }

std::int32_t Frame::keyUp(KeyCode& key) { return routeKey(&View::keyUp, key); }

bool Frame::drop(const char* const* items, std::int32_t count, std::int32_t type, Point where) {
    if (modalView_ || editView_) {
        return false;
    }
    return topmostChild([&](View* v) {
               return v->isMouseEnabled() && v->getViewSize().isInside(where) &&
                      v->drop(items, count, type, where);
           }) != nullptr;
}

bool Frame::wheel(DrawContext* context, Point, float distance) {
    View* target = getViewUnderMouse();
    if (!target) {
        return false;
    }
    NativeDC drawTarget = nullptr;
    DrawContext* temporary = nullptr;
    if (!context) {
        // Without a window the temporary context has no drawing target: drawing
        // through it does nothing instead of drawing onto the screen.
        drawTarget = acquireDrawTarget();
        context = temporary = new DrawContext(this, drawTarget, window_);
    }
    Point location;
    getMouseLocation(location);
    // The target's listener may close the editor: nothing of the frame is read
    // after the call (the window is taken first, the draw target needs no frame).
    const NativeWindow window = window_;
    const bool answer = target->wheel(context, location, distance);
    if (temporary) {
        delete temporary;
        releaseDrawTarget(window, drawTarget);
    }
    return answer;
}

View* Frame::getViewUnderMouse() const {
    if (modalView_) {
        return modalView_;
    }
    Point location;
    getMouseLocation(location);
    return topmostChild([&](View* v) { return v->getViewSize().isInside(location); });
}

FrameOwner* Frame::getEditor() const { return owner_; }

bool Frame::addView(View* view) {
    if (!view) {
        return false;
    }
    // A frame that cannot grow refuses the view (the caller keeps its reference)
    // instead of throwing through the host.
    try {
        views_.push_back(view);
    } catch (const std::bad_alloc&) {
        return false;
    }
    view->setFrame(this);
    view->attached(this);
    return true;
}

bool Frame::removeView(View* view, const bool& releaseIt) {
    for (std::size_t i = 0; i < views_.size(); ++i) {
        if (views_[i] != view) {
            continue;
        }
        // A removed edit view may be freed right below; the frame must not keep
        // pointing at it (the next press would call loseFocus on freed memory).
        if (editView_ == view && !dropEditView()) {
            return true;
        }
        views_.erase(views_.begin() + std::ptrdiff_t(i));
        view->removed(this);
        if (releaseIt) {
            view->release();
        }
        break;
    }
    return true;
}

bool Frame::removeAllViews(const bool& releaseIt) {
    if (!dropEditView()) {
        return true;
    }
    // Detach the array first: a view's removed or destructor may ask the frame
    // about its children, and must find none rather than half-freed ones.
    std::vector<View*> views;
    views.swap(views_);
    for (View* view : views) {
        view->removed(this);
        if (releaseIt) {
            view->release();
        }
    }
    return true;
}

bool Frame::isChild(View* view) const {
    return std::find(views_.begin(), views_.end(), view) != views_.end();
}

std::int32_t Frame::getViewCount() const { return std::int32_t(views_.size()); }

View* Frame::getView(std::int32_t index) const {
    if (index < 0 || std::size_t(index) >= views_.size()) {
        return nullptr;
    }
    return views_[index];
}

bool Frame::setModalView(View* view) {
    if (view && modalView_) {
        return false;
    }
    if (modalView_) {
        modalView_->removed(this);
    }
    modalView_ = view;
    if (modalView_) {
        modalView_->attached(this);
    }
    return true;
}

bool Frame::dropEditView() {
    // The view is told while it is still the edit view: a text edit only ends its
    // editing (and reports its text) when it finds itself to be the edit view.
    if (editView_) {
        CallOut call(lifeline_);
        editView_->loseFocus(nullptr);
        if (call.isLost()) {
            return false;
        }
    }
    editView_ = nullptr;
    return true;
}

bool Frame::setEditView(View* view) {
    View* old = editView_;
    editView_ = view;
    if (!old) {
        return true;
    }
    CallOut call(lifeline_);
    old->loseFocus(nullptr);
    return !call.isLost();
}

void Frame::setBackground(Bitmap* background) { holdBitmap(background_, background); }

void Frame::beginEdit(std::int32_t tag) {
    if (owner_) {
        owner_->beginEdit(tag);
    }
}

void Frame::endEdit(std::int32_t tag) {
    if (owner_) {
        owner_->endEdit(tag);
    }
}

void Frame::doIdleProcessing() {
    if (owner_) {
        owner_->wait();
    }
}

std::int32_t Frame::getTicks() const { return owner_ ? std::int32_t(systemTicks()) : 0; }

KnobMode Frame::getKnobMode() const { return owner_ ? owner_->getKnobMode() : KnobMode::circular; }

void Frame::setSize(std::int32_t width, std::int32_t height) {
    if (width < 0 || height < 0) {
        return;
    }
    size_ = Rect(size_.left, size_.top, size_.left + width, size_.top + height);
    resizeWindow();
    setDirty(true);
    invalidateWindow();
}

}  // namespace qp
