// The window class of every frame's native window, shared by all frames of this
// module: registered when the first frame needs it and unregistered when the last
// one lets it go. Its name carries the module's whole instance handle in at least
// eight lowercase hexadecimal digits ("Plugin%08llx"), so two
// libraries built from this code never share a class.
//
// The class asks for no double-click messages: a double click arrives as two
// presses, and controls recognise pairs themselves.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qp {

class Frame;

class FrameWindowClass {
public:
    // Adds a user; registers the class for the first. Also reads the system's
    // swap-buttons setting into swappedButtons() at that moment.
    static void acquire();
    // Removes a user; unregisters the class after the last.
    static void release();
    static const char* name();
    static std::int32_t useCount();

    // The window procedure's way into the frame's message handling.
    static std::intptr_t dispatch(Frame* frame, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  bool& handled);
};

}  // namespace qp
