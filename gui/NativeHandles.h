// The few Windows handle types that toolkit headers mention, declared the way
// <windows.h> declares them (STRICT handles are pointers to distinct structs), so
// a header can name an HDC or HWND without pulling in the whole platform API.
// A .cpp that includes <windows.h> sees the very same types: no casts needed.
#pragma once

struct HDC__;
struct HWND__;
struct HBITMAP__;
struct HINSTANCE__;

namespace qp {

using NativeDC = HDC__*;
using NativeWindow = HWND__*;
using NativeBitmap = HBITMAP__*;
using NativeModule = HINSTANCE__*;

}  // namespace qp
