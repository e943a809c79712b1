// The Platform of the Linux edition's UI: the per-user settings in a file
// (host/SettingsFilePosix.h), message boxes on standard error, the library's
// own file through dladdr. The build's default outside Windows stays a
// MemoryPlatform (host/PlatformPosix.cpp), so no test and no plug-in scan
// writes into a user's home unless a composition root installs this one.
//
// Its key handles are independent, so editors on several threads may use it at
// once; each call opens, reads or replaces the file, so none may run on an
// audio thread.
#pragma once

#include <cstdio>
#include <string>

#include "host/Platform.h"

namespace qp {

class PosixPlatform final : public Platform {
public:
    // Messages go to messages (standard error in the product), each line
    // starting with "<product>: ".
    explicit PosixPlatform(const char* product, std::FILE* messages = stderr);
    PosixPlatform(const PosixPlatform&) = delete;
    PosixPlatform& operator=(const PosixPlatform&) = delete;

    // Nobody can answer a dialog from a plug-in's UI here: questions are written
    // out and answered No at once, so nothing is written on anyone's behalf and no
    // thread waits; errors and confirmations are written out and answered Ok.
    MessageAnswer messageBox(const char* text, const char* caption, MessageKind kind) override;
    // An open editor asks in its window instead, so the host's loop keeps running
    // while the user answers; messageBox stays for when no editor is open.
    bool asksInEditor() const override { return true; }
    // Software\<vendor>\<product> only; Existed when the settings file is there,
    // else Created: no file is made before a value is written. The folder is
    // found from XDG_CONFIG_HOME and HOME as they are at the opening.
    KeyOpening openUserKey(const char* path, SettingsKey* key) override;
    bool setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) override;
    // A stored value is a DWORD: 4 little-endian bytes, read from the file as it
    // is now (another instance may have written it since the key was opened).
    bool queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) override;
    void closeKey(SettingsKey key) override;
    bool moduleFileName(char* buffer, std::uint32_t size) override;
    std::int32_t readFileStart(const char* path, void* buffer, std::uint32_t size) override;
    // The pictures are compiled into the library (resources/): there are no others.
    bool findResource(const char* type, std::uint16_t id, const void** data, std::uint32_t* size) override;

private:
    std::string product_;
    std::FILE* messages_;
};

// Makes a PosixPlatform for the product the current platform, once per process.
// Only the modules' roots call it (the VST 2 library, the LV2 UI, the CLAP
// module), so tests that link the rest never write into a real home. The
// platform is never destroyed: every module stays loaded once loaded
// (nodelete), and making it only stores the product's name.
void keepSettingsInTheUsersFile(const char* product);

}  // namespace qp
