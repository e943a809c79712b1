// Frame's window side: the messages its window procedure hands it, the cursor,
// the pointer location and the drop registration.
#include <ole2.h>
#include <windows.h>

#include <iterator>

#include "gui/DrawContext.h"
#include "gui/EditWindowColors.h"
#include "gui/Frame.h"
#include "gui/NativeObjects.h"

namespace qp {

namespace {

DropTargetFactory theDropTargetFactory = nullptr;

// The system cursor of each cursor kind, indexed by kind; the default kind has
// none, it restores the cursor the window had before the first change.
const LPCSTR kSystemCursorIds[] = {nullptr,     IDC_WAIT,     IDC_SIZEWE,  IDC_SIZENS,
                                   IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENWSE};
static_assert(std::size(kSystemCursorIds) == kCursorSizeNorthwestSoutheast + 1, "one entry per cursor kind");

// The buttons and modifiers a button-down message reports. Its buttons are the
// logical ones already (the system applied its swap), unlike the asynchronous
// state of the physical buttons.
std::int32_t pressedButtons(UINT message, WPARAM wParam) {
    std::int32_t buttons = 0;
    if (message == WM_LBUTTONDOWN || (wParam & MK_LBUTTON)) {
        buttons |= kButtonLeft;
    }
    if (message == WM_MBUTTONDOWN || (wParam & MK_MBUTTON)) {
        buttons |= kButtonMiddle;
    }
    if (message == WM_RBUTTONDOWN || (wParam & MK_RBUTTON)) {
        buttons |= kButtonRight;
    }
    if (wParam & MK_SHIFT) {
        buttons |= kModShift;
    }
    if (wParam & MK_CONTROL) {
        buttons |= kModControl;
    }
    return buttons;
}

}  // namespace

void Frame::setDropTargetFactory(DropTargetFactory factory) { theDropTargetFactory = factory; }

std::intptr_t Frame::handleMessage(NativeWindow window, std::uint32_t message, std::uintptr_t wParam,
                                   std::intptr_t lParam, bool& handled) {
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
            if (!GetUpdateRect(window, &update, FALSE) || IsRectEmpty(&update)) {
                return 0;
            }
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
                return reinterpret_cast<std::intptr_t>(
                    colors->editWindowColors(reinterpret_cast<HDC>(wParam)));
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

void Frame::invalidateWindow() {
    if (window_) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

bool Frame::getMouseLocation(Point& where) const {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    where = Point(cursor.x, cursor.y);
    RECT r;
    if (window_ && GetWindowRect(window_, &r)) {
        where.offset(-r.left, -r.top);
    }
    return true;
}

void Frame::setCursor(std::int32_t type) {
    if (!defaultCursor_) {
        defaultCursor_ = GetCursor();
    }
    if (type == kCursorDefault) {
        SetCursor(static_cast<HCURSOR>(defaultCursor_));
    } else if (type > kCursorDefault && type < std::int32_t(std::size(kSystemCursorIds))) {
        SetCursor(LoadCursorA(nullptr, kSystemCursorIds[type]));
    }
}

bool Frame::enableDrop(bool enable) {
    if (enable == dropActive_) {
        return true;
    }
    if (!window_) {
        return false;
    }
    if (enable) {
        if (!theDropTargetFactory) {
            return false;
        }
        IDropTarget* target = theDropTargetFactory(this);
        if (!target) {
            return false;
        }
        // Hold the target across registration: if registering fails, this
        // release is what frees it (it starts at a count of 0).
        target->AddRef();
        const bool registered = SUCCEEDED(RegisterDragDrop(window_, target));
        target->Release();
        if (!registered) {
            return false;
        }
    } else {
        RevokeDragDrop(window_);
    }
    dropActive_ = enable;
    return true;
}

}  // namespace qp
