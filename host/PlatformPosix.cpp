// The default Platform outside Windows (the LV2 plug-in, the native tests), and
// the one the LV2 UI installs for its editors.
#include "host/PlatformPosix.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/MemoryPlatform.h"
#include "host/SettingsFilePosix.h"

namespace qp {

namespace {

// What dladdr is asked about: any function of this library names its file.
void moduleAnchor() {}

SettingsLocation* locationOf(SettingsKey key) { return static_cast<SettingsLocation*>(key); }

}  // namespace

Platform& defaultPlatform() {
    static MemoryPlatform platform;
    return platform;
}

PosixPlatform::PosixPlatform(const char* product, std::FILE* messages)
    : product_(product ? product : ""),
      messages_(messages) {}

MessageAnswer PosixPlatform::messageBox(const char* text, const char* caption, MessageKind kind) {
    // One write per message, so that lines of two threads do not mix. A question
    // is written out too, with the answer given for the user, so that whoever
    // reads the log knows why nothing happened.
    std::string line = product_ + ": " + (caption ? caption : captionFor(kind)) + " " + (text ? text : "");
    line += kind == MessageKind::Question ? " (answered No: there is no window to ask in)\n" : "\n";
    if (messages_) {
        std::fwrite(line.data(), 1, line.size(), messages_);
        std::fflush(messages_);
    }
    return kind == MessageKind::Question ? MessageAnswer::No : MessageAnswer::Ok;
}

KeyOpening PosixPlatform::openUserKey(const char* path, SettingsKey* key) {
    if (!key) {
        return KeyOpening::Failed;
    }
    std::optional<SettingsLocation> location =
        settingsLocation(path, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    if (!location) {
        return KeyOpening::Failed;
    }
    const bool existed = settingsFileExists(location->file);
    *key = new SettingsLocation(std::move(*location));
    return existed ? KeyOpening::Existed : KeyOpening::Created;
}

bool PosixPlatform::setDwordValue(SettingsKey key, const char* valueName, std::uint32_t data) {
    return key && writeSettingsValue(*locationOf(key), valueName, data);
}

bool PosixPlatform::queryValue(SettingsKey key, const char* valueName, void* buffer, std::uint32_t* size) {
    constexpr std::uint32_t kDwordSize = 4;
    if (!key || !valueName || !size || !buffer || *size < kDwordSize) {
        return false;
    }
    for (const auto& [name, value] : readSettingsFile(locationOf(key)->file)) {
        if (name == valueName) {
            const unsigned char bytes[kDwordSize] = {std::uint8_t(value), std::uint8_t(value >> 8),
                                                     std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
            std::memcpy(buffer, bytes, kDwordSize);
            *size = kDwordSize;
            return true;
        }
    }
    return false;
}

void PosixPlatform::closeKey(SettingsKey key) { delete locationOf(key); }

bool PosixPlatform::moduleFileName(char* buffer, std::uint32_t size) {
    Dl_info info;
    if (!buffer || size == 0 || ::dladdr(reinterpret_cast<void*>(&moduleAnchor), &info) == 0 ||
        !info.dli_fname || !info.dli_fname[0]) {
        return false;
    }
    // The name as it was loaded may be relative to a folder the host has left.
    char* resolved = ::realpath(info.dli_fname, nullptr);
    const char* name = resolved ? resolved : info.dli_fname;
    const std::size_t length = std::strlen(name);
    // A cut path names some other file, so it is unavailable.
    const bool fits = length < size;
    if (fits) {
        std::memcpy(buffer, name, length + 1);
    }
    std::free(resolved);
    return fits;
}

std::int32_t PosixPlatform::readFileStart(const char* path, void* buffer, std::uint32_t size) {
    const int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY) : -1;
    if (fd < 0) {
        return -1;
    }
    // Callers read the start of small files; the count stays inside the result's range.
    const std::size_t wanted = std::min<std::size_t>(size, INT32_MAX);
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t count = ::read(fd, static_cast<char*>(buffer) + done, wanted - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            // A folder opens but does not read: it is no file to read.
            ::close(fd);
            return -1;
        }
        if (count == 0) {
            break;
        }
        done += std::size_t(count);
    }
    ::close(fd);
    return std::int32_t(done);
}

bool PosixPlatform::findResource(const char*, std::uint16_t, const void**, std::uint32_t*) { return false; }

void keepSettingsInTheUsersFile(const char* product) {
    static const bool installed = [product] {
        setCurrentPlatform(new PosixPlatform(product));
        return true;
    }();
    (void)installed;
}

}  // namespace qp
