#include <windows.h>

#include <algorithm>

#include "tools/FileReplace.h"

namespace qp::tools {

namespace {

// Only leftovers of crashed runs that had our process number take names, so a
// free one is always among the first few.
constexpr unsigned kNameAttempts = 100;

bool fail(const std::string& path, DWORD code, std::string* error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) {
        reason.pop_back();
    }
    *error = "cannot write " + path + ": " + (reason.empty() ? "error " + std::to_string(code) : reason);
    return false;
}

bool writeAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        // WriteFile takes at most a DWORD of bytes at once.
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

// The narrow (ANSI) path, as the rest of qphost opens files.
bool replaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string* error) {
    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kNameAttempts; ++attempt) {
        temporary =
            path + ".partial-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
            return fail(path, GetLastError(), error);
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return fail(path, ERROR_FILE_EXISTS, error);
    }
    const auto abandon = [&](DWORD code) {
        DeleteFileA(temporary.c_str());
        return fail(path, code, error);
    };
    if (!writeAll(file, bytes) || !FlushFileBuffers(file)) {
        const DWORD code = GetLastError();
        CloseHandle(file);
        return abandon(code);
    }
    if (!CloseHandle(file) ||
        !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return abandon(GetLastError());
    }
    return true;
}

}  // namespace qp::tools
