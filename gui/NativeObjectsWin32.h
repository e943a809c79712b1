// Every native GDI and USER object the toolkit makes or frees goes through these
// wrappers, which keep a live count per kind. The platform cannot be asked (Wine
// answers 0 to GetGuiResources), so this is how tests prove that a context, a
// bitmap or a frame deletes everything it made exactly once, on every path.
// The counts are a few relaxed atomic adds: cheap enough to stay on in the product.
//
// Controls built on the toolkit use these too, so their objects are counted.
// This header brings in <windows.h>; include it from .cpp files only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gui/NativeHandlesWin32.h"

namespace qp::native {

enum class Kind : std::int32_t {
    pen,
    brush,
    font,
    bitmap,
    memoryDC,     // CreateCompatibleDC / DeleteDC
    windowDC,     // GetDC / ReleaseDC and BeginPaint / EndPaint
    window,       // CreateWindowEx / DestroyWindow (or destroyed with its parent)
    menu,         // CreatePopupMenu, CreateMenu / DestroyMenu
    library,      // LoadLibrary / FreeLibrary
    windowClass,  // RegisterClass / UnregisterClass
    oleInit,      // a successful OleInitialize / its OleUninitialize
    count
};

std::int32_t liveCount(Kind kind);
// All kinds added up; a test compares this before and after many cycles.
std::int32_t liveTotal();

HPEN createPen(int style, int width, COLORREF color);
HBRUSH createSolidBrush(COLORREF color);
HFONT createFontIndirect(const LOGFONTA* font);
// The description the toolkit's fonts start from: a plain variable-pitch sans
// face, height pixels high (character height, not cell height), no face name.
LOGFONTA plainFontDescription(std::int32_t height);
HBITMAP loadBitmap(HINSTANCE module, int resourceId);
HBITMAP createCompatibleBitmap(HDC dc, int width, int height);
HBITMAP createBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP createDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits);
// Pens, brushes, fonts and bitmaps; the kind is read from the object itself. A
// stock object or a handle that is not a live object changes no count.
BOOL deleteObject(HGDIOBJ object);

HDC createCompatibleDC(HDC dc);
BOOL deleteDC(HDC dc);
HDC getDC(HWND window);
int releaseDC(HWND window, HDC dc);
HDC beginPaint(HWND window, PAINTSTRUCT* paint);
BOOL endPaint(HWND window, const PAINTSTRUCT* paint);

HWND createWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE module, void* param);
BOOL destroyWindow(HWND window);
// For a window that went away with its parent: its procedure saw WM_NCDESTROY
// without anyone calling destroyWindow.
void windowDestroyedElsewhere();

HMENU createPopupMenu();
HMENU createMenu();
BOOL destroyMenu(HMENU menu);

HMODULE loadLibrary(const char* name);
BOOL freeLibrary(HMODULE module);

ATOM registerClass(const WNDCLASSA* windowClass);
BOOL unregisterClass(const char* className, HINSTANCE module);

// Counted when OleInitialize succeeds; call oleUninitialize only after that, on
// the same thread (ThreadOle does both).
HRESULT oleInitialize();
void oleUninitialize();

}  // namespace qp::native
