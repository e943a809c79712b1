#include "EditorSession.h"

#include "tools/hostlib/WindowCapture.h"

namespace qp::test {

namespace {

constexpr const char* kHostWindowClass = "QpEditorTestHost";
constexpr const char* kTopWindowClass = "QpEditorTestTop";
constexpr int kTopX = 100;
constexpr int kTopY = 80;
constexpr int kIdleStepMs = 10;
constexpr int kFirstPaintMs = 250;
// A key tap, and the moment a menu needs to move its highlight.
constexpr DWORD kKeyPauseMs = 80;

void registerClass(const char* name, HBRUSH background) {
    WNDCLASSA windowClass = {};
    if (GetClassInfoA(GetModuleHandleA(nullptr), name, &windowClass)) {
        return;
    }
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassA(&windowClass);
}

// One top-level window serves the whole run: under Wine without a window
// manager a top-level window takes about two seconds to go away.
HWND topWindow() {
    static HWND top = nullptr;
    if (top && IsWindow(top)) {
        return top;
    }
    registerClass(kTopWindowClass, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    top = CreateWindowExA(0, kTopWindowClass, "editor test host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                          kTopX, kTopY, 420, 260, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    EditorSession::pump();
    return top;
}

}  // namespace

int Capture::differences(const Capture& other, const RECT* area) const {
    if (other.width != width || other.height != height) {
        return width * height;
    }
    const RECT all = {0, 0, width, height};
    const RECT& r = area ? *area : all;
    int count = 0;
    for (int y = r.top; y < r.bottom && y < height; ++y) {
        for (int x = r.left; x < r.right && x < width; ++x) {
            count += at(x, y) != other.at(x, y);
        }
    }
    return count;
}

EditorSession::EditorSession(PluginHost& host)
    : host_(host) {
    HWND top = topWindow();
    registerClass(kHostWindowClass, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ERect* rect = nullptr;
    host_.dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 309;
    const int height = rect ? rect->bottom - rect->top : 168;
    hostWindow_ = CreateWindowExA(0, kHostWindowClass, "host", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  width, height, top, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(top);
    pump();
}

EditorSession::~EditorSession() {
    if (open_) {
        close();
    }
    if (hostWindow_) {
        DestroyWindow(hostWindow_);
    }
    pump();
}

IntPtr EditorSession::open() {
    const IntPtr answer = host_.dispatch(effEditOpen, 0, 0, hostWindow_);
    open_ = answer != 0;
    idle(kFirstPaintMs);
    return answer;
}

void EditorSession::close() {
    // The effect may already be gone (closed with its editor open).
    if (host_.effect()) {
        host_.dispatch(effEditClose);
    }
    open_ = false;
    pump();
}

void EditorSession::destroyHostWindow() {
    DestroyWindow(hostWindow_);
    hostWindow_ = nullptr;
    pump();
}

bool EditorSession::displayAvailable() { return topWindow() != nullptr; }

void EditorSession::pump() { hostlib::pumpMessages(); }

void EditorSession::idle(int ms) {
    const DWORD start = GetTickCount();
    do {
        pump();
        if (host_.effect()) {
            host_.dispatch(effEditIdle);
        }
        Sleep(kIdleStepMs);
    } while (GetTickCount() - start < DWORD(ms));
    pump();
}

HWND EditorSession::frameWindow() const { return GetWindow(hostWindow_, GW_CHILD); }

POINT EditorSession::toScreen(POINT framePoint) const {
    POINT p = framePoint;
    ClientToScreen(frameWindow(), &p);
    return p;
}

Capture EditorSession::capture() const { return Capture{hostlib::captureClient(frameWindow())}; }

namespace popup {

std::vector<HWND> visibleMenuWindows() { return hostlib::visibleMenuWindows(); }

bool waitForMenus(std::size_t count, int timeoutMs) {
    if (!hostlib::waitForMenus(count, DWORD(timeoutMs))) {
        return false;
    }
    // Let the menu finish drawing and its loop settle.
    Sleep(150);
    return true;
}

bool waitForNoMenus(int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!visibleMenuWindows().empty()) {
        if (GetTickCount() - start > DWORD(timeoutMs)) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

HMENU shownMenu(std::size_t window) {
    const std::vector<HWND> windows = visibleMenuWindows();
    if (window >= windows.size()) {
        return nullptr;
    }
    return reinterpret_cast<HMENU>(SendMessageA(windows[window], MN_GETHMENU, 0, 0));
}

RECT menuWindowRect(std::size_t window) {
    RECT r = {};
    const std::vector<HWND> windows = visibleMenuWindows();
    if (window < windows.size()) {
        GetWindowRect(windows[window], &r);
    }
    return r;
}

std::vector<std::string> texts(HMENU menu) {
    std::vector<std::string> result;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        // A submenu's entry has its item count in the high byte.
        UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        if (state & MF_POPUP) {
            state &= 0xFF;
        }
        if (state & MF_SEPARATOR) {
            result.push_back("-");
            continue;
        }
        char text[256] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        result.push_back(text);
    }
    return result;
}

bool isChecked(HMENU menu, int index) {
    return (GetMenuState(menu, UINT(index), MF_BYPOSITION) & MF_CHECKED) != 0;
}

void tapKey(WORD key) { hostlib::tapKey(key, kKeyPauseMs); }

bool highlight(HMENU menu, int index) {
    const int count = GetMenuItemCount(menu);
    for (int step = 0; step <= count + 1; ++step) {
        if (GetMenuState(menu, UINT(index), MF_BYPOSITION) & MF_HILITE) {
            return true;
        }
        tapKey(VK_DOWN);
    }
    return (GetMenuState(menu, UINT(index), MF_BYPOSITION) & MF_HILITE) != 0;
}

}  // namespace popup

}  // namespace qp::test
