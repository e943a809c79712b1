#include "host/SettingsFilePosix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qp {

namespace {

constexpr std::string_view kKeyRoot = "Software\\";
constexpr char kKeySeparator = '\\';
// Ours alone: the values say which controllers a user plays, nobody else's business.
constexpr mode_t kFolderMode = 0700;
constexpr std::uint64_t kLargestValue = 0xFFFFFFFFu;

bool isAbsolute(const char* path) { return path && path[0] == '/'; }

bool isControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

bool isFolderName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        if (c == '/' || c == kKeySeparator || isControl(c)) {
            return false;
        }
    }
    return true;
}

std::optional<std::uint32_t> parseValue(std::string_view text) {
    // Ten digits hold every 32-bit number; more would overflow the sum below.
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + std::uint64_t(c - '0');
    }
    if (value > kLargestValue) {
        return std::nullopt;
    }
    return std::uint32_t(value);
}

void put(SettingsEntries& entries, std::string_view name, std::uint32_t value) {
    for (auto& entry : entries) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    entries.emplace_back(std::string(name), value);
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // The result of close itself: on some file systems the write fails only there.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kFolderMode) == 0) {
        return true;
    }
    struct stat info;
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// False where the user took the write bit away: root writes through any mode, so
// the mode itself is asked. A path that is not there is not refused here.
bool userMayWrite(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) != 0 || (info.st_mode & S_IWUSR) != 0;
}

std::string folderOf(const std::string& file) { return file.substr(0, file.rfind('/')); }

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += std::size_t(count);
    }
    return true;
}

bool lockExclusively(int fd) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

// A rename is on the disk only once its folder is.
void syncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

// The file a write replaces: the settings file itself, or the one it links to,
// so that a link from a folder the user keeps elsewhere stays a link. Nothing for
// a dangling link, which is the user's to mend.
std::optional<std::string> replacedFile(const std::string& file) {
    struct stat info;
    if (::lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return file;
    }
    char* resolved = ::realpath(file.c_str(), nullptr);
    if (!resolved) {
        return std::nullopt;
    }
    std::string target(resolved);
    std::free(resolved);
    return target;
}

bool replaceFile(const std::string& file, const std::string& text) {
    std::string temporary = file + ".XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));  // mode 0600
    if (!fd.valid()) {
        return false;
    }
    const bool written = writeAll(fd.get(), text) && ::fsync(fd.get()) == 0;
    if (!fd.close() || !written || std::rename(temporary.c_str(), file.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folderOf(file));
    return true;
}

}  // namespace

std::optional<SettingsLocation> settingsLocation(const char* keyPath, const char* xdgConfigHome,
                                                 const char* home) {
    if (!keyPath) {
        return std::nullopt;
    }
    std::string_view path(keyPath);
    if (path.substr(0, kKeyRoot.size()) != kKeyRoot) {
        return std::nullopt;
    }
    path.remove_prefix(kKeyRoot.size());
    const std::size_t separator = path.find(kKeySeparator);
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view vendor = path.substr(0, separator);
    const std::string_view product = path.substr(separator + 1);
    if (!isFolderName(vendor) || !isFolderName(product)) {
        return std::nullopt;
    }

    std::string root;
    if (isAbsolute(xdgConfigHome)) {
        root = xdgConfigHome;
    } else if (isAbsolute(home)) {
        root = std::string(home) + "/.config";
    } else {
        return std::nullopt;
    }
    SettingsLocation location;
    location.product = product;
    location.folders.push_back(root);
    location.folders.push_back(root + "/" + std::string(vendor));
    location.folders.push_back(location.folders.back() + "/" + std::string(product));
    location.file = location.folders.back() + "/" + kSettingsFileName;
    location.lock = location.folders.back() + "/" + kSettingsLockName;
    return location;
}

bool isStorableName(std::string_view name) {
    if (name.empty() || name.front() == '#') {
        return false;
    }
    for (char c : name) {
        if (c == '=' || isControl(c)) {
            return false;
        }
    }
    return true;
}

SettingsEntries parseSettings(std::string_view text, bool cut) {
    SettingsEntries entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos && cut) {
            break;
        }
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Tolerated for a file edited elsewhere.
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !isStorableName(line.substr(0, equals))) {
            continue;
        }
        if (const auto value = parseValue(line.substr(equals + 1))) {
            put(entries, line.substr(0, equals), *value);
        }
    }
    return entries;
}

std::string formatSettings(const std::string& product, const SettingsEntries& entries) {
    std::string text = "# " + product + " settings: Name=value, each value a 32-bit number\n";
    for (const auto& [name, value] : entries) {
        text += name;
        text += '=';
        text += std::to_string(value);
        text += '\n';
    }
    return text;
}

namespace {

// Empty for a missing file, nothing for one that is there but cannot be read,
// whose values a write must not throw away.
std::optional<SettingsEntries> loadSettingsFile(const std::string& file) {
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        if (errno == ENOENT) {
            return SettingsEntries{};
        }
        return std::nullopt;
    }
    struct stat info;
    // A fifo or a device in its place would block or never end.
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    // One byte past the limit tells a file of exactly the limit from a longer one.
    std::string text(kSettingsFileLimit + 1, '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = ::read(fd.get(), text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return std::nullopt;
        }
        if (count == 0) {
            break;
        }
        done += std::size_t(count);
    }
    const bool cut = done > kSettingsFileLimit;
    text.resize(cut ? kSettingsFileLimit : done);
    return parseSettings(text, cut);
}

}  // namespace

SettingsEntries readSettingsFile(const std::string& file) {
    return loadSettingsFile(file).value_or(SettingsEntries{});
}

bool settingsFileExists(const std::string& file) {
    struct stat info;
    return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool writeSettingsValue(const SettingsLocation& location, const char* name, std::uint32_t value) {
    if (!name || !isStorableName(name)) {
        return false;
    }
    for (const std::string& folder : location.folders) {
        if (!makeFolder(folder)) {
            return false;
        }
    }
    // A user who made the folder read-only keeps it as it is, from root too (the
    // lock and the temporary file would be new entries in it).
    if (!userMayWrite(location.folders.back())) {
        return false;
    }
    Descriptor lock(::open(location.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock.valid() || !lockExclusively(lock.get())) {
        return false;
    }
    // The rename would replace a file the user made read-only (the folder is
    // what a rename asks for), so the file's mode decides, and so does the mode
    // of the folder a linked file lies in.
    const std::optional<std::string> file = replacedFile(location.file);
    if (!file || !userMayWrite(location.file) || !userMayWrite(folderOf(*file))) {
        return false;
    }
    std::optional<SettingsEntries> entries = loadSettingsFile(location.file);
    if (!entries) {
        return false;
    }
    put(*entries, name, value);
    return replaceFile(*file, formatSettings(location.product, *entries));
}

}  // namespace qp
