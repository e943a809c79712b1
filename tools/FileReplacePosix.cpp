#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

bool fail(const std::string& path, int code, std::string* error) {
    return fail(path, std::strerror(code), error);
}

bool writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            return false;
        }
        done += std::size_t(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool replaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string* error) {
    // A link stays a link: the file it points to gets the new contents, as any
    // editor writing through it would give them. A link to nowhere is refused
    // rather than replaced by a file of its own.
    std::string target = path;
    struct stat old {};
    bool existed = ::lstat(path.c_str(), &old) == 0;
    if (existed && S_ISLNK(old.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved) || ::stat(resolved, &old) != 0) {
            return fail(path, errno, error);
        }
        target = resolved;
    }
    // A file nobody may write is one the user protected: refused as Windows
    // refuses to move over a read-only file, even for a user the system would
    // let rename over it.
    if (existed && S_ISREG(old.st_mode) &&
        ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)) {
        return fail(path, "the file is read-only", error);
    }
    existed = existed && S_ISREG(old.st_mode);

    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        temporary = target + ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        // A new file gets 0666 less the umask, as any file we create; a
        // replacement starts private and takes the old file's bits below.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, existed ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) {
            return fail(path, errno, error);
        }
    }
    if (fd < 0) {
        return fail(path, EEXIST, error);
    }
    const auto abandon = [&](int code) {
        ::close(fd);
        std::remove(temporary.c_str());
        return fail(path, code, error);
    };
    if (existed) {
        // Owner and group first, as a change of owner clears set-id bits. Only
        // a privileged process may give the file away: elsewhere the new file
        // stays ours, which is no loss to whoever could write the old one.
        if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
            ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) {
            return abandon(errno);
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            return abandon(errno);
        }
    }
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        return abandon(errno);
    }
    if (::close(fd) != 0) {
        const int code = errno;
        std::remove(temporary.c_str());
        return fail(path, code, error);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        std::remove(temporary.c_str());
        return fail(path, code, error);
    }
    // The rename lives in the folder: until the folder is on the disk too, a
    // crash may bring back the old name or none at all.
    const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = folder >= 0 && (::fsync(folder) == 0 || errno == EINVAL);
    const int code = errno;
    if (folder >= 0) {
        ::close(folder);
    }
    if (!flushed) {
        return fail(path,
                    std::string("the new contents are in place but not yet safe on the disk (") +
                        std::strerror(code) + ")",
                    error);
    }
    return true;
}

}  // namespace qp::tools
