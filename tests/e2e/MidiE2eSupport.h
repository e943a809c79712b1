// For the MIDI and chunk tests through the built library: MIDI event lists as
// hosts build them, the effect's settings (the registry key on Windows, the
// settings file elsewhere), and the chunk opcodes.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "PluginHost.h"
#include "ShownMessages.h"

namespace qp::test {

constexpr Int32 kLearnCommand = 13;
constexpr Int32 kMenuCommand = 5;

class MidiList {
public:
    MidiList& add(int status, int data1, int data2) {
        VstMidiEvent event{};
        event.type = kVstMidiType;
        event.byteSize = sizeof event;
        event.midiData[0] = char(status);
        event.midiData[1] = char(data1);
        event.midiData[2] = char(data2);
        events_.push_back(event);
        return *this;
    }

    IntPtr sendTo(PluginHost& host) {
        std::vector<IntPtr> storage(2 + events_.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(storage.data());
        list->numEvents = Int32(events_.size());
        VstEvent** slots = list->events;
        for (std::size_t i = 0; i < events_.size(); ++i) {
            slots[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        }
        return host.dispatch(effProcessEvents, 0, 0, list);
    }

private:
    std::vector<VstMidiEvent> events_;
};

inline void controllerChange(PluginHost& host, int channel, int number, int value) {
    MidiList().add(0xB0 | channel, number, value).sendTo(host);
}

#ifdef _WIN32
constexpr const char* kSettingsKey = "Software\\Veltmarsk\\Quorrelphone";

inline void deleteSettings() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey); }

// A DWORD of the effect's settings, read with plain registry calls.
inline std::optional<std::uint32_t> storedSetting(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0, data = 0, size = sizeof data;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) {
        return std::nullopt;
    }
    return data;
}
#else
// The file the library keeps the settings in; PluginHost points
// XDG_CONFIG_HOME at a folder of the test's own first.
inline std::string settingsFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return std::string(config ? config : "") + "/Veltmarsk/Quorrelphone/settings";
}

inline void deleteSettings() { std::remove(settingsFile().c_str()); }

// A value of the effect's settings, read from its "Name=value" lines.
inline std::optional<std::uint32_t> storedSetting(const char* name) {
    std::ifstream in(settingsFile());
    const std::string prefix = std::string(name) + "=";
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(prefix)) {
            return std::uint32_t(std::stoul(line.substr(prefix.size())));
        }
    }
    return std::nullopt;
}
#endif

inline std::vector<unsigned char> chunkOf(PluginHost& host, bool preset) {
    void* data = nullptr;
    const IntPtr size = host.dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (data == nullptr || size <= 0) {
        return {};
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(bytes, bytes + size);
}

inline IntPtr setChunk(PluginHost& host, const void* data, Int32 size, bool preset) {
    return host.dispatch(effSetChunk, preset ? 1 : 0, size, const_cast<void*>(data));
}

// Each test starts and ends without the effect's settings, so no other test
// (nor a later run) inherits bindings from it.
class SettingsIsolated : public ::testing::Test {
protected:
    void SetUp() override { deleteSettings(); }
    void TearDown() override { deleteSettings(); }

    // Windows boxes need one; the Linux library writes its messages out instead.
    static bool haveDisplay() {
#ifdef _WIN32
        return std::getenv("DISPLAY") != nullptr;
#else
        return true;
#endif
    }
};

// A fresh effect opened through the record, with the settings isolated.
class OpenEffectTest : public SettingsIsolated {
protected:
    void SetUp() override {
        SettingsIsolated::SetUp();
        ASSERT_TRUE(host.loaded()) << host.loadError();
        ASSERT_NE(host.open(), nullptr);
    }

    PluginHost host;
};

}  // namespace qp::test
