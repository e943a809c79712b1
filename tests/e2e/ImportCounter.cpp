#include "ImportCounter.h"

#include "ImportTable.h"

#include <cstring>
#include <mutex>
#include <set>
#include <sstream>

namespace qp::test {

namespace {

std::mutex countsMutex;
std::set<HGDIOBJ> gdiObjects;
std::set<HDC> memoryDCs;
std::set<HWND> windows;
std::set<HMENU> menus;
std::set<ATOM> windowClasses;
std::int32_t windowDCBalance = 0;
NativeCounts madeCounts;

// The hooks hand the original's answer through keep (made) or forget (destroyed)
// and give it back unchanged.
template <class T>
T keep(std::set<T>& set, T handle, std::int32_t& made) {
    if (handle) {
        std::lock_guard<std::mutex> lock(countsMutex);
        set.insert(handle);
        ++made;
    }
    return handle;
}

// Forgets the handle only when the original destroyed it.
template <class T>
BOOL forget(BOOL destroyed, std::set<T>& set, T handle) {
    if (destroyed) {
        std::lock_guard<std::mutex> lock(countsMutex);
        set.erase(handle);
    }
    return destroyed;
}

// The originals, filled when the import slots are rewritten.
struct Originals {
    decltype(&CreatePen) createPen = nullptr;
    decltype(&CreatePenIndirect) createPenIndirect = nullptr;
    decltype(&ExtCreatePen) extCreatePen = nullptr;
    decltype(&CreateSolidBrush) createSolidBrush = nullptr;
    decltype(&CreateBrushIndirect) createBrushIndirect = nullptr;
    decltype(&CreatePatternBrush) createPatternBrush = nullptr;
    decltype(&CreateFontIndirectA) createFontIndirectA = nullptr;
    decltype(&CreateFontA) createFontA = nullptr;
    decltype(&CreateCompatibleBitmap) createCompatibleBitmap = nullptr;
    decltype(&CreateBitmap) createBitmap = nullptr;
    decltype(&CreateDIBSection) createDIBSection = nullptr;
    decltype(&CreateRectRgn) createRectRgn = nullptr;
    decltype(&LoadBitmapA) loadBitmapA = nullptr;
    decltype(&LoadImageA) loadImageA = nullptr;
    decltype(&DeleteObject) deleteObject = nullptr;
    decltype(&CreateCompatibleDC) createCompatibleDC = nullptr;
    decltype(&DeleteDC) deleteDC = nullptr;
    decltype(&GetDC) getDC = nullptr;
    decltype(&GetWindowDC) getWindowDC = nullptr;
    decltype(&ReleaseDC) releaseDC = nullptr;
    decltype(&BeginPaint) beginPaint = nullptr;
    decltype(&EndPaint) endPaint = nullptr;
    decltype(&CreateWindowExA) createWindowExA = nullptr;
    decltype(&CreateWindowExW) createWindowExW = nullptr;
    decltype(&DestroyWindow) destroyWindow = nullptr;
    decltype(&CreatePopupMenu) createPopupMenu = nullptr;
    decltype(&CreateMenu) createMenu = nullptr;
    decltype(&DestroyMenu) destroyMenu = nullptr;
    decltype(&RegisterClassA) registerClassA = nullptr;
    decltype(&RegisterClassExA) registerClassExA = nullptr;
    decltype(&UnregisterClassA) unregisterClassA = nullptr;
} original;

HGDIOBJ keepGdi(HGDIOBJ object) { return keep(gdiObjects, object, madeCounts.gdiObjects); }

HPEN WINAPI hookCreatePen(int style, int width, COLORREF color) {
    return HPEN(keepGdi(original.createPen(style, width, color)));
}
HPEN WINAPI hookCreatePenIndirect(const LOGPEN* pen) {
    return HPEN(keepGdi(original.createPenIndirect(pen)));
}
HPEN WINAPI hookExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD count,
                             const DWORD* styles) {
    return HPEN(keepGdi(original.extCreatePen(style, width, brush, count, styles)));
}
HBRUSH WINAPI hookCreateSolidBrush(COLORREF color) {
    return HBRUSH(keepGdi(original.createSolidBrush(color)));
}
HBRUSH WINAPI hookCreateBrushIndirect(const LOGBRUSH* brush) {
    return HBRUSH(keepGdi(original.createBrushIndirect(brush)));
}
HBRUSH WINAPI hookCreatePatternBrush(HBITMAP bitmap) {
    return HBRUSH(keepGdi(original.createPatternBrush(bitmap)));
}
HFONT WINAPI hookCreateFontIndirectA(const LOGFONTA* font) {
    return HFONT(keepGdi(original.createFontIndirectA(font)));
}
HFONT WINAPI hookCreateFontA(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s, DWORD c, DWORD op,
                             DWORD cp, DWORD q, DWORD pf, LPCSTR face) {
    return HFONT(keepGdi(original.createFontA(h, w, e, o, wt, i, u, s, c, op, cp, q, pf, face)));
}
HBITMAP WINAPI hookCreateCompatibleBitmap(HDC dc, int w, int h) {
    return HBITMAP(keepGdi(original.createCompatibleBitmap(dc, w, h)));
}
HBITMAP WINAPI hookCreateBitmap(int w, int h, UINT planes, UINT bits, const void* data) {
    return HBITMAP(keepGdi(original.createBitmap(w, h, planes, bits, data)));
}
HBITMAP WINAPI hookCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                    DWORD offset) {
    return HBITMAP(keepGdi(original.createDIBSection(dc, info, usage, bits, section, offset)));
}
HRGN WINAPI hookCreateRectRgn(int l, int t, int r, int b) {
    return HRGN(keepGdi(original.createRectRgn(l, t, r, b)));
}
HBITMAP WINAPI hookLoadBitmapA(HINSTANCE module, LPCSTR name) {
    return HBITMAP(keepGdi(original.loadBitmapA(module, name)));
}
HANDLE WINAPI hookLoadImageA(HINSTANCE module, LPCSTR name, UINT type, int w, int h, UINT flags) {
    HANDLE image = original.loadImageA(module, name, type, w, h, flags);
    if (type == IMAGE_BITMAP) {
        keepGdi(image);
    }
    return image;
}
BOOL WINAPI hookDeleteObject(HGDIOBJ object) {
    return forget(original.deleteObject(object), gdiObjects, object);
}

HDC WINAPI hookCreateCompatibleDC(HDC dc) {
    return keep(memoryDCs, original.createCompatibleDC(dc), madeCounts.memoryDCs);
}
BOOL WINAPI hookDeleteDC(HDC dc) { return forget(original.deleteDC(dc), memoryDCs, dc); }

HDC windowDCTaken(HDC dc) {
    if (dc) {
        std::lock_guard<std::mutex> lock(countsMutex);
        ++windowDCBalance;
        ++madeCounts.windowDCs;
    }
    return dc;
}
void windowDCGiven(bool given) {
    if (!given) {
        return;
    }
    std::lock_guard<std::mutex> lock(countsMutex);
    --windowDCBalance;
}
HDC WINAPI hookGetDC(HWND window) { return windowDCTaken(original.getDC(window)); }
HDC WINAPI hookGetWindowDC(HWND window) { return windowDCTaken(original.getWindowDC(window)); }
int WINAPI hookReleaseDC(HWND window, HDC dc) {
    const int released = original.releaseDC(window, dc);
    windowDCGiven(released != 0);
    return released;
}
HDC WINAPI hookBeginPaint(HWND window, PAINTSTRUCT* paint) {
    return windowDCTaken(original.beginPaint(window, paint));
}
BOOL WINAPI hookEndPaint(HWND window, const PAINTSTRUCT* paint) {
    const BOOL ended = original.endPaint(window, paint);
    // EndPaint always answers true; it is the partner of a BeginPaint that gave a DC.
    windowDCGiven(paint && paint->hdc);
    return ended;
}

HWND WINAPI hookCreateWindowExA(DWORD ex, LPCSTR cls, LPCSTR title, DWORD style, int x, int y, int w, int h,
                                HWND parent, HMENU menu, HINSTANCE module, LPVOID param) {
    HWND window = original.createWindowExA(ex, cls, title, style, x, y, w, h, parent, menu, module, param);
    return keep(windows, window, madeCounts.windows);
}
HWND WINAPI hookCreateWindowExW(DWORD ex, LPCWSTR cls, LPCWSTR title, DWORD style, int x, int y, int w, int h,
                                HWND parent, HMENU menu, HINSTANCE module, LPVOID param) {
    HWND window = original.createWindowExW(ex, cls, title, style, x, y, w, h, parent, menu, module, param);
    return keep(windows, window, madeCounts.windows);
}
BOOL WINAPI hookDestroyWindow(HWND window) { return forget(original.destroyWindow(window), windows, window); }

HMENU WINAPI hookCreatePopupMenu() { return keep(menus, original.createPopupMenu(), madeCounts.menus); }
HMENU WINAPI hookCreateMenu() { return keep(menus, original.createMenu(), madeCounts.menus); }
BOOL WINAPI hookDestroyMenu(HMENU menu) { return forget(original.destroyMenu(menu), menus, menu); }

ATOM WINAPI hookRegisterClassA(const WNDCLASSA* windowClass) {
    return keep(windowClasses, original.registerClassA(windowClass), madeCounts.windowClasses);
}
ATOM WINAPI hookRegisterClassExA(const WNDCLASSEXA* windowClass) {
    return keep(windowClasses, original.registerClassExA(windowClass), madeCounts.windowClasses);
}
BOOL WINAPI hookUnregisterClassA(LPCSTR name, HINSTANCE module) {
    // The class may be named by its atom or by text; find the atom either way.
    WNDCLASSA info = {};
    ATOM atom = ATOM(GetClassInfoA(module, name, &info));
    if (IS_INTRESOURCE(name)) {
        atom = ATOM(reinterpret_cast<ULONG_PTR>(name));
    }
    const BOOL unregistered = original.unregisterClassA(name, module);
    if (unregistered) {
        std::lock_guard<std::mutex> lock(countsMutex);
        if (atom) {
            windowClasses.erase(atom);
        } else if (!windowClasses.empty()) {
            windowClasses.erase(windowClasses.begin());
        }
    }
    return unregistered;
}

struct Hook {
    const char* name;
    void* replacement;
    void** original;
};

template <class F>
Hook hook(const char* name, F replacement, F* originalSlot) {
    return Hook{name, reinterpret_cast<void*>(replacement), reinterpret_cast<void**>(originalSlot)};
}

const Hook* findHook(const char* name) {
    static const Hook hooks[] = {
        hook("CreatePen", &hookCreatePen, &original.createPen),
        hook("CreatePenIndirect", &hookCreatePenIndirect, &original.createPenIndirect),
        hook("ExtCreatePen", &hookExtCreatePen, &original.extCreatePen),
        hook("CreateSolidBrush", &hookCreateSolidBrush, &original.createSolidBrush),
        hook("CreateBrushIndirect", &hookCreateBrushIndirect, &original.createBrushIndirect),
        hook("CreatePatternBrush", &hookCreatePatternBrush, &original.createPatternBrush),
        hook("CreateFontIndirectA", &hookCreateFontIndirectA, &original.createFontIndirectA),
        hook("CreateFontA", &hookCreateFontA, &original.createFontA),
        hook("CreateCompatibleBitmap", &hookCreateCompatibleBitmap, &original.createCompatibleBitmap),
        hook("CreateBitmap", &hookCreateBitmap, &original.createBitmap),
        hook("CreateDIBSection", &hookCreateDIBSection, &original.createDIBSection),
        hook("CreateRectRgn", &hookCreateRectRgn, &original.createRectRgn),
        hook("LoadBitmapA", &hookLoadBitmapA, &original.loadBitmapA),
        hook("LoadImageA", &hookLoadImageA, &original.loadImageA),
        hook("DeleteObject", &hookDeleteObject, &original.deleteObject),
        hook("CreateCompatibleDC", &hookCreateCompatibleDC, &original.createCompatibleDC),
        hook("DeleteDC", &hookDeleteDC, &original.deleteDC),
        hook("GetDC", &hookGetDC, &original.getDC),
        hook("GetWindowDC", &hookGetWindowDC, &original.getWindowDC),
        hook("ReleaseDC", &hookReleaseDC, &original.releaseDC),
        hook("BeginPaint", &hookBeginPaint, &original.beginPaint),
        hook("EndPaint", &hookEndPaint, &original.endPaint),
        hook("CreateWindowExA", &hookCreateWindowExA, &original.createWindowExA),
        hook("CreateWindowExW", &hookCreateWindowExW, &original.createWindowExW),
        hook("DestroyWindow", &hookDestroyWindow, &original.destroyWindow),
        hook("CreatePopupMenu", &hookCreatePopupMenu, &original.createPopupMenu),
        hook("CreateMenu", &hookCreateMenu, &original.createMenu),
        hook("DestroyMenu", &hookDestroyMenu, &original.destroyMenu),
        hook("RegisterClassA", &hookRegisterClassA, &original.registerClassA),
        hook("RegisterClassExA", &hookRegisterClassExA, &original.registerClassExA),
        hook("UnregisterClassA", &hookUnregisterClassA, &original.unregisterClassA),
    };
    for (const Hook& h : hooks) {
        if (std::strcmp(h.name, name) == 0) {
            return &h;
        }
    }
    return nullptr;
}

bool isHookedLibrary(const std::string& name) {
    return _stricmp(name.c_str(), "gdi32.dll") == 0 || _stricmp(name.c_str(), "user32.dll") == 0;
}

int rewriteImports(HMODULE module) {
    int rewritten = 0;
    for (const ImportSlot& import : importSlots(module)) {
        if (import.byOrdinal || !isHookedLibrary(import.library)) {
            continue;
        }
        const Hook* h = findHook(import.name.c_str());
        if (!h) {
            continue;
        }
        ++rewritten;
        // Already passing through the recorder (hooked earlier in this load).
        if (*import.slot == h->replacement) {
            continue;
        }
        *h->original = redirectSlot(import.slot, h->replacement);
    }
    return rewritten;
}

}  // namespace

std::string NativeCounts::describe() const {
    std::ostringstream text;
    text << "gdi objects " << gdiObjects << ", memory DCs " << memoryDCs << ", window DCs " << windowDCs
         << ", windows " << windows << ", menus " << menus << ", window classes " << windowClasses;
    return text.str();
}

int ImportCounter::install(HMODULE module) {
    std::lock_guard<std::mutex> lock(countsMutex);
    return rewriteImports(module);
}

NativeCounts ImportCounter::live() {
    std::lock_guard<std::mutex> lock(countsMutex);
    NativeCounts counts;
    for (HGDIOBJ object : gdiObjects) {
        counts.gdiObjects += GetObjectType(object) != 0;
    }
    for (HDC dc : memoryDCs) {
        counts.memoryDCs += GetObjectType(dc) != 0;
    }
    counts.windowDCs = windowDCBalance;
    for (HWND window : windows) {
        counts.windows += IsWindow(window) != 0;
    }
    for (HMENU menu : menus) {
        counts.menus += IsMenu(menu) != 0;
    }
    counts.windowClasses = std::int32_t(windowClasses.size());
    return counts;
}

NativeCounts ImportCounter::made() {
    std::lock_guard<std::mutex> lock(countsMutex);
    return madeCounts;
}

}  // namespace qp::test
