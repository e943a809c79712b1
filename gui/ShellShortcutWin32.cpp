#include "gui/ShellShortcutWin32.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <cstring>

namespace qp {

namespace {

// Resolve without any user interface, accepting the best match, and give the
// search at most 500 ms (the time-out sits in the flags' high word).
constexpr DWORD kResolveFlags = DWORD(SLR_NO_UI) | DWORD(SLR_ANY_MATCH) | (500u << 16);
// The wide copy of a path: twice the path buffer, room for any ANSI text.
constexpr int kWidePathSize = 2048;

}  // namespace

bool ShellShortcut::isShortcutPath(const char* path) {
    if (!path) {
        return false;
    }
    const char* dot = std::strrchr(path, '.');
    return dot && lstrcmpiA(dot, ".lnk") == 0;
}

bool ShellShortcut::resolve(char* path) {
    if (!isShortcutPath(path)) {
        return false;
    }
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        !link) {
        return false;
    }

    bool resolved = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && file) {
        WCHAR widePath[kWidePathSize] = {};
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, kWidePathSize) > 0 &&
            SUCCEEDED(file->Load(widePath, STGM_READ)) && link->Resolve(nullptr, kResolveFlags) == S_OK) {
            // Read into a buffer of our own: a failed read must leave the
            // shortcut's path as it was, and an empty target is no resolution.
            char target[kPathSize] = {};
            WIN32_FIND_DATAA found = {};
            // Some shells (Wine's among them) "resolve" a shortcut whose target
            // is gone to the stored path: a target that does not exist is no
            // resolution, and the shortcut is delivered under its own path.
            if (link->GetPath(target, int(kPathSize), &found, SLGP_SHORTPATH) == S_OK && target[0] &&
                GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
                target[kPathSize - 1] = '\0';
                std::memcpy(path, target, kPathSize);
                resolved = true;
            }
        }
        file->Release();
    }
    link->Release();
    return resolved;
}

}  // namespace qp
