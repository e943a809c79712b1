// What tests that build an effect in-process install around it: the editor
// factory, an in-memory registry and message boxes, and a recording editor.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "effect/BuzzEffect.h"
#include "host/MemoryPlatform.h"
#include "tests/support/RecordingHost.h"

namespace qp::test {

class RecordingEditor final : public EditorBase {
public:
    explicit RecordingEditor(EffectBase* effect)
        : EditorBase(effect) {
        latest = this;
    }
    ~RecordingEditor() override {
        if (latest == this) {
            latest = nullptr;
        }
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
    explicit EditorFactoryScope(EditorFactory factory)
        : previous_(editorFactory()) {
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

// A BuzzEffect built with a recording host and a recording editor, its
// settings and message boxes in memory.
class RecordedEffectTest : public ::testing::Test {
protected:
    MemoryPlatformScope platform;
    RecordingHost host;
    EditorFactoryScope factory{&RecordingEditor::make};
    BuzzEffect effect{&RecordingHost::callback};
};

}  // namespace qp::test
