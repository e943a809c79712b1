// The Platform of the product: real message boxes, the current user's registry,
// the library's own module file and resources.
#include <windows.h>

#include <cstdio>

#include "host/ModuleHandle.h"
#include "host/Platform.h"

namespace qp {

namespace {

HMODULE ownModule() { return static_cast<HMODULE>(moduleHandle()); }

class Win32Platform final : public Platform {
public:
    MessageAnswer messageBox(const char* text, const char* caption, MessageKind kind) override {
        UINT style = MB_TASKMODAL;
        switch (kind) {
            case MessageKind::Question:
                style |= MB_YESNO | MB_ICONWARNING;
                break;
            case MessageKind::Error:
                style |= MB_OK | MB_ICONERROR;
                break;
            case MessageKind::Confirmation:
                style |= MB_OK | MB_ICONINFORMATION;
                break;
        }
        // No owner window: the editor's window may be gone, or the command may
        // come from a host thread that owns no window at all.
        const int answer = MessageBoxA(nullptr, text, caption, style);
        if (kind != MessageKind::Question) {
            return MessageAnswer::Ok;
        }
        return answer == IDYES ? MessageAnswer::Yes : MessageAnswer::No;
    }

    KeyOpening openUserKey(const char* path, SettingsKey* key) override {
        HKEY opened = nullptr;
        DWORD disposition = 0;
        char emptyClass[] = "";
        const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                            KEY_READ | KEY_WRITE, nullptr, &opened, &disposition);
        if (status != ERROR_SUCCESS) {
            return KeyOpening::Failed;
        }
        *key = opened;
        return disposition == REG_CREATED_NEW_KEY ? KeyOpening::Created : KeyOpening::Existed;
    }

    bool setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) override {
        const BYTE bytes[4] = {BYTE(data), BYTE(data >> 8), BYTE(data >> 16), BYTE(data >> 24)};
        return RegSetValueExA(static_cast<HKEY>(key), valueName, 0, REG_DWORD, bytes, sizeof bytes) ==
               ERROR_SUCCESS;
    }

    bool queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) override {
        DWORD length = *size;
        if (RegQueryValueExA(static_cast<HKEY>(key), valueName, nullptr, nullptr, static_cast<BYTE*>(buffer),
                             &length) != ERROR_SUCCESS) {
            return false;
        }
        *size = length;
        return true;
    }

    void closeKey(SettingsKey key) override { RegCloseKey(static_cast<HKEY>(key)); }

    bool moduleFileName(char* buffer, std::uint32_t size) override {
        if (!buffer || size == 0) {
            return false;
        }
        // A full buffer means the path was cut (and older systems leave it
        // unterminated): a cut path names some other file, so it is unavailable.
        const DWORD length = GetModuleFileNameA(ownModule(), buffer, size);
        return length != 0 && length < size;
    }

    std::int32_t readFileStart(const char* path, void* buffer, std::uint32_t size) override {
        std::FILE* file = std::fopen(path, "rb");
        if (!file) {
            return -1;
        }
        const std::size_t count = std::fread(buffer, 1, size, file);
        std::fclose(file);
        return std::int32_t(count);
    }

    bool findResource(const char* type, std::uint16_t id, const void** data, std::uint32_t* size) override {
        HRSRC found = FindResourceA(ownModule(), MAKEINTRESOURCEA(id), type);
        if (!found) {
            return false;
        }
        HGLOBAL loaded = LoadResource(ownModule(), found);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes) {
            return false;
        }
        *data = bytes;
        *size = SizeofResource(ownModule(), found);
        return true;
    }
};

}  // namespace

Platform& defaultPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace qp
