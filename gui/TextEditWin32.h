// What the frame's window procedure asks of a text edit on Windows. Brings in
// <windows.h>; for Win32 files only.
#pragma once

#include <windows.h>

namespace qp {

class TextEdit;

// Sets the text and background colours of the edit window's dc (its
// WM_CTLCOLOREDIT) and answers the brush for its background. The control keeps
// (and later deletes) the brush; each call replaces the previous one.
HBRUSH editWindowColors(TextEdit& edit, HDC dc);

}  // namespace qp
