#include "editor/GuiEditorBase.h"

#include <atomic>

#include "editor/EditorModel.h"
#include "editor/ToolkitInput.h"
#include "gui/Frame.h"
#include "gui/Point.h"
#include "gui/System.h"

namespace qp {

namespace {

// 0 at program start; hosts change it through effSetEditKnobMode and every open
// sets it to linear. Read by knobs on the window's thread, written by whichever
// thread sends the opcode.
std::atomic<std::int32_t> sharedKnobMode{0};

// Idle runs once the tick is within this much of the next idle time, so during a
// drag views are redrawn roughly every 50 ms.
constexpr std::uint32_t kIdleLeadMs = 50;
constexpr std::uint32_t kIdleIntervalMs = 100;

std::atomic<GuiEditorBase::TickSource> tickSource{systemTicks};

std::uint32_t ticks() { return tickSource.load(std::memory_order_relaxed)(); }

// How far the tick has to go until it reaches then; negative once it is past.
// Taken modulo 2^32, so the counter wrapping after 49.7 days changes nothing.
std::int32_t ticksUntil(std::uint32_t then, std::uint32_t now) { return std::int32_t(then - now); }

}  // namespace

GuiEditorBase::GuiEditorBase(EditorModel& model)
    : model_(model),
      nextIdleTime_(ticks()),
      platform_(openPlatform()) {}

GuiEditorBase::~GuiEditorBase() { lifeline_.end(); }

bool GuiEditorBase::open(NativeWindow parent) {
    requestUpdate();
    parentWindow_ = parent;
    return true;
}

void GuiEditorBase::close() {
    if (editOpen_) {
        CallOut call(lifeline_);
        endEdit(openEditTag_);
        if (call.isLost()) {
            return;
        }
    }
}

void GuiEditorBase::idle() {
    // The host may call its idle from inside the hostIdle that wait() makes.
    if (inIdle_) {
        return;
    }
    if (updatePending_.exchange(false, std::memory_order_relaxed)) {
        update();
    }
    if (frame_) {
        frame_->idle();
    }
}

NativeWindow GuiEditorBase::window() const { return frame_ ? frame_->getWindow() : nullptr; }

void GuiEditorBase::wait() {
    std::uint32_t now = ticks();
    // The deadline is refreshed only here, so after a quiet spell between drags
    // it may lie anywhere: past 2^31 ms (24.9 days) the old one reads as far
    // ahead. A deadline is never set more than one interval ahead, so one
    // beyond that is stale and due now.
    const std::int32_t until = ticksUntil(nextIdleTime_, now);
    if (until > 0 && until <= std::int32_t(kIdleIntervalMs)) {
        now += pause();
        if (ticksUntil(nextIdleTime_, now) > std::int32_t(kIdleLeadMs)) {
            return;
        }
    }
    // The frame's events reach listeners, and the host idle the host: either may
    // destroy the editor.
    CallOut call(lifeline_);
    idle();
    if (call.isLost()) {
        return;
    }
    paintPending();
    nextIdleTime_ = now + kIdleIntervalMs;
    inIdle_ = true;
    model_.hostIdle();
    if (call.isLost()) {
        return;
    }
    inIdle_ = false;
}

std::int32_t GuiEditorBase::keyDown(KeyCode& key) { return frame_ ? frame_->keyDown(key) : -1; }

std::int32_t GuiEditorBase::keyUp(KeyCode& key) { return frame_ ? frame_->keyUp(key) : -1; }

void GuiEditorBase::setKnobMode(std::int32_t mode) { sharedKnobMode.store(mode, std::memory_order_relaxed); }

bool GuiEditorBase::wheel(float distance) {
    return frame_ ? frame_->wheel(nullptr, Point(0, 0), distance) : false;
}

void GuiEditorBase::draw(const Rect*) {
    if (frame_) {
        frame_->redrawView(nullptr);
    }
}

void GuiEditorBase::beginEdit(std::int32_t tag) {
    editOpen_ = true;
    openEditTag_ = tag;
    model_.beginGesture(tag);
}

void GuiEditorBase::endEdit(std::int32_t tag) {
    editOpen_ = false;
    model_.endGesture(tag);
}

KnobMode GuiEditorBase::getKnobMode() const { return toolkitKnobMode(knobMode()); }

std::int32_t GuiEditorBase::knobMode() { return sharedKnobMode.load(std::memory_order_relaxed); }

void GuiEditorBase::setTickSource(TickSource source) {
    tickSource.store(source ? source : systemTicks, std::memory_order_relaxed);
}

}  // namespace qp
