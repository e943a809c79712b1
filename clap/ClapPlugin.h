// One CLAP instance: the shared signal chain of effect/dsp/ behind the record a
// host calls. The record's functions, the extensions' tables and the factory that
// makes instances live in ClapRecord.cpp and ClapEntry.cpp, the editor in
// ClapGui; this class knows values, blocks, the stored record and the editor's
// way to the host and back.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "clap/ClapAbi.h"
#include "clap/ClapEditQueue.h"
#include "clap/ClapThreadCheck.h"
#include "effect/ParameterRecords.h"
#include "effect/dsp/BuzzChain.h"

namespace qp::clap {

class ClapGui;

// The instance's identity, written once here: the factory compares against it.
inline constexpr const char* kPluginId = "com.veltmarsk.quorrelphone";

class ClapPlugin final {
public:
    // The chain tuned for 44100 Hz, as the VST 2 edition is at every rate, so a
    // host's rate changes nothing in the sound; values at their defaults.
    explicit ClapPlugin(const clap_host* host);
    // Takes down an editor the host left standing.
    ~ClapPlugin();

    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap_plugin* record() const { return &record_; }
    static ClapPlugin* of(const clap_plugin* plugin) {
        return plugin != nullptr ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
    }

    // Looks up the host's extensions; false when the host record is unusable.
    bool init();

    // Any finite positive rate is taken (the coefficients stay those of 44100 Hz);
    // the filters start from rest.
    bool activate(double sampleRate);
    void deactivate();
    bool isActive() const { return active_; }
    bool startProcessing();
    void stopProcessing();
    bool isProcessing() const { return processing_.load(std::memory_order_acquire); }
    // The filters forget the signal; the values stay.
    void reset();

    // Renders one block, each parameter event taking effect at its own frame. While
    // a main buffer is missing, short of two channels or given only as 64-bit data,
    // the block is skipped: the outputs get silence and the filters keep their
    // state (a 64-bit-only block is also reported as failed, as it was not
    // rendered). The editor's queued edits go out first, at frame 0. Allocates
    // nothing, takes no lock, makes no system call.
    clap_process_status process(const clap_process& block);

    // params.flush: the editor's queued edits go out, then the host's parameter
    // events are taken, without sample positions.
    void flush(const clap_input_events* in, const clap_output_events* out);

    // The editor's side, on the main thread. A gesture is beginGesture, any number
    // of changeValue, endGesture; a value may also change outside one. Each is
    // queued for the host, and a value is set at once: the next block sounds it
    // and get_value reports it, even while the host is slow to take the queue
    // (setting it again as it leaves would bring back an older value whenever
    // the host took only part of the queue). False, and nothing done, for an
    // index that is no parameter, a non-finite value, or a full queue
    // (ClapEditQueue: an end is always taken while a gesture is open). While the
    // plug-in is not processing, the host is asked for a flush to carry the
    // edits out.
    bool beginGesture(std::int32_t index);
    bool changeValue(std::int32_t index, float value);
    bool endGesture(std::int32_t index);
    // For the editor's timer: asks for a flush again while edits still wait and
    // no block is coming to take them (a host may pass over a request).
    void keepEditsMoving();
    // The parameters the host (or a stored record) changed since the last call,
    // one bit per index; their values are value(index). Main thread.
    std::uint32_t takeHostChanges();

    // The editor (clap.gui), from create to destroy; main thread. A second create
    // while one stands is refused.
    bool createGui(const char* api, bool floating);
    void destroyGui();
    ClapGui* gui() const { return gui_.get(); }
    const clap_host* host() const { return host_; }

    // The current value of a parameter, 0..1, readable from any thread.
    float value(std::int32_t index) const { return values_[index].load(std::memory_order_relaxed); }

    // The stored record: a magic, a version and the two values, little-endian.
    bool save(const clap_ostream& stream) const;
    // Takes a record only when it is whole and valid; otherwise nothing changes.
    bool load(const clap_istream& stream);

private:
    // Applies a parameter value event, passing over everything else; true if it
    // was one this instance takes.
    bool take(const clap_event_header* event);
    // Hands the queued edits to `out` in order; what the host cannot take waits for
    // the next call. Without a list there is no one to tell, and they are dropped.
    void sendEdits(const clap_output_events* out);
    bool queueEdit(ClapEditQueue::Kind kind, std::int32_t index, float value);
    void requestFlush() const;
    struct Channels {
        const float* inLeft = nullptr;
        const float* inRight = nullptr;
        float* outLeft = nullptr;
        float* outRight = nullptr;
    };
    void render(const Channels& channels, std::uint32_t from, std::uint32_t to);

    clap_plugin record_;
    const clap_host* host_;
    BuzzChain chain_;
    // Clamped to 0..1; a non-finite value is passed over, as the VST 2 edition
    // passes over a non-finite setParameter, so the last finite one stays.
    std::atomic<float> values_[kParameterCount];
    // Bit i set: parameter i was changed by the host or a load, not yet seen by
    // the editor.
    std::atomic<std::uint32_t> hostChanges_{0};
    static_assert(kParameterCount <= 32, "one bit per parameter");
    ClapEditQueue edits_;
    ClapThreadCheck threads_;
    const clap_host_params* hostParams_ = nullptr;
    const clap_host_state* hostState_ = nullptr;
    std::unique_ptr<ClapGui> gui_;
    bool active_ = false;
    // Read by the main thread to know whether a block will come to take edits.
    std::atomic<bool> processing_{false};
};

// The record every instance's `desc` points at.
const clap_plugin_descriptor& descriptor();
// Fills `plugin` with the functions that forward to `ClapPlugin`.
void fillRecord(clap_plugin& plugin, ClapPlugin* instance);
// The extension table for `id`, or null.
const void* extension(const char* id);
// The same among the editor's extensions (gui, timer-support, posix-fd-support).
const void* guiExtension(const char* id);

}  // namespace qp::clap
