// Shared by the MIDI, settings and chunk tests: an effect built on an in-memory
// platform with an editor that logs every call the effect makes on it, and
// helpers that build MIDI event lists and raw chunks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "effect/BuzzEffect.h"
#include "host/MemoryPlatform.h"
#include "tests/support/EffectScopes.h"

namespace qp::test {

constexpr const char* kSettingsKey = "Software\\Veltmarsk\\Quorrelphone";

// What the effect asked of its editor, in order.
struct EditorEvent {
    enum Kind {
        SetParameter,
        RequestUpdate,
        RefreshLearnedControllers
    } kind;
    Int32 index = 0;
    float value = 0.0f;
};

class LoggingEditor final : public EditorBase {
public:
    explicit LoggingEditor(EffectBase* effect)
        : EditorBase(effect) {}

    void setParameter(Int32 index, float value) override {
        log.push_back({EditorEvent::SetParameter, index, value});
    }
    void requestUpdate() override { log.push_back({EditorEvent::RequestUpdate}); }
    void refreshLearnedControllers() override { log.push_back({EditorEvent::RefreshLearnedControllers}); }

    static EditorBase* make(EffectBase* effect) { return new LoggingEditor(effect); }

    int count(EditorEvent::Kind kind) const {
        int n = 0;
        for (const EditorEvent& event : log) {
            n += event.kind == kind;
        }
        return n;
    }

    std::vector<EditorEvent> log;
};

// A VstEvents list as hosts lay it out: the count, then one pointer per event.
class EventList {
public:
    EventList& midi(int status, int data1, int data2, Int32 type = kVstMidiType) {
        VstMidiEvent event{};
        event.type = type;
        event.byteSize = sizeof(VstMidiEvent);
        event.midiData[0] = char(status);
        event.midiData[1] = char(data1);
        event.midiData[2] = char(data2);
        events_.push_back(event);
        return *this;
    }

    VstEvents* get() {
        pointers_.assign(2 + events_.size(), 0);
        auto* list = reinterpret_cast<VstEvents*>(pointers_.data());
        list->numEvents = Int32(events_.size());
        VstEvent** slots = list->events;
        for (std::size_t i = 0; i < events_.size(); ++i) {
            slots[i] = reinterpret_cast<VstEvent*>(&events_[i]);
        }
        return list;
    }

private:
    std::vector<VstMidiEvent> events_;
    std::vector<IntPtr> pointers_;  // room for the header and the pointers
};

class EffectTest : public ::testing::Test {
protected:
    EffectTest()
        : editorScope_(&LoggingEditor::make) {}

    std::unique_ptr<BuzzEffect> makeEffect() {
        auto made = std::make_unique<BuzzEffect>(&RecordingHost::callback);
        return made;
    }

    static LoggingEditor& editorOf(BuzzEffect& effect) {
        return *static_cast<LoggingEditor*>(effect.editor());
    }

    static Int32 send(BuzzEffect& effect, EventList& list) { return effect.processEvents(list.get()); }
    static void controller(BuzzEffect& effect, int channel, int number, int value) {
        EventList list;
        list.midi(0xB0 | channel, number, value);
        send(effect, list);
    }

    static std::vector<unsigned char> bankOf(BuzzEffect& effect) {
        void* data = nullptr;
        const Int32 size = effect.getChunk(&data, false);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }

    static std::vector<unsigned char> rawBlock(const BuzzEffect& effect) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&effect.block());
        return std::vector<unsigned char>(bytes, bytes + sizeof(ParameterBlock));
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : platform().messages()) {
            texts.push_back(message.text);
        }
        return texts;
    }

    MemoryPlatform& platform() const { return platformScope_.platform; }

    RecordingHost host;

private:
    mutable MemoryPlatformScope platformScope_;
    EditorFactoryScope editorScope_;
};

// A ParameterBlock built byte by byte, as a host would hand one back.
inline ParameterBlock blockOf(const std::vector<unsigned char>& bytes) {
    ParameterBlock block;
    std::memcpy(&block, bytes.data(), sizeof block);
    return block;
}

inline std::vector<unsigned char> bytesOf(const ParameterBlock& block) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
    return std::vector<unsigned char>(bytes, bytes + sizeof block);
}

}  // namespace qp::test
