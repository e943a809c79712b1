#include "clap/ClapPlugin.h"

#include "clap/ClapGui.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qp::clap {

namespace {

// The chain counts frames in 32 bits, signed; a larger block is rendered in parts.
constexpr std::uint32_t kLargestPart = std::uint32_t(std::numeric_limits<std::int32_t>::max());

// The values as one part of a block reads them: the same pair for every sample.
struct PartValues {
    float sensValue;
    float buzzValue;

    const PartValues& atSample() const { return *this; }
    float sens() const { return sensValue; }
    float buzz() const { return buzzValue; }
};

// The two channels of a port's 32-bit buffer, or false when it has none usable.
// Two pointers of their own, not an array: the compiler reads an array's pair
// in one 16-byte load, which hosts that have just written the two pointers
// apart make wait for both stores, at every block (a 1-frame block took twice
// as long).
bool stereo(const clap_audio_buffer* ports, std::uint32_t count, float*& left, float*& right) {
    if (ports == nullptr || count == 0 || ports[0].data32 == nullptr || ports[0].channel_count < 2) {
        return false;
    }
    left = ports[0].data32[0];
    right = ports[0].data32[1];
    return left != nullptr && right != nullptr;
}

bool onlyWide(const clap_audio_buffer* ports, std::uint32_t count) {
    return ports != nullptr && count > 0 && ports[0].data32 == nullptr && ports[0].data64 != nullptr;
}

// Every channel the host gave for the main output, in whichever sample size.
void silence(clap_audio_buffer* ports, std::uint32_t count, std::uint32_t frames) {
    if (ports == nullptr || count == 0) {
        return;
    }
    for (std::uint32_t channel = 0; channel < ports[0].channel_count; ++channel) {
        if (ports[0].data32 != nullptr && ports[0].data32[channel] != nullptr) {
            std::fill_n(ports[0].data32[channel], frames, 0.0f);
        }
        if (ports[0].data64 != nullptr && ports[0].data64[channel] != nullptr) {
            std::fill_n(ports[0].data64[channel], frames, 0.0);
        }
    }
}

std::uint32_t eventCount(const clap_input_events* in) {
    return in != nullptr && in->size != nullptr && in->get != nullptr ? in->size(in) : 0;
}

bool isParameter(std::int32_t index) { return index >= 0 && index < kParameterCount; }

// One queued edit as the host hears it: a global parameter's event at frame 0.
bool report(const ClapEditQueue::Edit& edit, const clap_output_events& out) {
    if (edit.kind == ClapEditQueue::Kind::Value) {
        clap_event_param_value event{};
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = edit.id;
        event.cookie = nullptr;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = double(edit.value);
        return out.try_push(&out, &event.header);
    }
    const std::uint16_t type = edit.kind == ClapEditQueue::Kind::GestureBegin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                              : CLAP_EVENT_PARAM_GESTURE_END;
    const clap_event_param_gesture event{{sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, type, 0}, edit.id};
    return out.try_push(&out, &event.header);
}

}  // namespace

ClapPlugin::ClapPlugin(const clap_host* host)
    : record_{},
      host_(host) {
    chain_.tune();
    for (std::int32_t index = 0; index < kParameterCount; ++index) {
        values_[index].store(kParameterDefinitions[index].defaultValue, std::memory_order_relaxed);
    }
    fillRecord(record_, this);
}

ClapPlugin::~ClapPlugin() = default;

bool ClapPlugin::init() {
    if (host_ == nullptr || host_->get_extension == nullptr) {
        return false;
    }
    threads_.lookUp(host_);
    threads_.expectMain();
    hostParams_ = static_cast<const clap_host_params*>(host_->get_extension(host_, CLAP_EXT_PARAMS));
    hostState_ = static_cast<const clap_host_state*>(host_->get_extension(host_, CLAP_EXT_STATE));
    return true;
}

bool ClapPlugin::activate(double sampleRate) {
    threads_.expectMain();
    if (active_ || !std::isfinite(sampleRate) || sampleRate <= 0.0) {
        return false;
    }
    chain_.reset();
    active_ = true;
    return true;
}

void ClapPlugin::deactivate() {
    threads_.expectMain();
    processing_.store(false, std::memory_order_release);
    active_ = false;
}

bool ClapPlugin::startProcessing() {
    threads_.expectAudio();
    if (!active_) {
        return false;
    }
    processing_.store(true, std::memory_order_release);
    return true;
}

void ClapPlugin::stopProcessing() {
    threads_.expectAudio();
    processing_.store(false, std::memory_order_release);
}

void ClapPlugin::reset() {
    threads_.expectAudio();
    chain_.reset();
}

bool ClapPlugin::take(const clap_event_header* event) {
    if (event == nullptr || event->space_id != CLAP_CORE_EVENT_SPACE_ID ||
        event->type != CLAP_EVENT_PARAM_VALUE || event->size < sizeof(clap_event_param_value)) {
        return false;
    }
    const auto& change = *reinterpret_cast<const clap_event_param_value*>(event);
    // The ids are the indices; no cookies are handed out, so none is looked at.
    if (change.param_id >= std::uint32_t(kParameterCount)) {
        return false;
    }
    if (std::isfinite(change.value)) {
        values_[change.param_id].store(float(std::clamp(change.value, 0.0, 1.0)), std::memory_order_relaxed);
        // After the value, so the editor that sees the bit reads the new one.
        hostChanges_.fetch_or(1u << change.param_id, std::memory_order_release);
    }
    return true;
}

void ClapPlugin::sendEdits(const clap_output_events* out) {
    const bool listening = out != nullptr && out->try_push != nullptr;
    while (const ClapEditQueue::Edit* edit = edits_.front()) {
        if (listening && !report(*edit, *out)) {
            return;
        }
        edits_.pop();
    }
}

void ClapPlugin::flush(const clap_input_events* in, const clap_output_events* out) {
    if (active_) {
        threads_.expectAudio();
    } else {
        threads_.expectMain();
    }
    sendEdits(out);
    const std::uint32_t count = eventCount(in);
    for (std::uint32_t index = 0; index < count; ++index) {
        take(in->get(in, index));
    }
}

void ClapPlugin::render(const Channels& channels, std::uint32_t from, std::uint32_t to) {
    const PartValues values{value(kSensIndex), value(kBuzzIndex)};
    const auto replace = [](float& target, float sample) { target = sample; };
    while (from < to) {
        const std::uint32_t part = std::min(to - from, kLargestPart);
        chain_.render(channels.inLeft + from, channels.inRight + from, channels.outLeft + from,
                      channels.outRight + from, std::int32_t(part), values, replace);
        from += part;
    }
}

clap_process_status ClapPlugin::process(const clap_process& block) {
    threads_.expectAudio();
    if (!active_) {
        return CLAP_PROCESS_ERROR;
    }
    // Most blocks carry no edit: the check stays here, the call out of the way.
    if (edits_.front() != nullptr) {
        sendEdits(block.out_events);
    }
    const std::uint32_t frames = block.frames_count;
    Channels channels;
    float* inLeft = nullptr;
    float* inRight = nullptr;
    const bool connected =
        stereo(block.audio_inputs, block.audio_inputs_count, inLeft, inRight) &&
        stereo(block.audio_outputs, block.audio_outputs_count, channels.outLeft, channels.outRight);
    channels.inLeft = inLeft;
    channels.inRight = inRight;
    // Events are walked in order, the block rendered up to each value change; one
    // out of order, or past the block's end, takes effect where the walk is.
    std::uint32_t done = 0;
    const std::uint32_t count = eventCount(block.in_events);
    for (std::uint32_t index = 0; index < count; ++index) {
        const clap_event_header* event = block.in_events->get(block.in_events, index);
        if (event == nullptr) {
            continue;
        }
        const std::uint32_t at = std::clamp(event->time, done, frames);
        if (connected && at > done && event->type == CLAP_EVENT_PARAM_VALUE) {
            render(channels, done, at);
            done = at;
        }
        take(event);
    }
    if (connected) {
        render(channels, done, frames);
        return CLAP_PROCESS_CONTINUE;
    }
    silence(block.audio_outputs, block.audio_outputs_count, frames);
    const bool wide = onlyWide(block.audio_inputs, block.audio_inputs_count) ||
                      onlyWide(block.audio_outputs, block.audio_outputs_count);
    return wide ? CLAP_PROCESS_ERROR : CLAP_PROCESS_CONTINUE;
}

bool ClapPlugin::queueEdit(ClapEditQueue::Kind kind, std::int32_t index, float value) {
    threads_.expectMain();
    if (!isParameter(index) || !edits_.push({kind, clap_id(index), value})) {
        return false;
    }
    if (kind == ClapEditQueue::Kind::Value) {
        values_[index].store(value, std::memory_order_relaxed);
    }
    if (!isProcessing()) {
        requestFlush();
        // A value reported by event marks the host's project changed; one that
        // waits for a flush the host may never make (Qtractor 0.9.31 with its
        // transport stopped) is already in the state, which the host must save.
        if (kind == ClapEditQueue::Kind::Value && hostState_ != nullptr &&
            hostState_->mark_dirty != nullptr) {
            hostState_->mark_dirty(host_);
        }
    }
    return true;
}

bool ClapPlugin::beginGesture(std::int32_t index) {
    return queueEdit(ClapEditQueue::Kind::GestureBegin, index, 0.0f);
}

bool ClapPlugin::changeValue(std::int32_t index, float value) {
    return std::isfinite(value) &&
           queueEdit(ClapEditQueue::Kind::Value, index, std::clamp(value, 0.0f, 1.0f));
}

bool ClapPlugin::endGesture(std::int32_t index) {
    return queueEdit(ClapEditQueue::Kind::GestureEnd, index, 0.0f);
}

void ClapPlugin::keepEditsMoving() {
    threads_.expectMain();
    if (!edits_.empty() && !isProcessing()) {
        requestFlush();
    }
}

// request_flush is the host's way in; a host without clap.params can at least be
// asked to process, which drains the queue too.
void ClapPlugin::requestFlush() const {
    if (hostParams_ != nullptr && hostParams_->request_flush != nullptr) {
        hostParams_->request_flush(host_);
    } else if (host_->request_process != nullptr) {
        host_->request_process(host_);
    }
}

bool ClapPlugin::createGui(const char* api, bool floating) {
    threads_.expectMain();
    if (gui_) {
        return false;
    }
    gui_ = ClapGui::create(*this, host_, api, floating);
    return gui_ != nullptr;
}

void ClapPlugin::destroyGui() {
    threads_.expectMain();
    gui_.reset();
}

std::uint32_t ClapPlugin::takeHostChanges() {
    threads_.expectMain();
    return hostChanges_.exchange(0, std::memory_order_acquire);
}

}  // namespace qp::clap
