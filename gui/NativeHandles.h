// The native handles that toolkit headers mention, in a form every platform can
// compile: each is a pointer-sized value whose meaning only the back end knows.
// A host hands its window over as a void* (an HWND from a VST 2 host, the X11
// Window id from an LV2 host's ui:parent), so that is the shape kept throughout.
//
// Each back end converts in one place: NativeHandlesWin32.h turns these into
// HWND, HDC, HBITMAP and HINSTANCE, NativeHandlesX11.h into X11 ids and cairo
// objects. Shared code only stores, compares and passes them on.
#pragma once

namespace qp {

// A window: an HWND on Windows; on X11 the Window id (an XID) in the pointer's bits.
using NativeWindow = void*;
// What a DrawContext draws through: an HDC on Windows, a cairo_t* on X11.
using NativeDC = void*;
// A bitmap's pixels: an HBITMAP on Windows, a cairo_surface_t* on X11.
using NativeBitmap = void*;
// The module whose resources the toolkit loads: an HINSTANCE on Windows; unused on X11.
using NativeModule = void*;
// One menu of a popup: an HMENU on Windows; on X11 the back end's own menu object.
using NativeMenu = void*;

}  // namespace qp
