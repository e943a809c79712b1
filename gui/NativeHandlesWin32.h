// The neutral handles of NativeHandles.h as the Windows types they hold. Brings
// in <windows.h>; for Win32 files only.
#pragma once

#include <windows.h>

#include "gui/NativeHandles.h"

namespace qp::win32 {

inline HWND hwnd(NativeWindow window) { return static_cast<HWND>(window); }
inline HDC hdc(NativeDC context) { return static_cast<HDC>(context); }
inline HBITMAP hbitmap(NativeBitmap bitmap) { return static_cast<HBITMAP>(bitmap); }
inline HINSTANCE hinstance(NativeModule module) { return static_cast<HINSTANCE>(module); }
inline HMENU hmenu(NativeMenu menu) { return static_cast<HMENU>(menu); }

}  // namespace qp::win32
