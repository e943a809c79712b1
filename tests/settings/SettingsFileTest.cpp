// The Linux settings file: where it lives, what a read makes of whatever is
// there, the writes that must fail without losing the old values, writers at
// once, and the round trip through writeSetting and readSetting (with the
// platform's message boxes and module file). XDG_CONFIG_HOME
// and HOME point into a temporary folder of the test's own.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "effect/BuzzEffect.h"
#include "effect/Settings.h"
#include "host/EditorProtocol.h"
#include "host/PlatformPosix.h"
#include "host/SettingsFilePosix.h"
#include "tests/settings/SettingsStoreCases.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

namespace fs = std::filesystem;
constexpr const char* kKey = "Software\\Veltmarsk\\Quorrelphone";

TEST(SettingsLocationTest, KeyPathAndEnvironmentNameTheFile) {
    const std::string fromHome = "/h/.config/Veltmarsk/Quorrelphone/settings";
    const struct {
        const char* key;
        const char* xdg;
        const char* home;
        std::string file;  // empty: refused
    } cases[] = {
        {kKey, "/x", "/h", "/x/Veltmarsk/Quorrelphone/settings"},
        {kKey, nullptr, "/h", fromHome},
        {kKey, "", "/h", fromHome},
        {kKey, "relative", "/h", fromHome},
        {kKey, nullptr, "relative", ""},
        {"Software\\Other\\Product", nullptr, "/h", "/h/.config/Other/Product/settings"},
        {"Software\\Veltmarsk\\", nullptr, "/h", ""},
        {"Software\\Veltmarsk\\Quorrelphone\\Sub", nullptr, "/h", ""},
        {"Software\\..\\Quorrelphone", nullptr, "/h", ""},
        {"Software\\Veltmarsk\\a/b", nullptr, "/h", ""},
        {"Hardware\\Veltmarsk\\Quorrelphone", nullptr, "/h", ""},
    };
    for (const auto& c : cases) {
        const auto location = settingsLocation(c.key, c.xdg, c.home);
        EXPECT_EQ(location ? location->file : "", c.file) << c.key << " " << c.xdg;
    }
}

class SettingsFileStore : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qp-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        for (auto& [name, saved] : saved_) {
            saved = std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
        }
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("HOME", (root / "home").c_str(), 1);
        location = *settingsLocation(kKey, (root / "config").c_str(), nullptr);
    }
    void TearDown() override {
        setCurrentPlatform(nullptr);
        for (auto& [name, saved] : saved_) {
            saved ? ::setenv(name, saved->c_str(), 1) : ::unsetenv(name);
        }
        fs::remove_all(root);
    }

    fs::path root;
    SettingsLocation location;

private:
    std::pair<const char*, std::optional<std::string>> saved_[2] = {{"XDG_CONFIG_HOME", {}}, {"HOME", {}}};
};

TEST_F(SettingsFileStore, ReadsWhatParsesAndTheNextWriteKeepsIt) {
    // The limit falls inside "sens=4444": what fits of it is no value.
    const std::string filler(kSettingsFileLimit - 15, 'x');
    const struct {
        const char* label;
        std::optional<std::string> text;  // none: no file, nor its folder
        SettingsEntries expected;
    } cases[] = {
        {"missing", std::nullopt, {}},
        {"empty", "", {}},
        {"garbage", std::string("\0\xff\x01junk\0=\x02\nZoom=3\n\xfe\xfe", 18), {{"Zoom", 3}}},
        {"truncated line", "Zoom=3\nMidiCC-sens=", {{"Zoom", 3}}},
        {"cut inside a name", "Zoom=3\nMidiC", {{"Zoom", 3}}},
        {"cut inside the first line", "# Quorrelph", {}},
        {"no equals sign", "Zoom 3\nsens=7\n", {{"sens", 7}}},
        {"out of range", "a=4294967296\nb=4294967295\nc=-1\nd=12x\ne=00000000001\n", {{"b", 0xFFFFFFFFu}}},
        {"comments, CRLF, repeats", "# c\r\nZoom=1\r\n\r\nsens=4\nZoom=2\n=4\n", {{"Zoom", 2}, {"sens", 4}}},
        {"no final newline", "Zoom=3\nsens=4", {{"Zoom", 3}, {"sens", 4}}},
        {"huge", "Zoom=3\n" + filler + "\nsens=4444\n" + filler + "\nb=1\n", {{"Zoom", 3}}},
    };
    for (const auto& c : cases) {
        fs::remove_all(location.folders.front());
        if (c.text) {
            fs::create_directories(location.folders.back());
            std::ofstream(location.file, std::ios::binary) << *c.text;
        }
        EXPECT_EQ(readSettingsFile(location.file), c.expected) << c.label;
        ASSERT_TRUE(writeSettingsValue(location, "New", 5)) << c.label;
        SettingsEntries kept = c.expected;
        kept.emplace_back("New", 5);
        EXPECT_EQ(readSettingsFile(location.file), kept) << c.label;
    }
}

// The file as a user's editor leaves it: values put by hand are lines, a damaged
// value is a line cut short after its '=', and writes fail where the user made
// the file (a value) or its folder (the whole store) read-only.
class FileStore final : public SettingsStoreUnderTest {
public:
    explicit FileStore(const SettingsLocation& location)
        : location_(location) {}
    void clear() override {
        repair();
        fs::remove_all(location_.folders.front());
    }
    void putDword(const char* name, std::uint32_t data) override { putLine(name, std::to_string(data)); }
    void damage(const char* name) override { putLine(name, ""); }
    void failWrites(bool key) override {
        ::chmod(key ? location_.folders.back().c_str() : location_.file.c_str(), key ? 0500 : 0400);
    }
    void repair() override {
        ::chmod(location_.folders.back().c_str(), 0700);
        ::chmod(location_.file.c_str(), 0600);
    }

private:
    void putLine(const std::string& name, const std::string& value) {
        fs::create_directories(location_.folders.back());
        std::ifstream in(location_.file);
        std::string text, line;
        while (std::getline(in, line)) {
            if (!line.starts_with(name + "=")) {
                text += line + "\n";
            }
        }
        in.close();
        std::ofstream(location_.file, std::ios::trunc) << text << name << "=" << value << "\n";
    }

    const SettingsLocation& location_;
};

TEST_F(SettingsFileStore, KeepsWhatEveryStoreKeeps) {
    PosixPlatform platform("Quorrelphone", nullptr);
    setCurrentPlatform(&platform);
    FileStore store(location);
    expectSettingsStoreCases(store, "Quorrelphone");
}

// The file store behind a user who answers Yes, so that the effect's own save
// command writes into the file and its messages can be read back.
class AnsweringFilePlatform final : public Platform {
public:
    MessageAnswer messageBox(const char* text, const char*, MessageKind kind) override {
        shown.emplace_back(text);
        return kind == MessageKind::Question ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    KeyOpening openUserKey(const char* path, SettingsKey* key) override {
        return files_.openUserKey(path, key);
    }
    bool setDwordValue(SettingsKey key, const char* name, std::uint32_t data) override {
        return files_.setDwordValue(key, name, data);
    }
    bool queryValue(SettingsKey key, const char* name, void* buffer, std::uint32_t* size) override {
        return files_.queryValue(key, name, buffer, size);
    }
    void closeKey(SettingsKey key) override { files_.closeKey(key); }
    bool moduleFileName(char*, std::uint32_t) override { return false; }
    std::int32_t readFileStart(const char*, void*, std::uint32_t) override { return -1; }
    bool findResource(const char*, std::uint16_t, const void**, std::uint32_t*) override { return false; }

    std::vector<std::string> shown;

private:
    PosixPlatform files_{"Quorrelphone", nullptr};
};

TEST_F(SettingsFileStore, SavingDefaultsIntoAReadOnlyStoreSaysSoAndKeepsTheFile) {
    const std::vector<std::string> saved = {"Save Actual Values as Defaults?", "Default Values Saved!"};
    const std::vector<std::string> refused = {"Save Actual Values as Defaults?",
                                              "Error saving Midi-CC registery!",
                                              "Error saving Midi-CC registery!", "Default Values Saved!"};
    const struct {
        const char* label;
        bool key;  // the folder, else the file, is made read-only
        bool spoil;
    } cases[] = {
        {"writable", false, false}, {"read-only file", false, true}, {"read-only folder", true, true}};
    AnsweringFilePlatform platform;
    setCurrentPlatform(&platform);
    RecordingHost host;
    EditorFactoryScope factory{&RecordingEditor::make};
    FileStore store(location);
    for (const auto& c : cases) {
        store.clear();
        store.putDword("Zoom", 5);
        store.putDword("MidiCC-sens", 8);
        BuzzEffect effect(&RecordingHost::callback);
        platform.shown.clear();
        if (c.spoil) {
            store.failWrites(c.key);
        }
        effect.setParameter(kMenuCommandIndex, float(kMenuSaveDefaultsEntry));
        store.repair();
        EXPECT_EQ(platform.shown, c.spoil ? refused : saved) << c.label;
        // The learnt controller 7 was read at construction and saved as it was.
        EXPECT_EQ(readSettingsFile(location.file),
                  c.spoil ? (SettingsEntries{{"Zoom", 5}, {"MidiCC-sens", 8}})
                          : (SettingsEntries{{"Zoom", 5}, {"MidiCC-sens", 8}, {"MidiCC-buzz", 1}}))
            << c.label;
    }
}

TEST_F(SettingsFileStore, ALinkedFileStaysALink) {
    const fs::path kept = root / "dotfiles" / "settings";
    fs::create_directories(kept.parent_path());
    std::ofstream(kept) << "Zoom=3\n";
    fs::create_directories(location.folders.back());
    fs::create_symlink(kept, location.file);
    ASSERT_TRUE(writeSettingsValue(location, "New", 5));
    EXPECT_TRUE(fs::is_symlink(location.file));
    EXPECT_EQ(readSettingsFile(kept), (SettingsEntries{{"Zoom", 3}, {"New", 5}}));
    fs::permissions(kept.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(writeSettingsValue(location, "New", 6)) << "the linked file's folder is read-only";
    fs::permissions(kept.parent_path(), fs::perms::owner_all);
    EXPECT_EQ(readSettingsFile(kept), (SettingsEntries{{"Zoom", 3}, {"New", 5}}));
    fs::remove(kept);
    EXPECT_FALSE(writeSettingsValue(location, "New", 6)) << "a dangling link is left alone";
    EXPECT_TRUE(fs::is_symlink(location.file));
}

// Runs body in a child process, as an ordinary user when asked: root writes
// through any permission, and a read-only folder is only read-only to someone else.
pid_t startChild(const std::function<bool()>& body, const fs::path& ownTree = {}) {
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (!ownTree.empty() && ::geteuid() == 0) {
            ::lchown(ownTree.c_str(), kNobody, kNobody);
            for (const auto& entry : fs::recursive_directory_iterator(ownTree)) {
                ::lchown(entry.path().c_str(), kNobody, kNobody);
            }
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(2);
            }
        }
        ::_exit(body() ? 0 : 1);
    }
    return child;
}

bool childSucceeded(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become an ordinary user";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SettingsFileStore, FailedWritesReportFalseAndKeepTheOldValues) {
    const std::string& folder = location.folders.back();
    const struct {
        const char* label;
        std::function<void()> spoil;
        const char* name;
    } cases[] = {
        {"read-only file", [&] { ::chmod(location.file.c_str(), 0400); }, "Zoom"},
        {"read-only folder", [&] { ::chmod(folder.c_str(), 0500); }, "Zoom"},
        {"unreadable file", [&] { ::chmod(location.file.c_str(), 0200); }, "Zoom"},
        {"lock is a folder", [&] { fs::remove(location.lock) && fs::create_directory(location.lock); },
         "Zoom"},
        {"name with '='", [] {}, "a=b"},
        {"comment name", [] {}, "#Zoom"},
        {"name with newline", [] {}, "a\nb=1"},
    };
    for (const auto& c : cases) {
        fs::remove_all(location.folders.front());
        ASSERT_TRUE(writeSettingsValue(location, "Zoom", 3));
        c.spoil();
        EXPECT_FALSE(
            childSucceeded(startChild([&] { return writeSettingsValue(location, c.name, 4); }, root)))
            << c.label;
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(readSettingsFile(location.file), (SettingsEntries{{"Zoom", 3}})) << c.label;
        // No temporary file is left behind: the file and the lock alone.
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2) << c.label;
    }
}

// Each writer is an instance of its own, as two editors (or two hosts) are.
bool writeNames(char prefix) {
    PosixPlatform platform("Quorrelphone", nullptr);
    bool allWritten = true;
    for (int i = 0; i < 40; ++i) {
        SettingsKey key = nullptr;
        allWritten &= platform.openUserKey(kKey, &key) != KeyOpening::Failed &&
                      platform.setDwordValue(key, (prefix + std::to_string(i)).c_str(), std::uint32_t(i));
        platform.closeKey(key);
    }
    return allWritten;
}

TEST_F(SettingsFileStore, TwoWritersAtOnceLoseNothing) {
    for (const bool twoProcesses : {false, true}) {
        fs::remove_all(location.folders.front());
        bool otherWrote = false;
        if (twoProcesses) {
            const pid_t child = startChild([] { return writeNames('B'); });
            EXPECT_TRUE(writeNames('A'));
            otherWrote = childSucceeded(child);
        } else {
            std::thread other([&] { otherWrote = writeNames('B'); });
            EXPECT_TRUE(writeNames('A'));
            other.join();
        }
        EXPECT_TRUE(otherWrote);
        const SettingsEntries entries = readSettingsFile(location.file);
        EXPECT_EQ(entries.size(), 80u) << "two processes: " << twoProcesses;
        for (const auto& [name, value] : entries) {
            EXPECT_EQ(name.substr(1), std::to_string(value)) << name;
        }
    }
}

TEST_F(SettingsFileStore, SettingsRoundTripInTheFolderTheEnvironmentNames) {
    char* messages = nullptr;
    std::size_t messagesLength = 0;
    std::FILE* messageStream = ::open_memstream(&messages, &messagesLength);
    PosixPlatform platform("Quorrelphone", messageStream);
    setCurrentPlatform(&platform);
    const auto modeOf = [](const fs::path& path) {
        struct stat info = {};
        ::stat(path.c_str(), &info);
        return info.st_mode & 0777;
    };
    for (const fs::path folder : {"config/Veltmarsk", "home/.config/Veltmarsk"}) {
        if (folder.string().starts_with("home")) {
            fs::create_directory(root / "home");
            ::unsetenv("XDG_CONFIG_HOME");
        }
        EXPECT_EQ(readSetting("Quorrelphone", "Zoom"), 0) << folder;
        EXPECT_FALSE(fs::exists(root / folder)) << "a read writes nothing: " << folder;
        ASSERT_TRUE(writeSetting("Quorrelphone", "Zoom", 0x01020304));
        ASSERT_TRUE(writeSetting("Quorrelphone", "MidiCC-sens", 7));
        EXPECT_EQ(readSetting("Quorrelphone", "Zoom"), 0x01020305) << folder;
        EXPECT_EQ(readSetting("Quorrelphone", "MidiCC-sens"), 8) << folder;

        std::ifstream in(root / folder / "Quorrelphone/settings");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
                  "# Quorrelphone settings: Name=value, each value a 32-bit number\n"
                  "Zoom=16909061\nMidiCC-sens=8\n");
        EXPECT_EQ(modeOf(root / folder), 0700u);
        EXPECT_EQ(modeOf(root / folder / "Quorrelphone"), 0700u);
        EXPECT_EQ(modeOf(root / folder / "Quorrelphone/settings"), 0600u);
    }
    char path[4096];
    ASSERT_TRUE(platform.moduleFileName(path, sizeof path));
    EXPECT_EQ(fs::path(path), fs::canonical("/proc/self/exe"));
    // Nobody can answer here: a question is No at once, and every message is written out.
    EXPECT_FALSE(askYesNo("Save?"));
    showError("it broke");
    showConfirmation("done");
    std::fclose(messageStream);
    EXPECT_EQ(std::string(messages, messagesLength),
              "Quorrelphone: Warning! Save? (answered No: there is no window to ask in)\n"
              "Quorrelphone: Error! it broke\nQuorrelphone: Ok! done\n");
    std::free(messages);
}

}  // namespace
}  // namespace qp::test
