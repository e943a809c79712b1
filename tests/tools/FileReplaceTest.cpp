// A replaced file keeps what its user set on the old one: who may read it, that
// it may not be written, and that its name is a link to a file elsewhere. One
// table for both systems; the few lines that set and read those marks are each
// system's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tools/FileReplace.h"

namespace qp::test {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

#ifdef _WIN32
// Windows' marks: the hidden attribute stands for the user's choice of who sees
// the file, the read-only attribute for "do not write".
void makePrivate(const fs::path& file) { SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_HIDDEN); }
bool isPrivate(const fs::path& file) {
    const DWORD attributes = GetFileAttributesA(file.string().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}
void makeReadOnly(const fs::path& file) {
    SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_READONLY);
}
void makeWritable(const fs::path& file) { SetFileAttributesA(file.string().c_str(), FILE_ATTRIBUTE_NORMAL); }
// False where links cannot be made (without the privilege, or under Wine): the
// caller says so and skips that case.
bool makeLink(const fs::path& link, const fs::path& target) {
    const DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    CreateSymbolicLinkA(link.string().c_str(), target.string().c_str(), kUnprivileged);
    const DWORD attributes = GetFileAttributesA(link.string().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}
#else
// POSIX marks: mode 0600 (and, where the test may give it away, another owner);
// no write bit for anyone as "do not write".
constexpr uid_t kOtherOwner = 65534;
void makePrivate(const fs::path& file) {
    chmod(file.c_str(), 0600);
    if (geteuid() == 0) {
        EXPECT_EQ(chown(file.c_str(), kOtherOwner, kOtherOwner), 0);
    }
}
bool isPrivate(const fs::path& file) {
    struct stat status {};
    return stat(file.c_str(), &status) == 0 && (status.st_mode & 07777) == 0600 &&
           (geteuid() != 0 || (status.st_uid == kOtherOwner && status.st_gid == kOtherOwner));
}
void makeReadOnly(const fs::path& file) { chmod(file.c_str(), 0444); }
void makeWritable(const fs::path& file) { chmod(file.c_str(), 0644); }
bool makeLink(const fs::path& link, const fs::path& target) {
    return symlink(target.c_str(), link.c_str()) == 0;
}
#endif

TEST(ToolFileReplace, KeepsWhatTheUserSetOnTheOldFile) {
    const struct {
        const char* what;
        bool privateFile;
        bool readOnly;
        bool throughLink;
        bool written;
    } cases[] = {
        {"a private file stays private", true, false, false, true},
        {"a read-only file is refused and kept", false, true, false, false},
        {"a link gets the new contents to its file", false, false, true, true},
        {"a private file behind a link stays private", true, false, true, true},
        {"a read-only file behind a link is refused", false, true, true, false},
    };
    const fs::path folder = fs::path(::testing::TempDir()) / "qp_file_replace_test";
    const std::string old(300, 'o');
    const std::vector<std::uint8_t> bytes(100, 'n');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        fs::create_directories(folder / "elsewhere");
        const fs::path file = c.throughLink ? folder / "elsewhere" / "real.fxp" : folder / "x.fxp";
        const fs::path name = folder / "x.fxp";
        std::ofstream(file, std::ios::binary) << old;
        if (c.throughLink && !makeLink(name, file)) {
            std::printf("skipped \"%s\": this system makes no links here\n", c.what);
            continue;
        }
        if (c.privateFile) {
            makePrivate(file);
        }
        if (c.readOnly) {
            makeReadOnly(file);
        }
        std::string error;
        EXPECT_EQ(tools::replaceFileContents(name.string(), bytes, &error), c.written) << error;
        EXPECT_EQ(contents(file), c.written ? std::string(bytes.begin(), bytes.end()) : old);
        EXPECT_EQ(fs::is_symlink(name), c.throughLink);
        EXPECT_EQ(isPrivate(file), c.privateFile);
        if (!c.written) {
            EXPECT_NE(error.find("x.fxp: the file is read-only"), std::string::npos) << error;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
                  c.throughLink ? 1 : 2);  // nothing left beside the file
        makeWritable(file);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace qp::test
