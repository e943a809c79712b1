#include "tools/hostlib/ZoomSetting.h"

namespace qp::hostlib {

namespace {

constexpr const char* kSettingsKey = "Software\\Veltmarsk\\Quorrelphone";
constexpr const char* kZoomValue = "Zoom";

void store(bool present, DWORD value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    if (present) {
        RegSetValueExA(key, kZoomValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    } else {
        RegDeleteValueA(key, kZoomValue);
    }
    RegCloseKey(key);
}

}  // namespace

DWORD ZoomSetting::stored() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, kZoomValue, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return 0;
    }
    return value;
}

ZoomSetting::ZoomSetting()
    : old_(stored()),
      hadOld_(old_ != 0) {}

ZoomSetting::~ZoomSetting() { store(hadOld_, old_); }

void ZoomSetting::choose(int percent) { store(percent != 0, DWORD(percent + 1)); }

}  // namespace qp::hostlib
