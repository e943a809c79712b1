#include "gui/NativeObjectsWin32.h"

#include "gui/ThreadOleWin32.h"

#include <ole2.h>

#include <atomic>

namespace qp::native {

namespace {

std::atomic<std::int32_t> counts[std::size_t(Kind::count)];

void add(Kind kind, std::int32_t delta) {
    counts[std::size_t(kind)].fetch_add(delta, std::memory_order_relaxed);
}

template <class Handle>
Handle counted(Kind kind, Handle handle) {
    if (handle) {
        add(kind, 1);
    }
    return handle;
}

// The other side of counted: a release that took.
BOOL released(Kind kind, BOOL done) {
    if (done) {
        add(kind, -1);
    }
    return done;
}

// Stock objects are shared by every process and never ours: deleting one is a
// harmless no-op that must not be counted as freeing something we made.
bool isStockObject(HGDIOBJ object) {
    for (int id = WHITE_BRUSH; id <= DC_PEN; ++id) {
        if (GetStockObject(id) == object) {
            return true;
        }
    }
    return false;
}

// The object types this seam makes, and the kind each is counted as.
struct GdiType {
    DWORD type;
    Kind kind;
};
constexpr GdiType kGdiTypes[] = {
    {OBJ_PEN, Kind::pen},   {OBJ_EXTPEN, Kind::pen},    {OBJ_BRUSH, Kind::brush},
    {OBJ_FONT, Kind::font}, {OBJ_BITMAP, Kind::bitmap},
};

bool gdiKind(HGDIOBJ object, Kind& kind) {
    const DWORD type = GetObjectType(object);
    for (const GdiType& entry : kGdiTypes) {
        if (entry.type == type) {
            kind = entry.kind;
            return true;
        }
    }
    return false;
}

}  // namespace

std::int32_t liveCount(Kind kind) { return counts[std::size_t(kind)].load(std::memory_order_relaxed); }

std::int32_t liveTotal() {
    std::int32_t total = 0;
    for (const auto& c : counts) {
        total += c.load(std::memory_order_relaxed);
    }
    return total;
}

HPEN createPen(int style, int width, COLORREF color) {
    return counted(Kind::pen, CreatePen(style, width, color));
}

HBRUSH createSolidBrush(COLORREF color) { return counted(Kind::brush, CreateSolidBrush(color)); }

HFONT createFontIndirect(const LOGFONTA* font) { return counted(Kind::font, CreateFontIndirectA(font)); }

LOGFONTA plainFontDescription(std::int32_t height) {
    LOGFONTA font = {};
    font.lfHeight = -height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    return font;
}

HBITMAP loadBitmap(HINSTANCE module, int resourceId) {
    return counted(Kind::bitmap, LoadBitmapA(module, MAKEINTRESOURCEA(resourceId)));
}

HBITMAP createCompatibleBitmap(HDC dc, int width, int height) {
    return counted(Kind::bitmap, CreateCompatibleBitmap(dc, width, height));
}

HBITMAP createBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    return counted(Kind::bitmap, CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

HBITMAP createDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits) {
    return counted(Kind::bitmap, CreateDIBSection(dc, info, usage, bits, nullptr, 0));
}

BOOL deleteObject(HGDIOBJ object) {
    Kind kind;
    if (!object || !gdiKind(object, kind) || isStockObject(object)) {
        return FALSE;
    }
    return released(kind, DeleteObject(object));
}

HDC createCompatibleDC(HDC dc) { return counted(Kind::memoryDC, CreateCompatibleDC(dc)); }

BOOL deleteDC(HDC dc) { return released(Kind::memoryDC, dc ? DeleteDC(dc) : FALSE); }

HDC getDC(HWND window) { return counted(Kind::windowDC, GetDC(window)); }

int releaseDC(HWND window, HDC dc) {
    const int done = dc ? ReleaseDC(window, dc) : 0;
    if (dc) {
        add(Kind::windowDC, -1);
    }
    return done;
}

HDC beginPaint(HWND window, PAINTSTRUCT* paint) { return counted(Kind::windowDC, BeginPaint(window, paint)); }

BOOL endPaint(HWND window, const PAINTSTRUCT* paint) {
    if (paint->hdc) {
        add(Kind::windowDC, -1);
    }
    return EndPaint(window, paint);
}

HWND createWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE module, void* param) {
    return counted(Kind::window, CreateWindowExA(exStyle, className, title, style, x, y, width, height,
                                                 parent, menu, module, param));
}

BOOL destroyWindow(HWND window) { return released(Kind::window, window ? DestroyWindow(window) : FALSE); }

void windowDestroyedElsewhere() { add(Kind::window, -1); }

HMENU createPopupMenu() { return counted(Kind::menu, CreatePopupMenu()); }

HMENU createMenu() { return counted(Kind::menu, CreateMenu()); }

BOOL destroyMenu(HMENU menu) { return released(Kind::menu, menu ? DestroyMenu(menu) : FALSE); }

HMODULE loadLibrary(const char* name) { return counted(Kind::library, LoadLibraryA(name)); }

BOOL freeLibrary(HMODULE module) { return released(Kind::library, module ? FreeLibrary(module) : FALSE); }

ATOM registerClass(const WNDCLASSA* windowClass) {
    return counted(Kind::windowClass, RegisterClassA(windowClass));
}

BOOL unregisterClass(const char* className, HINSTANCE module) {
    return released(Kind::windowClass, UnregisterClassA(className, module));
}

HRESULT oleInitialize() {
    // Counted only when it took: a refused call is never balanced.
    const HRESULT result = OleInitialize(nullptr);
    if (SUCCEEDED(result)) {
        add(Kind::oleInit, 1);
    }
    return result;
}

void oleUninitialize() {
    OleUninitialize();
    add(Kind::oleInit, -1);
}

}  // namespace qp::native

namespace qp {

ThreadOle::ThreadOle() {
    if (SUCCEEDED(native::oleInitialize())) {
        thread_ = GetCurrentThreadId();
    }
}

ThreadOle::~ThreadOle() {
    if (thread_ != 0 && thread_ == GetCurrentThreadId()) {
        native::oleUninitialize();
    }
}

}  // namespace qp
