#include <windows.h>

#include <algorithm>

#include "tools/FileReplace.h"

namespace qp::tools {

namespace {

// Only leftovers of crashed runs that had our process number take names, so a
// free one is always among the first few.
constexpr unsigned kNameAttempts = 100;

bool fail(const std::string& path, const std::string& reason, std::string* error) {
    *error = "cannot write " + path + ": " + reason;
    return false;
}

bool fail(const std::string& path, DWORD code, std::string* error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        code, 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) {
        reason.pop_back();
    }
    return fail(path, reason.empty() ? "error " + std::to_string(code) : reason, error);
}

constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The file a link finally points to, as a full path.
bool finalPath(const std::string& path, std::string* resolved) {
    const HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[MAX_PATH * 4];
    const DWORD length =
        GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const DWORD code = GetLastError();
    CloseHandle(file);
    SetLastError(length == 0 ? code : ERROR_FILENAME_EXCED_RANGE);
    if (length == 0 || length >= sizeof buffer) {
        return false;
    }
    resolved->assign(buffer, length);
    return true;
}

// Who may read and change the old file is the user's choice too; the new file
// would otherwise get only what its folder hands down. Where the old list cannot
// be read or set (a file system without any), the folder's stays: no worse than
// a new file.
void keepAccessList(const std::string& from, const std::string& to) {
    DWORD size = 0;
    GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    if (size == 0) {
        return;
    }
    std::vector<std::uint8_t> descriptor(size);
    if (GetFileSecurityA(from.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size)) {
        SetFileSecurityA(to.c_str(), DACL_SECURITY_INFORMATION, descriptor.data());
    }
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
    std::string target = path;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A link stays a link: moving over it would replace the link itself and
        // leave the file it points to as it was. A link to nowhere is refused.
        std::string resolved;
        if (!finalPath(path, &resolved)) {
            return fail(path, GetLastError(), error);
        }
        target = resolved;
        attributes = GetFileAttributesA(target.c_str());
    }
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // MoveFileEx would refuse too, but only after the new file was written, and
    // with nothing better than "access denied".
    if (existed && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return fail(path, "the file is read-only", error);
    }
    // What the user set on the old file (hidden, system, left out of the index)
    // the new one has from its start; it is a changed file, so it is due for backup.
    const DWORD kept = existed ? attributes & kKeptAttributes : 0;

    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kNameAttempts; ++attempt) {
        temporary =
            target + ".partial-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           kept ? kept | FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL, nullptr);
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
    if (!CloseHandle(file)) {
        return abandon(GetLastError());
    }
    if (existed) {
        keepAccessList(target, temporary);
    }
    // Write-through: the move is on the disk, folder entry included, when it returns.
    if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return abandon(GetLastError());
    }
    return true;
}

}  // namespace qp::tools
