// The neutral handles of NativeHandles.h as the X11 values they hold. A window
// is carried as its id in a pointer's bits, which is how an LV2 host hands
// ui:parent over. Brings in Xlib; for X11 files only.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "gui/NativeHandles.h"

namespace qp::x11 {

inline ::Window windowId(NativeWindow window) { return ::Window(reinterpret_cast<std::uintptr_t>(window)); }
inline NativeWindow nativeWindow(::Window window) {
    return reinterpret_cast<NativeWindow>(std::uintptr_t(window));
}

}  // namespace qp::x11
