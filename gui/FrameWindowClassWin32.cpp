#include "gui/FrameWindowClassWin32.h"

#include <cstdio>

#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/GuiModule.h"
#include "gui/NativeObjectsWin32.h"

namespace qp {

namespace {

// "Plugin" + 8 hex digits + terminator fits with room to spare.
constexpr std::size_t kClassNameSize = 24;
char className[kClassNameSize] = {};
std::int32_t users = 0;
// The instance the class was registered with: unregistering must name the same
// one even if the toolkit's module was set again in between.
HINSTANCE registeredModule = nullptr;

LRESULT CALLBACK frameWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace

void FrameWindowClass::acquire() {
    if (++users != 1) {
        return;
    }
    HINSTANCE module = win32::hinstance(guiModule());
    registeredModule = module;
    // Every digit of the handle: a 64-bit module usually sits above 4 GiB, and two
    // copies whose addresses differ only in the high half would otherwise share a
    // class (and one's window procedure). A 32-bit handle gives eight digits.
    std::snprintf(className, kClassNameSize, "Plugin%08llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(module)));

    WNDCLASSA windowClass = {};
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = frameWindowProcedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    native::registerClass(&windowClass);

    setSwappedButtons(GetSystemMetrics(SM_SWAPBUTTON) > 0);
}

void FrameWindowClass::release() {
    if (users <= 0 || --users != 0) {
        return;
    }
    native::unregisterClass(className, registeredModule);
}

const char* FrameWindowClass::name() { return className; }

std::int32_t FrameWindowClass::useCount() { return users; }

namespace {

LRESULT CALLBACK frameWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // None before the frame stored itself and after it cleared itself.
    auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (frame) {
        bool handled = false;
        const std::intptr_t answer =
            FrameWindowClass::dispatch(frame, window, message, wParam, lParam, handled);
        if (handled) {
            return answer;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

}  // namespace qp
