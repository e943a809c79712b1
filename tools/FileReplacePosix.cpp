#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/FileReplace.h"

namespace qp::tools {

namespace {

// Only leftovers of crashed runs that had our process number take names, so a
// free one is always among the first few.
constexpr unsigned kNameAttempts = 100;

bool fail(const std::string& path, int code, std::string* error) {
    *error = "cannot write " + path + ": " + std::strerror(code);
    return false;
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

}  // namespace

bool replaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::string* error) {
    std::string temporary;
    int fd = -1;
    for (unsigned attempt = 0; fd < 0 && attempt < kNameAttempts; ++attempt) {
        temporary = path + ".partial-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        // 0666 less the umask, as for any file we create.
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return fail(path, errno, error);
        }
    }
    if (fd < 0) {
        return fail(path, EEXIST, error);
    }
    const auto abandon = [&](int code) {
        std::remove(temporary.c_str());
        return fail(path, code, error);
    };
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0) {
        const int code = errno;
        ::close(fd);
        return abandon(code);
    }
    if (::close(fd) != 0 || std::rename(temporary.c_str(), path.c_str()) != 0) {
        return abandon(errno);
    }
    return true;
}

}  // namespace qp::tools
