#include "clap/ClapEditorModel.h"

#include <bit>
#include <cmath>
#include <cstdio>

#include "clap/ClapPlugin.h"
#include "editor/BuzzEditor.h"

namespace qp::clap {

namespace {

using Kind = ClapEditQueue::Kind;

// Written at configure time from the factory bank (FactoryPresets.cmake).
constexpr ClapPreset kFactoryPresets[] = {
#include "clap/ClapFactoryPresets.inc"
};
constexpr std::int32_t kPresetCount = std::int32_t(sizeof kFactoryPresets / sizeof kFactoryPresets[0]);
static_assert(kPresetCount == kProgramCount, "one preset per program of the effect");

bool isPreset(std::int32_t preset) { return preset >= 0 && preset < kPresetCount; }

}  // namespace

float ClapPreset::value(std::int32_t parameter) const { return std::bit_cast<float>(bits[parameter]); }

const ClapPreset& ClapEditorModel::factoryPreset(std::int32_t preset) { return kFactoryPresets[preset]; }

ClapEditorModel::ClapEditorModel(ClapPlugin& plugin, const clap_host* host, const clap_host_gui* hostGui)
    : plugin_(plugin),
      host_(host),
      hostGui_(hostGui) {}

bool ClapEditorModel::offer(const Edit& edit) {
    switch (edit.kind) {
        case Kind::GestureBegin:
            return plugin_.beginGesture(std::int32_t(edit.id));
        case Kind::Value:
            return plugin_.changeValue(std::int32_t(edit.id), edit.value);
        case Kind::GestureEnd:
            return plugin_.endGesture(std::int32_t(edit.id));
    }
    return false;
}

void ClapEditorModel::wait(const Edit& edit) {
    if (!waiting_.empty()) {
        Edit& last = waiting_.back();
        if (edit.kind == Kind::Value && last.kind == Kind::Value && last.id == edit.id) {
            last.value = edit.value;
            return;
        }
        // The user took the knob again before the host heard the release: one
        // gesture, so the waiting edits do not grow with every drag.
        if (edit.kind == Kind::GestureBegin && last.kind == Kind::GestureEnd && last.id == edit.id) {
            waiting_.pop_back();
            return;
        }
    }
    waiting_.push_back(edit);
}

void ClapEditorModel::retry() {
    std::size_t sent = 0;
    while (sent < waiting_.size() && offer(waiting_[sent])) {
        ++sent;
    }
    waiting_.erase(waiting_.begin(), waiting_.begin() + std::ptrdiff_t(sent));
}

void ClapEditorModel::send(const Edit& edit) {
    // An index the plug-in refuses for good (no parameter, no number) never waits.
    if (edit.id >= std::uint32_t(kParameterCount) ||
        (edit.kind == Kind::Value && !std::isfinite(edit.value))) {
        return;
    }
    retry();
    if (!waiting_.empty() || !offer(edit)) {
        wait(edit);
    }
}

void ClapEditorModel::poll() {
    retry();
    plugin_.keepEditsMoving();
    const std::uint32_t changed = plugin_.takeHostChanges();
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        if ((changed & (1u << index)) != 0 && editor_ != nullptr) {
            editor_->parameterChanged(index, plugin_.value(index));
        }
    }
}

float ClapEditorModel::parameterValue(std::int32_t index) const {
    return index >= 0 && index < kParameterCount ? plugin_.value(index) : 0.0f;
}

void ClapEditorModel::beginGesture(std::int32_t index) { send({Kind::GestureBegin, clap_id(index), 0.0f}); }

void ClapEditorModel::changeValue(std::int32_t index, float value) {
    send({Kind::Value, clap_id(index), value});
}

void ClapEditorModel::endGesture(std::int32_t index) { send({Kind::GestureEnd, clap_id(index), 0.0f}); }

std::int32_t ClapEditorModel::presetCount() const { return kPresetCount; }

void ClapEditorModel::presetName(std::int32_t preset, char* name, std::size_t size) const {
    if (size > 0) {
        std::snprintf(name, size, "%s", isPreset(preset) ? kFactoryPresets[preset].name : "");
    }
}

std::int32_t ClapEditorModel::currentPreset() const {
    for (std::int32_t preset = 0; preset < kPresetCount; ++preset) {
        // The values a preset sets are these very floats: no tolerance.
        if (plugin_.value(kSensIndex) == kFactoryPresets[preset].value(kSensIndex) &&
            plugin_.value(kBuzzIndex) == kFactoryPresets[preset].value(kBuzzIndex)) {
            return preset;
        }
    }
    return -1;
}

void ClapEditorModel::choosePreset(std::int32_t preset) {
    if (!isPreset(preset)) {
        return;
    }
    for (std::int32_t parameter : {kSensIndex, kBuzzIndex}) {
        const float value = kFactoryPresets[preset].value(parameter);
        beginGesture(parameter);
        changeValue(parameter, value);
        endGesture(parameter);
        // The knobs hear the preset's values as the host's.
        if (editor_ != nullptr) {
            editor_->parameterChanged(parameter, value);
        }
    }
}

bool ClapEditorModel::requestSize(std::int32_t width, std::int32_t height) {
    return hostGui_ != nullptr && hostGui_->request_resize != nullptr && width > 0 && height > 0 &&
           hostGui_->request_resize(host_, std::uint32_t(width), std::uint32_t(height));
}

}  // namespace qp::clap
