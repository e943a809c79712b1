#include "tools/hostlib/WindowCapture.h"

namespace qp::hostlib {

namespace {

constexpr const char* kMenuWindowClass = "#32768";
// How long a key stays down: long enough for a menu's loop to see it.
constexpr DWORD kKeyHoldMs = 20;
constexpr DWORD kButtonHoldMs = 60;

BOOL CALLBACK collectMenu(HWND window, LPARAM data) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (lstrcmpA(name, kMenuWindowClass) == 0 && IsWindowVisible(window) &&
        process == GetCurrentProcessId()) {
        reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    }
    return TRUE;
}

}  // namespace

void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

Dib::Dib(int width, int height, HDC compatibleWith)
    : width_(width),
      height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(compatibleWith);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
}

Dib::~Dib() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

std::uint32_t* Dib::bits() const {
    GdiFlush();
    return bits_;
}

std::vector<std::uint32_t> Dib::pixels() const {
    const std::uint32_t* p = bits();
    std::vector<std::uint32_t> all(p, p + std::size_t(width_) * std::size_t(height_));
    for (std::uint32_t& pixel : all) {
        pixel &= 0x00FFFFFF;
    }
    return all;
}

Picture capture(HDC source, int x, int y, int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    Dib copy(width, height, source);
    BitBlt(copy.dc(), 0, 0, width, height, source, x, y, SRCCOPY);
    picture.pixels = copy.pixels();
    return picture;
}

Picture captureClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) {
        return Picture{int(client.right), int(client.bottom), {}};
    }
    HDC dc = GetDC(window);
    Picture picture = capture(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(window, dc);
    return picture;
}

Picture captureScreen(const RECT& area) {
    HDC screen = GetDC(nullptr);
    Picture picture = capture(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, screen);
    return picture;
}

std::vector<HWND> visibleMenuWindows() {
    std::vector<HWND> found;
    EnumWindows(collectMenu, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool waitForMenus(std::size_t count, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (visibleMenuWindows().size() < count) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

void tapKey(WORD virtualKey, DWORD afterMs) {
    INPUT input[2] = {};
    for (INPUT& i : input) {
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = virtualKey;
        i.ki.wScan = WORD(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    }
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(kKeyHoldMs);
    SendInput(1, &input[1], sizeof(INPUT));
    Sleep(afterMs);
}

void leftClick() {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(kButtonHoldMs);
    SendInput(1, &input[1], sizeof(INPUT));
}

}  // namespace qp::hostlib
