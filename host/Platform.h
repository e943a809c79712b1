// The few operating-system services the effect core needs: message boxes, the
// per-user registry, the library's own file and resources. The core reaches them
// only through the current Platform, so it builds and is tested without Windows:
// PlatformWin32.cpp serves the Windows product, PlatformPosix.h the Linux UI,
// MemoryPlatform the native build and tests.
#pragma once

#include <cstdint>

namespace qp {

// The three kinds of user-facing message; each has its fixed caption and buttons.
enum class MessageKind {
    Question,      // "Warning!", Yes and No
    Error,         // "Error!", OK
    Confirmation,  // "Ok!", OK
};

enum class MessageAnswer {
    Yes,
    No,
    Ok
};

constexpr const char* kQuestionCaption = "Warning!";
constexpr const char* kErrorCaption = "Error!";
constexpr const char* kConfirmationCaption = "Ok!";

const char* captionFor(MessageKind kind);

// An open registry key; only the platform that opened it knows what is behind it.
using SettingsKey = void*;

enum class KeyOpening {
    Failed,
    Created,  // the key did not exist and is now there, empty
    Existed,
};

class Platform {
public:
    virtual ~Platform() = default;

    // A message box with no owner window; blocks the calling thread until answered.
    virtual MessageAnswer messageBox(const char* text, const char* caption, MessageKind kind) = 0;
    // Whether an open editor asks the effect's questions (and shows its notices)
    // inside its own window rather than in messageBox: where the system has no
    // message box a plug-in can show without blocking its host.
    virtual bool asksInEditor() const { return false; }

    // Opens the key at path below the current user's hive for reading and
    // writing, creating it when missing. *key is set only when it did not fail.
    virtual KeyOpening openUserKey(const char* path, SettingsKey* key) = 0;
    // Stores a 4-byte little-endian DWORD value.
    virtual bool setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) = 0;
    // Reads a value of any type into a buffer of *size bytes; on success *size is
    // the number of bytes read. Fails for a missing value and for data longer
    // than the buffer.
    virtual bool queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) = 0;
    virtual void closeKey(SettingsKey key) = 0;

    // The loaded library's own file path, zero-terminated; false when it is not
    // available or does not fit into size bytes.
    virtual bool moduleFileName(char* buffer, std::uint32_t size) = 0;
    // Reads up to size bytes from the start of a file; the count read, or -1
    // when the file cannot be opened.
    virtual std::int32_t readFileStart(const char* path, void* buffer, std::uint32_t size) = 0;
    // Finds a resource of the library by type name and integer id; the bytes
    // stay owned by the platform (on Windows: mapped with the module).
    virtual bool findResource(const char* type, std::uint16_t id, const void** data, std::uint32_t* size) = 0;
};

// The platform the core uses now. Null restores the build's default: the real
// Windows one in the win32 build, a MemoryPlatform in the native build. Tests
// install their own; the caller keeps ownership.
Platform& currentPlatform();
void setCurrentPlatform(Platform* platform);
// The build's default, defined in the file named for its platform
// (PlatformWin32.cpp, PlatformPosix.cpp).
Platform& defaultPlatform();

// The system's three message shapes, with their fixed captions.
bool askYesNo(const char* text);  // true for Yes
void showError(const char* text);
void showConfirmation(const char* text);

}  // namespace qp
