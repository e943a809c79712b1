// msimg32.dll, the home of the platform's TransparentBlt, held on behalf of one
// frame. The toolkit draws transparent bitmaps through that entry point
// (Bitmap.h: transparentBlit()), so it must not outlive the library: the last
// holder to let go clears it rather than leave it pointing into an unloaded module.
//
// Frame owns one and calls load() in its constructor and free() in its
// destructor; everything runs on the editor window's thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace qp {

// The platform's TransparentBlt, looked up at run time from msimg32.dll by the
// frame. Without it, transparent drawing takes the mask path; both give the
// same pixels.
using TransparentBlitProc = std::int32_t(__stdcall*)(HDC dest, std::int32_t x, std::int32_t y, std::int32_t w,
                                                     std::int32_t h, HDC source, std::int32_t sx,
                                                     std::int32_t sy, std::int32_t sw, std::int32_t sh,
                                                     std::uint32_t transparent);
void setTransparentBlit(TransparentBlitProc proc);
TransparentBlitProc transparentBlit();

class TransparentBlitLibrary {
public:
    TransparentBlitLibrary() = default;
    ~TransparentBlitLibrary() { free(); }

    TransparentBlitLibrary(const TransparentBlitLibrary&) = delete;
    TransparentBlitLibrary& operator=(const TransparentBlitLibrary&) = delete;

    // Clears the entry point, loads the library and installs its TransparentBlt
    // when the system is of the NT family. Call once.
    void load();
    // Lets the library go; the last holder clears the entry point first.
    void free();

private:
    HMODULE library_ = nullptr;
};

}  // namespace qp
