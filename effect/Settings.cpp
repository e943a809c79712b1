#include "effect/Settings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/Platform.h"

namespace qp {

namespace {

// Closes a key on every way out of a settings call.
class OpenKey {
public:
    OpenKey(const char* product, KeyOpening& opening) {
        char path[kSettingsPathSize];
        settingsKeyPath(product, path);
        opening = currentPlatform().openUserKey(path, &key_);
        if (opening == KeyOpening::Failed) {
            key_ = nullptr;
        }
    }
    ~OpenKey() {
        if (key_) {
            currentPlatform().closeKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    SettingsKey get() const { return key_; }

private:
    SettingsKey key_ = nullptr;
};

}  // namespace

void settingsKeyPath(const char* product, char (&path)[kSettingsPathSize]) {
    std::snprintf(path, sizeof path, "Software\\%s\\%s", kSettingsVendorFolder, product ? product : "");
}

bool writeSetting(const char* product, const char* valueName, std::int32_t number) {
    KeyOpening opening;
    OpenKey key(product, opening);
    if (opening == KeyOpening::Failed) {
        return false;
    }
    // Unsigned, so that the largest int32 wraps instead of overflowing.
    return currentPlatform().setDwordValue(key.get(), valueName, std::uint32_t(number) + 1u);
}

std::int32_t readSetting(const char* product, const char* valueName) {
    KeyOpening opening;
    OpenKey key(product, opening);
    if (opening != KeyOpening::Existed) {
        return 0;
    }
    unsigned char data[4] = {};
    std::uint32_t size = sizeof data;
    if (!currentPlatform().queryValue(key.get(), valueName, data, &size) || size != sizeof data) {
        return 0;
    }
    std::uint32_t stored = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                           std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
    std::int32_t number;
    std::memcpy(&number, &stored, sizeof number);
    return number;
}

std::int32_t keptDefaultNumber(float value) {
    const float scaled = value * 10000.0f;
    if (std::isnan(scaled)) {
        return 0;
    }
    // 2^31 is the first float past the int32 range; -2^31 itself fits.
    if (scaled >= 2147483648.0f) {
        return INT32_MAX;
    }
    if (scaled <= -2147483648.0f) {
        return INT32_MIN;
    }
    return std::int32_t(scaled);
}

}  // namespace qp
