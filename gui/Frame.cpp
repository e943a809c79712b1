#include "gui/Frame.h"

#include <ole2.h>

#include <new>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/EditWindowColors.h"
#include "gui/FrameOwner.h"
#include "gui/FrameWindowClass.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjects.h"

namespace qp {

namespace {

DropTargetFactory theDropTargetFactory = nullptr;

// Frames holding msimg32.dll. The transparent-blit entry point lives in that
// library, so it is cleared when the last holder frees it rather than left
// pointing into an unloaded module.
std::int32_t drawingLibraryHolders = 0;

constexpr std::int32_t viewSlotsPerGrowth = 20;
constexpr DWORD frameWindowStyle = WS_CHILD | WS_VISIBLE;  // 0x50000000

// GetVersionEx reports platform ids 0 (Win32s), 1 (Windows 9x) and 2 (NT); only
// the NT family's TransparentBlt is trusted, the 9x one leaked resources.
constexpr DWORD ntPlatformId = VER_PLATFORM_WIN32_NT;

HCURSOR systemCursor(LPCSTR id) { return LoadCursorA(nullptr, id); }

// The buttons and modifiers a button-down message reports. Its buttons are the
// logical ones already (the system applied its swap), unlike the asynchronous
// state of the physical buttons.
std::int32_t pressedButtons(UINT message, WPARAM wParam) {
    std::int32_t buttons = 0;
    if (message == WM_LBUTTONDOWN || (wParam & MK_LBUTTON))
        buttons |= buttonLeft;
    if (message == WM_MBUTTONDOWN || (wParam & MK_MBUTTON))
        buttons |= buttonMiddle;
    if (message == WM_RBUTTONDOWN || (wParam & MK_RBUTTON))
        buttons |= buttonRight;
    if (wParam & MK_SHIFT)
        buttons |= modShift;
    if (wParam & MK_CONTROL)
        buttons |= modControl;
    return buttons;
}

}  // namespace

void Frame::setDropTargetFactory(DropTargetFactory factory) { theDropTargetFactory = factory; }

Frame::Frame(const Rect& size, NativeWindow parentWindow, FrameOwner* owner)
    : View(size), owner_(owner), parentWindow_(parentWindow) {
    setTransparentBlit(nullptr);
    drawingLibrary_ = native::loadLibrary("msimg32.dll");
    if (drawingLibrary_) {
        ++drawingLibraryHolders;
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof(version);
        if (GetVersionExA(&version) && version.dwPlatformId >= ntPlatformId)
            setTransparentBlit(reinterpret_cast<TransparentBlitProc>(
                reinterpret_cast<void*>(GetProcAddress(drawingLibrary_, "TransparentBlt"))));
    }

    if (parentWindow_) {
        FrameWindowClass::acquire();
        usesWindowClass_ = true;
        window_ = native::createWindowEx(0, FrameWindowClass::name(), "Window", frameWindowStyle, 0, 0,
                                         size.width(), size.height(), parentWindow_, nullptr, guiModule(),
                                         nullptr);
        if (window_) {
            SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            enableDrop(true);
        }
    }
}

Frame::~Frame() {
    setCursor(kCursorDefault);
    enableDrop(false);
    removeAllViews(true);
    if (background_) {
        background_->release();
        background_ = nullptr;
    }
    if (drawingLibrary_) {
        if (--drawingLibraryHolders == 0)
            setTransparentBlit(nullptr);
        native::freeLibrary(drawingLibrary_);
    }
    if (window_) {
        // Detach first, so the messages of the destruction itself find no frame.
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        native::destroyWindow(window_);
        window_ = nullptr;
    }
    if (usesWindowClass_)
        FrameWindowClass::release();
}

std::intptr_t Frame::handleMessage(NativeWindow window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                                   bool& handled) {
    switch (message) {
    case WM_DESTROY:
        // The window goes before the frame (the host destroyed its own window
        // first): the drop registration must go while the window still exists,
        // since revoking it is what frees the drop target.
        enableDrop(false);
        open_ = false;
        parentWindow_ = nullptr;
        return 0;
    case WM_NCDESTROY:
        // Only reached while the frame is attached, that is when somebody else
        // destroyed the window: forget the handle so the frame never uses it again.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        window_ = nullptr;
        native::windowDestroyedElsewhere();
        return 0;
    case WM_PAINT: {
        RECT update;
        if (!GetUpdateRect(window, &update, FALSE) || IsRectEmpty(&update))
            return 0;
        PAINTSTRUCT paint;
        HDC dc = native::beginPaint(window, &paint);
        {
            DrawContext context(this, dc, window);
            drawArea(&context, Rect(paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                                    paint.rcPaint.bottom));
        }
        native::endPaint(window, &paint);
        handled = true;
        return 0;
    }
    case WM_CTLCOLOREDIT:
        if (auto* colors = dynamic_cast<EditWindowColors*>(editView_)) {
            handled = true;
            return reinterpret_cast<std::intptr_t>(colors->editWindowColors(reinterpret_cast<HDC>(wParam)));
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        HDC dc = native::getDC(window);
        {
            DrawContext context(this, dc, window);
            context.reportPress(pressedButtons(message, wParam));
            // Client coordinates, each 16 bits taken as unsigned.
            const Point where(std::int32_t(lParam & 0xFFFF), std::int32_t((lParam >> 16) & 0xFFFF));
            mouseDown(&context, where);
        }
        native::releaseDC(window, dc);
        handled = true;
        return 0;
    }
    default:
        return 0;
    }
}

void Frame::draw(DrawContext* context) {
    firstDrawPending_ = false;
    if (background_)
        background_->draw(context, Rect(0, 0, background_->getWidth(), background_->getHeight()), Point(0, 0));
    for (std::int32_t i = 0; i < viewCount_; ++i)
        views_[i]->draw(context);
    if (modalView_)
        modalView_->draw(context);
}

void Frame::drawArea(DrawContext* context, const Rect& area) {
    firstDrawPending_ = false;
    if (background_)
        background_->draw(context, area, Point(area.left, area.top));
    for (std::int32_t i = 0; i < viewCount_; ++i) {
        if (views_[i]->overlaps(area))
            views_[i]->drawArea(context, area);
    }
    // The modal view sits over everything and is drawn whole.
    if (modalView_ && modalView_->overlaps(area))
        modalView_->draw(context);
}

void Frame::update(DrawContext* context) {
    if (!open_)
        return;
    if (modalView_) {
        modalView_->update(context);
    } else if (isDirty()) {
        draw(context);
        setDirty(false);
    } else {
        for (std::int32_t i = 0; i < viewCount_; ++i)
            views_[i]->update(context);
    }
}

bool Frame::anyViewDirty() const {
    if (modalView_ || isDirty())
        return true;
    for (std::int32_t i = 0; i < viewCount_; ++i) {
        if (views_[i]->isDirty())
            return true;
    }
    return false;
}

void Frame::idle() {
    if (!open_ || firstDrawPending_ || !window_ || !anyViewDirty())
        return;
    HDC dc = native::getDC(window_);
    {
        DrawContext context(this, dc, window_);
        update(&context);
    }
    native::releaseDC(window_, dc);
}

void Frame::redrawView(View* view) {
    // A frame without a window has nowhere to draw (GetDC of no window would be
    // the whole screen).
    if (!window_)
        return;
    HDC dc = native::getDC(window_);
    {
        DrawContext context(this, dc, window_);
        if (view && isChild(view))
            view->draw(&context);
        else
            draw(&context);
    }
    native::releaseDC(window_, dc);
}

void Frame::mouseDown(DrawContext* context, Point where) {
    dropEditView();
    const std::int32_t buttons = context ? context->pollMouseButtons() : -1;
    if (modalView_) {
        if (modalView_->hitTest(where, buttons))
            modalView_->mouseDown(context, where);
        return;
    }
    View* target =
        topmostChild([&](View* v) { return v->isMouseEnabled() && v->hitTest(where, buttons); });
    if (target)
        target->mouseDown(context, where);
}

std::int32_t Frame::keyDown(VstKeyCode& key) {
    std::int32_t answer = -1;
    if (editView_ && (answer = editView_->keyDown(key)) != -1)
        return answer;
    if (modalView_ && (answer = modalView_->keyDown(key)) != -1)
        return answer;
    topmostChild([&](View* v) { return (answer = v->keyDown(key)) != -1; });
    return answer;
}

std::int32_t Frame::keyUp(VstKeyCode& key) {
    std::int32_t answer = -1;
    if (editView_ && (answer = editView_->keyUp(key)) != -1)
        return answer;
    if (modalView_ && (answer = modalView_->keyUp(key)) != -1)
        return answer;
    topmostChild([&](View* v) { return (answer = v->keyUp(key)) != -1; });
    return answer;
}

bool Frame::drop(const char* const* items, std::int32_t count, std::int32_t type, Point where) {
    if (modalView_ || editView_)
        return false;
    return topmostChild([&](View* v) {
               return v->isMouseEnabled() && v->getViewSize().isInside(where) && v->drop(items, count, type, where);
           }) != nullptr;
}

bool Frame::wheel(DrawContext* context, Point, float distance) {
    View* target = getViewUnderMouse();
    if (!target)
        return false;
    HDC dc = nullptr;
    DrawContext* temporary = nullptr;
    if (!context) {
        // Without a window the temporary context has no device context: drawing
        // through it does nothing instead of drawing onto the screen.
        dc = window_ ? native::getDC(window_) : nullptr;
        context = temporary = new DrawContext(this, dc, window_);
    }
    Point location;
    getMouseLocation(location);
    const bool answer = target->wheel(context, location, distance);
    if (temporary) {
        delete temporary;
        if (dc)
            native::releaseDC(window_, dc);
    }
    return answer;
}

View* Frame::getViewUnderMouse() const {
    if (modalView_)
        return modalView_;
    Point location;
    getMouseLocation(location);
    return topmostChild([&](View* v) { return v->getViewSize().isInside(location); });
}

bool Frame::getMouseLocation(Point& where) const {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    where = Point(cursor.x, cursor.y);
    RECT r;
    if (window_ && GetWindowRect(window_, &r))
        where.offset(-r.left, -r.top);
    return true;
}

FrameOwner* Frame::getEditor() const { return owner_; }

bool Frame::growViews() {
    const std::int32_t capacity = capacity_ + viewSlotsPerGrowth;
    View** grown = new (std::nothrow) View*[std::size_t(capacity)];
    if (!grown)
        return false;
    for (std::int32_t i = 0; i < viewCount_; ++i)
        grown[i] = views_[i];
    delete[] views_;
    views_ = grown;
    capacity_ = capacity;
    return true;
}

bool Frame::addView(View* view) {
    if (!view)
        return false;
    if (viewCount_ == capacity_ && !growViews())
        return false;
    views_[viewCount_++] = view;
    view->setFrame(this);
    view->attached(this);
    return true;
}

bool Frame::removeView(View* view, const bool& releaseIt) {
    for (std::int32_t i = 0; i < viewCount_; ++i) {
        if (views_[i] != view)
            continue;
        // A removed edit view may be freed right below; the frame must not keep
        // pointing at it (the next press would call loseFocus on freed memory).
        if (editView_ == view)
            dropEditView();
        for (std::int32_t j = i; j + 1 < viewCount_; ++j)
            views_[j] = views_[j + 1];
        --viewCount_;
        view->removed(this);
        if (releaseIt)
            view->release();
        break;
    }
    return true;
}

bool Frame::removeAllViews(const bool& releaseIt) {
    dropEditView();
    // Detach the array first: a view's removed or destructor may ask the frame
    // about its children, and must find none rather than half-freed ones.
    View** views = views_;
    const std::int32_t count = viewCount_;
    views_ = nullptr;
    viewCount_ = 0;
    capacity_ = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        views[i]->removed(this);
        if (releaseIt)
            views[i]->release();
    }
    delete[] views;
    return true;
}

bool Frame::isChild(View* view) const {
    for (std::int32_t i = 0; i < viewCount_; ++i) {
        if (views_[i] == view)
            return true;
    }
    return false;
}

std::int32_t Frame::getViewCount() const { return viewCount_; }

View* Frame::getView(std::int32_t index) const {
    if (index < 0 || index >= viewCount_)
        return nullptr;
    return views_[index];
}

bool Frame::setModalView(View* view) {
    if (view && modalView_)
        return false;
    if (modalView_)
        modalView_->removed(this);
    modalView_ = view;
    if (modalView_)
        modalView_->attached(this);
    return true;
}

void Frame::dropEditView() {
    // The view is told while it is still the edit view: a text edit only ends its
    // editing (and reports its text) when it finds itself to be the edit view.
    if (editView_)
        editView_->loseFocus(nullptr);
    editView_ = nullptr;
}

void Frame::setEditView(View* view) {
    View* old = editView_;
    editView_ = view;
    if (old)
        old->loseFocus(nullptr);
}

void Frame::setBackground(Bitmap* background) {
    if (background)
        background->retain();
    if (background_)
        background_->release();
    background_ = background;
}

void Frame::beginEdit(std::int32_t tag) {
    if (owner_)
        owner_->beginEdit(tag);
}

void Frame::endEdit(std::int32_t tag) {
    if (owner_)
        owner_->endEdit(tag);
}

void Frame::doIdleProcessing() {
    if (owner_)
        owner_->wait();
}

std::int32_t Frame::getTicks() const { return owner_ ? std::int32_t(GetTickCount()) : 0; }

std::int32_t Frame::getKnobMode() const { return owner_ ? owner_->getKnobMode() : 0; }

void Frame::setCursor(std::int32_t type) {
    if (!defaultCursor_)
        defaultCursor_ = GetCursor();
    switch (type) {
    case kCursorDefault:
        SetCursor(static_cast<HCURSOR>(defaultCursor_));
        break;
    case kCursorWait:
        SetCursor(systemCursor(IDC_WAIT));
        break;
    case kCursorSizeWestEast:
        SetCursor(systemCursor(IDC_SIZEWE));
        break;
    case kCursorSizeNorthSouth:
        SetCursor(systemCursor(IDC_SIZENS));
        break;
    case kCursorSizeAll:
        SetCursor(systemCursor(IDC_SIZEALL));
        break;
    case kCursorSizeNortheastSouthwest:
        SetCursor(systemCursor(IDC_SIZENESW));
        break;
    case kCursorSizeNorthwestSoutheast:
        SetCursor(systemCursor(IDC_SIZENWSE));
        break;
    default:
        break;
    }
}

bool Frame::enableDrop(bool enable) {
    if (enable == dropActive_)
        return true;
    if (!window_)
        return false;
    if (enable) {
        if (!theDropTargetFactory)
            return false;
        IDropTarget* target = theDropTargetFactory(this);
        if (!target)
            return false;
        // Hold the target across registration: if registering fails, this
        // release is what frees it (it starts at a count of 0).
        target->AddRef();
        const bool registered = SUCCEEDED(RegisterDragDrop(window_, target));
        target->Release();
        if (!registered)
            return false;
    } else {
        RevokeDragDrop(window_);
    }
    dropActive_ = enable;
    return true;
}

}  // namespace qp
