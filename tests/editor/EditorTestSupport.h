// Shared pieces of the editor's tests: a recording host for a BuzzEffect built
// with the real editor, a readable 32-bit drawing surface, and a control that
// records what reaches it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/BuzzEditor.h"
#include "effect/BuzzEffect.h"
#include "gui/Control.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "host/MemoryPlatform.h"
#include "tests/support/EffectScopes.h"
#include "tests/support/RecordingHost.h"

namespace qp::test {

// A BuzzEffect with its BuzzEditor, message boxes and registry in memory.
class EditedEffect {
public:
    EditedEffect()
        : effect(std::make_unique<BuzzEffect>(&RecordingHost::callback)),
          editor(static_cast<BuzzEditor*>(effect->editor())) {}
    EditedEffect(const EditedEffect&) = delete;
    EditedEffect& operator=(const EditedEffect&) = delete;

    // Sends MIDI controller change number controller with value.
    void sendController(std::uint8_t controller, std::uint8_t value) {
        VstMidiEvent midi = {};
        midi.type = kVstMidiType;
        midi.byteSize = sizeof(midi);
        midi.midiData[0] = char(0xB0);
        midi.midiData[1] = char(controller);
        midi.midiData[2] = char(value);
        VstEvents events = {};
        events.numEvents = 1;
        events.events[0] = reinterpret_cast<VstEvent*>(&midi);
        effect->processEvents(&events);
    }

    RecordingHost host;
    // Installed before the effect is made and removed after it is gone.
    MemoryPlatformScope memory;
    EditorFactoryScope factory{makeBuzzEditor};
    MemoryPlatform& platform = memory.platform;
    std::unique_ptr<BuzzEffect> effect;
    BuzzEditor* editor = nullptr;
};

// A memory device context over a top-down 32-bit DIB, with a drawing context on it.
class Surface {
public:
    Surface(int width, int height, std::uint32_t fill = 0x00123456) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i)
            bits_[i] = fill;
        context_ = std::make_unique<DrawContext>(nullptr, dc_, nullptr);
    }
    ~Surface() {
        context_.reset();
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    DrawContext* context() { return context_.get(); }
    std::uint32_t pixel(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0x00FFFFFF;
    }
    std::vector<std::uint32_t> pixels() const {
        GdiFlush();
        std::vector<std::uint32_t> all(bits_, bits_ + width_ * height_);
        for (std::uint32_t& p : all)
            p &= 0x00FFFFFF;
        return all;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
    std::unique_ptr<DrawContext> context_;
};

// A control that records presses and draws nothing.
class RecordingControl : public Control {
public:
    RecordingControl(const Rect& size, std::int32_t tag) : Control(size, nullptr, tag) {}
    void draw(DrawContext*) override { setDirty(false); }
    void mouseDown(DrawContext*, Point where) override { presses.push_back(where); }
    std::vector<Point> presses;
};

class RecordingListener : public ControlListener {
public:
    void valueChanged(DrawContext*, Control* control) override {
        changes.push_back({control, control->getValue()});
    }
    struct Change {
        Control* control;
        float value;
    };
    std::vector<Change> changes;
};

}  // namespace qp::test
