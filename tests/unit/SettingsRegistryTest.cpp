// The settings store: where values go, the "number plus one" rule, the key a
// read creates, and the data that counts as absent.
#include <gtest/gtest.h>

#include "effect/Settings.h"
#include "tests/settings/SettingsStoreCases.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {
namespace {

constexpr const char* kKey = "Software\\Veltmarsk\\Quorrelphone";

class SettingsStore : public ::testing::Test {
protected:
    MemoryPlatformScope scope;
    MemoryPlatform& platform = scope.platform;
};

TEST_F(SettingsStore, KeyPathIsSoftwareVendorProduct) {
    char path[kSettingsPathSize];
    settingsKeyPath("Quorrelphone", path);
    EXPECT_STREQ(path, kKey);
    // A product name too long for the 255-byte buffer is cut, not overrun.
    const std::string longName(400, 'x');
    settingsKeyPath(longName.c_str(), path);
    EXPECT_EQ(std::string(path).size(), kSettingsPathSize - 1);
}

TEST_F(SettingsStore, WriteStoresTheNumberPlusOneAsADword) {
    EXPECT_TRUE(writeSetting("Quorrelphone", "MidiCC-sens", 7));
    EXPECT_EQ(platform.value(kKey, "MidiCC-sens"), (std::vector<std::uint8_t>{8, 0, 0, 0}));
    EXPECT_TRUE(writeSetting("Quorrelphone", "big", 0x01020304));
    EXPECT_EQ(platform.value(kKey, "big"), (std::vector<std::uint8_t>{5, 3, 2, 1}));
    EXPECT_TRUE(writeSetting("Quorrelphone", "minus", -1));
    EXPECT_EQ(platform.dwordValue(kKey, "minus"), 0u);
    // The largest number wraps rather than overflowing.
    EXPECT_TRUE(writeSetting("Quorrelphone", "max", 0x7FFFFFFF));
    EXPECT_EQ(platform.dwordValue(kKey, "max"), 0x80000000u);
    EXPECT_EQ(platform.openKeys(), 0u);
}

TEST_F(SettingsStore, ReadReturnsTheStoredDword) {
    writeSetting("Quorrelphone", "MidiCC-buzz", 0);
    EXPECT_EQ(readSetting("Quorrelphone", "MidiCC-buzz"), 1);
    platform.putDword(kKey, "negative", 0xFFFFFFFEu);
    EXPECT_EQ(readSetting("Quorrelphone", "negative"), -2);
    EXPECT_EQ(readSetting("Quorrelphone", "missing"), 0);
    EXPECT_EQ(platform.openKeys(), 0u);
}

TEST_F(SettingsStore, FirstReadCreatesTheKeyAndFindsNothing) {
    EXPECT_FALSE(platform.keyExists(kKey));
    EXPECT_EQ(readSetting("Quorrelphone", "MidiCC-sens"), 0);
    EXPECT_TRUE(platform.keyExists(kKey));
    EXPECT_EQ(platform.openKeys(), 0u);
}

TEST_F(SettingsStore, DataOfAnyLengthButFourBytesCountsAsAbsent) {
    platform.putValue(kKey, "short", {9, 0, 0});
    platform.putValue(kKey, "empty", {});
    platform.putValue(kKey, "long", {9, 0, 0, 0, 0});
    platform.putValue(kKey, "text", {'8', 0, 0, 0});  // any type of 4 bytes is taken as it is
    EXPECT_EQ(readSetting("Quorrelphone", "short"), 0);
    EXPECT_EQ(readSetting("Quorrelphone", "empty"), 0);
    EXPECT_EQ(readSetting("Quorrelphone", "long"), 0);
    EXPECT_EQ(readSetting("Quorrelphone", "text"), '8');
}

TEST_F(SettingsStore, UnopenableKeyFailsWritesAndReadsAsAbsent) {
    platform.putDword(kKey, "MidiCC-sens", 8);
    platform.failKeyOpening(true);
    EXPECT_FALSE(writeSetting("Quorrelphone", "MidiCC-sens", 3));
    EXPECT_EQ(readSetting("Quorrelphone", "MidiCC-sens"), 0);
    platform.failKeyOpening(false);
    platform.failValueWrites(true);
    EXPECT_FALSE(writeSetting("Quorrelphone", "MidiCC-sens", 3));
    EXPECT_EQ(readSetting("Quorrelphone", "MidiCC-sens"), 8);
    EXPECT_EQ(platform.openKeys(), 0u);
}

// The registry in memory, damaged as a registry can be: data of three bytes.
class MemoryStore final : public SettingsStoreUnderTest {
public:
    explicit MemoryStore(MemoryPlatform& platform)
        : platform_(platform) {}
    void clear() override { platform_.clearRegistry(); }
    void putDword(const char* name, std::uint32_t data) override { platform_.putDword(kKey, name, data); }
    void damage(const char* name) override { platform_.putValue(kKey, name, {9, 0, 0}); }
    void failWrites(bool key) override {
        if (key) {
            platform_.failKeyOpening(true);
        } else {
            platform_.failValueWrites(true);
        }
    }
    void repair() override {
        platform_.failKeyOpening(false);
        platform_.failValueWrites(false);
    }

private:
    MemoryPlatform& platform_;
};

TEST_F(SettingsStore, KeepsWhatEveryStoreKeeps) {
    MemoryStore store(platform);
    expectSettingsStoreCases(store, "Quorrelphone");
    EXPECT_EQ(platform.openKeys(), 0u);
}

}  // namespace
}  // namespace qp::test
