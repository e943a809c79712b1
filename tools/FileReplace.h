// Writing a whole file so that it is either replaced whole or left as it was:
// the bytes go to a new file beside the target, are flushed to the disk, and
// only then is the new file renamed over the target (one step on both Windows
// and POSIX). Whatever fails on the way, the old file stays and the new one is
// removed. What the user set on the old file stays: the new one gets its
// permissions (POSIX mode bits and, where the process may, owner and group;
// Windows' hidden and system attributes and access list), a read-only file is
// refused untouched on both systems, and a link keeps pointing at its file, which
// gets the new contents. On POSIX the folder is flushed after the rename; should
// that alone fail, the error says the new contents are already in place.
// Each platform has its own file (FileReplacePosix.cpp, FileReplaceWin32.cpp);
// this header stays free of platform types.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qp::tools {

// False, with "cannot write PATH: reason" in *error, when the file could not be replaced.
bool replaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

}  // namespace qp::tools
