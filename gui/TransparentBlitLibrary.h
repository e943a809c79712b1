// msimg32.dll, the home of the platform's TransparentBlt, held on behalf of one
// frame. The toolkit draws transparent bitmaps through that entry point
// (Bitmap.h: transparentBlit()), so it must not outlive the library: the last
// holder to let go clears it rather than leave it pointing into an unloaded module.
//
// Frame owns one and calls load() in its constructor and free() in its
// destructor; everything runs on the editor window's thread.
#pragma once

#include "gui/NativeHandles.h"

namespace qp {

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
    NativeModule library_ = nullptr;
};

}  // namespace qp
