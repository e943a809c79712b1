#include <windows.h>

#include "gui/NativeObjectsWin32.h"
#include "gui/System.h"

namespace qp {

namespace {

// Windows' own unit: a scale of 1.0 is this many dots per inch.
constexpr double kBaseDpi = 96.0;

using DpiForWindow = UINT(WINAPI*)(HWND);

// GetDpiForWindow came with Windows 10 (1607); an import of it would keep the
// DLL from loading on anything older, so it is looked up once, at first use.
DpiForWindow dpiForWindowFunction() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<DpiForWindow>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
}

// The DPI the whole desktop was set to, which is also what a DPI-unaware host's
// windows are drawn at before the system stretches them.
UINT systemDpi() {
    HDC screen = native::getDC(nullptr);
    if (!screen) {
        return 0;
    }
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    native::releaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 0;
}

}  // namespace

std::uint32_t systemTicks() { return GetTickCount(); }

std::int32_t doubleClickTime() { return std::int32_t(GetDoubleClickTime()); }

std::uint32_t currentThreadId() { return GetCurrentThreadId(); }

double windowScale(NativeWindow window) {
    // The window's own DPI follows the host's awareness: 96 for a host the system
    // stretches, the monitor's for one that is aware per monitor. The plug-in
    // never changes that awareness; it only reads it.
    static const DpiForWindow dpiForWindow = dpiForWindowFunction();
    UINT dpi = 0;
    if (window && dpiForWindow) {
        dpi = dpiForWindow(win32::hwnd(window));  // 0 for a handle that is no window
    }
    if (dpi == 0) {
        dpi = systemDpi();
    }
    return dpi > 0 ? double(dpi) / kBaseDpi : 1.0;
}

}  // namespace qp
