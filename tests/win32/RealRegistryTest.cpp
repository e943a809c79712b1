// The settings against the real registry of the current user (the Wine
// prefix's): what writeSetting leaves there as seen by plain registry calls, and
// what readSetting makes of values put there by hand.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "effect/Settings.h"
#include "host/Platform.h"

namespace qp::test {
namespace {

// A product name of the tests' own, so nothing here meets the effect's settings.
constexpr const char* kProduct = "QuorrelphoneRegistryTest";
constexpr const char* kKeyPath = "Software\\Veltmarsk\\QuorrelphoneRegistryTest";

class RealRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        setCurrentPlatform(nullptr);  // the real one
        RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath); }

    static bool keyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }

    static void putValue(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    struct Stored {
        LONG status = ERROR_FILE_NOT_FOUND;
        DWORD type = 0;
        DWORD size = 0;
        DWORD data = 0;
    };

    static Stored readBack(const char* name) {
        Stored stored;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return stored;
        }
        stored.size = sizeof stored.data;
        stored.status = RegQueryValueExA(key, name, nullptr, &stored.type,
                                         reinterpret_cast<BYTE*>(&stored.data), &stored.size);
        RegCloseKey(key);
        return stored;
    }
};

TEST_F(RealRegistry, WrittenValuesAreDwordsOfTheNumberPlusOne) {
    ASSERT_TRUE(writeSetting(kProduct, "MidiCC-sens", 7));
    ASSERT_TRUE(writeSetting(kProduct, "sens", 8000));
    const Stored controller = readBack("MidiCC-sens");
    ASSERT_EQ(controller.status, ERROR_SUCCESS);
    EXPECT_EQ(controller.type, DWORD(REG_DWORD));
    EXPECT_EQ(controller.size, 4u);
    EXPECT_EQ(controller.data, 8u);
    EXPECT_EQ(readBack("sens").data, 8001u);

    EXPECT_EQ(readSetting(kProduct, "MidiCC-sens"), 8);
    EXPECT_EQ(readSetting(kProduct, "sens"), 8001);
    ASSERT_TRUE(writeSetting(kProduct, "sens", -1));
    EXPECT_EQ(readSetting(kProduct, "sens"), 0);
}

TEST_F(RealRegistry, FirstReadCreatesTheKeyEmptyAndFindsNothing) {
    ASSERT_FALSE(keyExists());
    EXPECT_EQ(readSetting(kProduct, "MidiCC-buzz"), 0);
    EXPECT_TRUE(keyExists());
    EXPECT_NE(readBack("MidiCC-buzz").status, ERROR_SUCCESS);
    // The key is there now, so a value put there is found by the next read.
    const DWORD nine = 9;
    putValue("MidiCC-buzz", REG_DWORD, &nine, sizeof nine);
    EXPECT_EQ(readSetting(kProduct, "MidiCC-buzz"), 9);
}

TEST_F(RealRegistry, OnlyFourBytesOfDataCount) {
    const unsigned char bytes[8] = {5, 0, 0, 0, 1, 0, 0, 0};
    putValue("short", REG_BINARY, bytes, 2);
    putValue("long", REG_BINARY, bytes, 8);
    putValue("binary", REG_BINARY, bytes, 4);
    EXPECT_EQ(readSetting(kProduct, "short"), 0);
    EXPECT_EQ(readSetting(kProduct, "long"), 0);
    // The stored type is not examined.
    EXPECT_EQ(readSetting(kProduct, "binary"), 5);
}

TEST(RealPlatformFiles, ModuleFileAndFilesAreRead) {
    setCurrentPlatform(nullptr);
    Platform& platform = currentPlatform();
    char path[1024];
    // Without a recorded library handle the module is the running program.
    ASSERT_TRUE(platform.moduleFileName(path, sizeof path));
    const std::string name(path);
    EXPECT_EQ(name.substr(name.size() - 4), ".exe");
    char tiny[4];
    EXPECT_FALSE(platform.moduleFileName(tiny, sizeof tiny));

    char tempDir[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, tempDir), 0u);
    ASSERT_NE(GetTempFileNameA(tempDir, "qpb", 0, file), 0u);
    HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle, "0123456789", 10, &written, nullptr);
    CloseHandle(handle);

    char buffer[16] = {};
    EXPECT_EQ(platform.readFileStart(file, buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(platform.readFileStart(file, buffer, sizeof buffer), 10);
    DeleteFileA(file);
    EXPECT_EQ(platform.readFileStart(file, buffer, sizeof buffer), -1);

    const void* data = nullptr;
    std::uint32_t size = 0;
    EXPECT_FALSE(platform.findResource("Bank", 1, &data, &size));
}

}  // namespace
}  // namespace qp::test
