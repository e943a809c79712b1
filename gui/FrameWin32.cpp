// Frame's window side on Windows: its window of the module's class, the
// messages the window procedure hands it, the cursor, the pointer location and
// the OLE drop registration.
#include "gui/FrameWin32.h"

#include <ole2.h>
#include <windows.h>

#include <iterator>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/FrameOwner.h"
#include "gui/FrameWindowClassWin32.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjectsWin32.h"
#include "gui/System.h"
#include "gui/TextEdit.h"
#include "gui/TextEditWin32.h"
#include "gui/ThreadOleWin32.h"
#include "gui/TransparentBlitLibraryWin32.h"

namespace qp {

namespace {

constexpr DWORD kFrameWindowStyle = WS_CHILD | WS_VISIBLE;  // 0x50000000

// The window's DPI changed (it moved to a monitor of another DPI, or the user
// set another): a top-level window gets the first, with the new DPI in wParam's
// low word; a child window, as the frame's is, gets the second, after its parent
// was dealt with, and asks for the DPI itself. Older headers lack both.
constexpr UINT kMessageDpiChanged = 0x02E0;
constexpr UINT kMessageDpiChangedAfterParent = 0x02E3;
constexpr double kBaseDpi = 96.0;

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

struct Frame::Platform {
    bool usesWindowClass = false;
    TransparentBlitLibrary drawingLibrary;
    HCURSOR defaultCursor = nullptr;
    // Drag and drop registration needs OLE on the window's thread.
    ThreadOle ole;

    static std::intptr_t handleMessage(Frame& frame, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       bool& handled);
};

void Frame::PlatformDelete::operator()(Platform* platform) const { delete platform; }

void setDropTargetFactory(DropTargetFactory factory) { theDropTargetFactory = factory; }

void Frame::openWindow() {
    platform_.reset(new Platform);
    platform_->drawingLibrary.load();

    if (parentWindow_) {
        FrameWindowClass::acquire();
        platform_->usesWindowClass = true;
        HWND window = native::createWindowEx(0, FrameWindowClass::name(), "Window", kFrameWindowStyle, 0, 0,
                                             size_.width(), size_.height(), win32::hwnd(parentWindow_),
                                             nullptr, win32::hinstance(guiModule()), nullptr);
        window_ = window;
        if (window) {
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            enableDrop(true);
        }
    }
}

void Frame::resizeWindow() {
    if (window_) {
        SetWindowPos(win32::hwnd(window_), nullptr, 0, 0, size_.width(), size_.height(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Frame::closeWindow() {
    platform_->drawingLibrary.free();
    if (window_) {
        // Detach first, so the messages of the destruction itself find no frame.
        SetWindowLongPtrA(win32::hwnd(window_), GWLP_USERDATA, 0);
        native::destroyWindow(win32::hwnd(window_));
        window_ = nullptr;
    }
    if (platform_->usesWindowClass) {
        FrameWindowClass::release();
    }
}

std::intptr_t FrameWindowClass::dispatch(Frame* frame, HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam, bool& handled) {
    return Frame::Platform::handleMessage(*frame, window, message, wParam, lParam, handled);
}

NativeDC Frame::acquireDrawTarget() const { return window_ ? native::getDC(win32::hwnd(window_)) : nullptr; }

void Frame::releaseDrawTarget(NativeWindow window, NativeDC target) {
    native::releaseDC(win32::hwnd(window), win32::hdc(target));
}

std::intptr_t Frame::Platform::handleMessage(Frame& frame, HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_DESTROY:
            // The window goes before the frame (the host destroyed its own window
            // first): the drop registration must go while the window still exists,
            // since revoking it is what frees the drop target.
            frame.enableDrop(false);
            frame.open_ = false;
            frame.parentWindow_ = nullptr;
            return 0;
        case WM_NCDESTROY:
            // Only reached while the frame is attached, that is when somebody else
            // destroyed the window: forget the handle so the frame never uses it again.
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            frame.window_ = nullptr;
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
                DrawContext context(&frame, dc, window);
                frame.drawArea(&context, Rect(paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                                              paint.rcPaint.bottom));
            }
            native::endPaint(window, &paint);
            handled = true;
            return 0;
        }
        case WM_CTLCOLOREDIT:
            if (auto* edit = dynamic_cast<TextEdit*>(frame.editView_)) {
                handled = true;
                return reinterpret_cast<std::intptr_t>(
                    editWindowColors(*edit, reinterpret_cast<HDC>(wParam)));
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            HDC dc = native::getDC(window);
            {
                DrawContext context(&frame, dc, window);
                context.reportPress(pressedButtons(message, wParam));
                // Client coordinates, each 16 bits taken as unsigned.
                const Point where(std::int32_t(lParam & 0xFFFF), std::int32_t((lParam >> 16) & 0xFFFF));
                frame.mouseDown(&context, where);
            }
            native::releaseDC(window, dc);
            handled = true;
            return 0;
        }
        case kMessageDpiChanged:
        case kMessageDpiChangedAfterParent: {
            handled = true;
            const UINT dpi = message == kMessageDpiChanged ? LOWORD(wParam) : 0;
            const double scale = dpi ? dpi / kBaseDpi : windowScale(window);
            if (frame.owner_) {
                // The owner lays the editor out anew and resizes it, or closes it:
                // after the call nothing of the frame or its window is touched,
                // whichever it did, so there is nothing to check here either.
                const CallOut call(frame.lifeline_);
                frame.owner_->windowScaleChanged(scale);
            }
            return 0;
        }
        default:
            return 0;
    }
}

void Frame::invalidateWindow() {
    if (window_) {
        InvalidateRect(win32::hwnd(window_), nullptr, FALSE);
    }
}

bool Frame::getMouseLocation(Point& where) const {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    where = Point(cursor.x, cursor.y);
    RECT r;
    if (window_ && GetWindowRect(win32::hwnd(window_), &r)) {
        where.offset(-r.left, -r.top);
    }
    return true;
}

void Frame::setCursor(std::int32_t type) {
    if (!platform_->defaultCursor) {
        platform_->defaultCursor = GetCursor();
    }
    if (type == kCursorDefault) {
        SetCursor(platform_->defaultCursor);
    } else if (type > kCursorDefault && type < std::int32_t(std::size(kSystemCursorIds))) {
        SetCursor(LoadCursorA(nullptr, kSystemCursorIds[type]));
    }
}

// The host's message loop delivers the window's messages: nothing to pump.
bool Frame::pumpEvents() { return true; }

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
        const bool registered = SUCCEEDED(RegisterDragDrop(win32::hwnd(window_), target));
        target->Release();
        if (!registered) {
            return false;
        }
    } else {
        RevokeDragDrop(win32::hwnd(window_));
    }
    dropActive_ = enable;
    return true;
}

}  // namespace qp
