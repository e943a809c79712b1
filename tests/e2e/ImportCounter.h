// Counts the native GDI and USER objects one loaded library makes and frees, seen
// from outside: after LoadLibrary the test rewrites the library's import table so
// that its calls to the creating and freeing functions of gdi32 and user32 pass
// through recorders here. The library itself is unchanged and exports nothing
// extra; Wine answers 0 to GetGuiResources, so this is how a test sees leaks.
//
// Every handle a recorder sees created is kept until it is freed. A handle the
// library never freed but that is gone anyway (a child window destroyed with its
// parent, a submenu destroyed with its menu) is not counted as live: live counts
// re-check each kept handle with GetObjectType, IsWindow or IsMenu.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace qp::test {

struct NativeCounts {
    std::int32_t gdiObjects = 0;  // pens, brushes, fonts, bitmaps, regions
    std::int32_t memoryDCs = 0;   // CreateCompatibleDC without DeleteDC
    std::int32_t windowDCs = 0;   // GetDC/BeginPaint without ReleaseDC/EndPaint
    std::int32_t windows = 0;
    std::int32_t menus = 0;
    std::int32_t windowClasses = 0;

    std::int32_t gdiTotal() const { return gdiObjects + memoryDCs + windowDCs; }
    std::int32_t userTotal() const { return windows + menus + windowClasses; }
    bool operator==(const NativeCounts&) const = default;
    std::string describe() const;
};

class ImportCounter {
public:
    // Hooks the imports of module; the number of import slots that pass through a
    // recorder. Calling it again for a module already hooked changes nothing. The
    // hooks last as long as the module stays loaded.
    static int install(HMODULE module);
    // Objects made through the hooks and still alive now.
    static NativeCounts live();
    // How many objects of each kind were ever made through the hooks.
    static NativeCounts made();
};

}  // namespace qp::test
