// The recording host callback and small effects for the host-interface tests.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "host/EditorBase.h"
#include "host/EffectHostServices.h"
#include "tests/support/RecordingHost.h"

namespace qp::test {

// What the host-interface tests' effects report to. The tests run on one
// thread; a plain global keeps MinGW's thread-local initialisation out of the
// way. It answers the version query like any other, with `answer`.
inline CallLog hostLog{std::nullopt};

inline IntPtr QP_CDECL recordingHost(AEffect* effect, Int32 opcode, Int32 index, IntPtr value, void* ptr,
                                     float opt) {
    return hostLog.take(HostCall::of(effect, opcode, index, value, ptr, opt));
}

// An effect that overrides nothing but what every effect must provide, so the
// layers' own defaults answer. Counts its destruction.
class DefaultEffect : public EffectHostServices {
public:
    explicit DefaultEffect(HostCallback callback = recordingHost, Int32 programs = 9, Int32 parameters = 2)
        : EffectHostServices(callback, programs, parameters) {}
    ~DefaultEffect() override { ++destroyed; }

    void process(float**, float**, Int32) override {}

    IntPtr dispatch(Int32 opcode, Int32 index = 0, IntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
        return dispatcher(opcode, index, value, ptr, opt);
    }

    inline static int destroyed = 0;
};

// An editor that counts what the effect asks of it and its own destruction.
class CountingEditor : public EditorBase {
public:
    explicit CountingEditor(EffectBase* effect)
        : EditorBase(effect) {}
    ~CountingEditor() override { ++destroyed; }

    Int32 getRect(ERect** rect) override {
        *rect = &rectangle;
        return 1;
    }
    Int32 open(void* parent) override {
        EditorBase::open(parent);
        ++opened;
        return 1;
    }
    void close() override { ++closed; }
    void update() override { ++updates; }
    Int32 keyDown(VstKeyCode& key) override {
        lastKey = key;
        return 11;
    }
    Int32 keyUp(VstKeyCode& key) override {
        lastKey = key;
        return 12;
    }
    Int32 setKnobMode(Int32 mode) override {
        knobMode = mode;
        return 13;
    }

    bool pending() const { return updatePending_ != 0; }

    ERect rectangle{0, 0, 168, 309};
    VstKeyCode lastKey{};
    Int32 knobMode = -1;
    int opened = 0;
    int closed = 0;
    int updates = 0;

    inline static int destroyed = 0;
};

// Fills a text buffer with a marker so a test can see which bytes were written.
constexpr char kUntouched = '\x7f';

inline std::string longText(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(char('a' + i % 26));
    }
    return text;
}

}  // namespace qp::test
