// The per-user settings: 32-bit values under the key
// HKEY_CURRENT_USER\Software\Veltmarsk\<product> on Windows, and in the file
// Veltmarsk/<product>/settings under the user's configuration folder on Linux
// (host/SettingsFilePosix.h). Every value stores its number plus 1, so that 0
// and a missing value both mean "nothing stored". The effect keeps learnt MIDI
// controllers here ("MidiCC-" + parameter name) and, for parameters that ask
// for it, a default value (the parameter's name, as trunc(value * 10000) + 1);
// the editor keeps its zoom choice ("Zoom": the percent, 0 for Auto).
#pragma once

#include <cstddef>
#include <cstdint>

namespace qp {

// The product's name, which its settings are kept under in every edition.
constexpr const char* kProductName = "Quorrelphone";
constexpr const char* kSettingsVendorFolder = "Veltmarsk";
constexpr const char* kMidiControllerPrefix = "MidiCC-";
constexpr std::size_t kSettingsPathSize = 255;
constexpr std::size_t kSettingValueNameSize = 256;

// "Software\Veltmarsk\" + product, cut to fit a 255-byte buffer.
void settingsKeyPath(const char* product, char (&path)[kSettingsPathSize]);

// Stores number + 1 as a DWORD; true only when the key opened and the value was written.
bool writeSetting(const char* product, const char* valueName, std::int32_t number);

// The stored DWORD (number + 1), or 0 when nothing usable is stored: the key had
// to be created, the value is missing, or its data is not exactly 4 bytes. A
// read creates the key when it is missing, as a write would.
std::int32_t readSetting(const char* product, const char* valueName);

// The number a default value is kept as: trunc(value * 10000), computed in
// float. Values that do not fit an int32 (never those of a bounded parameter)
// saturate, and NaN keeps 0.
std::int32_t keptDefaultNumber(float value);

}  // namespace qp
