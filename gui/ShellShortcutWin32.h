// Shell shortcuts (".lnk" files) replaced by the files they point to, for file
// drops. Needs COM initialised on the calling thread (the frame does that).
#pragma once

#include <cstddef>

namespace qp {

class ShellShortcut {
public:
    // Path buffers of dropped files hold this many characters, terminator included.
    static constexpr std::size_t kPathSize = 1024;

    // Whether the text after the path's last "." is "lnk", in any case.
    static bool isShortcutPath(const char* path);
    // Resolves a shortcut in place (path holds kPathSize characters) into the
    // short (8.3) form of its target's path, without any user interface. False,
    // with the path unchanged, for anything that is not a resolvable shortcut.
    static bool resolve(char* path);
};

}  // namespace qp
