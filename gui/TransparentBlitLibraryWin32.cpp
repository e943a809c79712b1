#include "gui/TransparentBlitLibraryWin32.h"

#include <windows.h>

#include <cstdint>

#include "gui/Bitmap.h"
#include "gui/NativeObjectsWin32.h"

namespace qp {

namespace {

// Holders across all frames of this module.
std::int32_t drawingLibraryHolders = 0;

// GetVersionEx reports platform ids 0 (Win32s), 1 (Windows 9x) and 2 (NT); only
// the NT family's TransparentBlt is trusted, the 9x one leaked resources.
constexpr DWORD kNtPlatformId = VER_PLATFORM_WIN32_NT;

}  // namespace

void TransparentBlitLibrary::load() {
    setTransparentBlit(nullptr);
    library_ = native::loadLibrary("msimg32.dll");
    if (!library_) {
        return;
    }
    ++drawingLibraryHolders;
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version) && version.dwPlatformId >= kNtPlatformId) {
        setTransparentBlit(reinterpret_cast<TransparentBlitProc>(
            reinterpret_cast<void*>(GetProcAddress(library_, "TransparentBlt"))));
    }
}

void TransparentBlitLibrary::free() {
    if (!library_) {
        return;
    }
    if (--drawingLibraryHolders == 0) {
        setTransparentBlit(nullptr);
    }
    native::freeLibrary(library_);
    library_ = nullptr;
}

}  // namespace qp
