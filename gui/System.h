// What the toolkit and the editor ask of the system apart from windows and
// drawing: the time, the user's double-click interval and the calling thread.
// SystemWin32.cpp and SystemX11.cpp answer.
#pragma once

#include <cstdint>

#include "gui/NativeHandles.h"

namespace qp {

// Milliseconds from some fixed start; wraps around at 2^32.
std::uint32_t systemTicks();
// The user's longest interval between the two presses of a double click, in ms.
std::int32_t doubleClickTime();
// The calling thread's id in the system; never 0.
std::uint32_t currentThreadId();
// The scale the system shows this window at (1.0: 96 dots per inch): on Windows
// the window's DPI where the system knows one per window, else the system DPI;
// on X11 the desktop's Xft.dpi resource, else 1.0. Any window handle, or none.
double windowScale(NativeWindow window);

}  // namespace qp
