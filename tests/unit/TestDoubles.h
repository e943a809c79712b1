// A recording host and a recording editor for tests that drive a BuzzEffect.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "effect/BuzzEffect.h"
#include "host/MemoryPlatform.h"

namespace qp::test {

struct HostCall {
    Int32 opcode;
    Int32 index;
    IntPtr value;
    float opt;
};

// The callback has no context argument, so the host it reports to is a global
// one; each test makes a fresh one with a RecordingHost scope.
class RecordingHost {
public:
    RecordingHost() { active = this; }
    ~RecordingHost() { active = nullptr; }

    static IntPtr QP_CDECL callback(AEffect*, Int32 opcode, Int32 index, IntPtr value, void*,
                                    float opt) {
        if (active == nullptr) return 0;
        active->calls.push_back({opcode, index, value, opt});
        return opcode == audioMasterVersion ? active->versionAnswer : 0;
    }

    std::vector<HostCall> callsWith(Int32 opcode) const {
        std::vector<HostCall> found;
        for (const HostCall& call : calls) {
            if (call.opcode == opcode) found.push_back(call);
        }
        return found;
    }

    IntPtr versionAnswer = 2400;
    std::vector<HostCall> calls;

private:
    static inline RecordingHost* active = nullptr;
};

class RecordingEditor final : public EditorBase {
public:
    explicit RecordingEditor(EffectBase* effect) : EditorBase(effect) { latest = this; }
    ~RecordingEditor() override {
        if (latest == this) latest = nullptr;
    }

    void setParameter(Int32 index, float value) override { received.emplace_back(index, value); }
    bool wheel(float distance) override {
        wheelDistances.push_back(distance);
        return wheelAnswer;
    }

    static EditorBase* make(EffectBase* effect) { return new RecordingEditor(effect); }

    std::vector<std::pair<Int32, float>> received;
    std::vector<float> wheelDistances;
    bool wheelAnswer = true;

    // The editor of the effect built last (the effect owns and destroys it).
    static inline RecordingEditor* latest = nullptr;
};

// Installs an editor factory for the lifetime of the scope.
class EditorFactoryScope {
public:
    explicit EditorFactoryScope(EditorFactory factory) : previous_(editorFactory()) {
        setEditorFactory(factory);
    }
    ~EditorFactoryScope() { setEditorFactory(previous_); }

private:
    EditorFactory previous_;
};

// Settings come from an empty in-memory registry, so no test depends on what the
// machine (or a Wine prefix) has stored.
class MemoryPlatformScope {
public:
    MemoryPlatformScope() { setCurrentPlatform(&platform); }
    ~MemoryPlatformScope() { setCurrentPlatform(nullptr); }

    MemoryPlatform platform;
};

}  // namespace qp::test
