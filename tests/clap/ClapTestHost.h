// A small CLAP host of the tests' own: it loads the built module as hosts do
// (dlopen or LoadLibrary, then clap_entry), or, in the sanitizer trees where no
// module is built, takes the entry linked into the test. Around it: one plug-in
// instance, event lists and streams that move as few bytes per call as asked.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "clap/ClapAbi.h"

#if defined(QP_CLAP_MODULE)
#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#else
extern "C" const clap_plugin_entry clap_entry;
#endif

namespace qp::test {

class ClapModule {
public:
    ClapModule() {
#if defined(QP_CLAP_MODULE) && defined(_WIN32)
        handle_ = LoadLibraryA(QP_CLAP_MODULE);
        entry_ = handle_ != nullptr ? reinterpret_cast<const clap_plugin_entry*>(
                                          reinterpret_cast<void*>(GetProcAddress(handle_, "clap_entry")))
                                    : nullptr;
#elif defined(QP_CLAP_MODULE)
        handle_ = dlopen(QP_CLAP_MODULE, RTLD_NOW | RTLD_LOCAL);
        entry_ = handle_ != nullptr ? static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"))
                                    : nullptr;
#else
        entry_ = &clap_entry;
#endif
    }
    ~ClapModule() {
#if defined(QP_CLAP_MODULE) && defined(_WIN32)
        if (handle_ != nullptr) {
            FreeLibrary(handle_);
        }
#elif defined(QP_CLAP_MODULE)
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
#endif
    }
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const clap_plugin_entry* entry() const { return entry_; }

    // Whether the module is still mapped after this object's unload: it must be,
    // as its runtime's memory would otherwise be lost at every load.
    static bool stillLoaded() {
#if defined(QP_CLAP_MODULE) && defined(_WIN32)
        return GetModuleHandleA(QP_CLAP_MODULE) != nullptr;
#elif defined(QP_CLAP_MODULE)
        void* handle = dlopen(QP_CLAP_MODULE, RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            dlclose(handle);
        }
        return handle != nullptr;
#else
        return true;
#endif
    }
    const clap_plugin_factory* factory() const {
        return static_cast<const clap_plugin_factory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    }

private:
#if defined(QP_CLAP_MODULE) && defined(_WIN32)
    HMODULE handle_ = nullptr;
#elif defined(QP_CLAP_MODULE)
    void* handle_ = nullptr;
#endif
    const clap_plugin_entry* entry_ = nullptr;
};

// The module stays initialised for the whole test.
class ClapSession {
public:
    ClapSession() {
        EXPECT_NE(module_.entry(), nullptr) << "module or clap_entry not found";
        if (module_.entry() != nullptr) {
            initialised_ = module_.entry()->init("/nowhere/Quorrelphone.clap");
        }
    }
    ~ClapSession() {
        if (initialised_) {
            module_.entry()->deinit();
        }
    }
    const ClapModule& module() const { return module_; }

private:
    ClapModule module_;
    bool initialised_ = false;
};

inline const void* noHostExtension(const clap_host*, const char*) { return nullptr; }
inline void noHostRequest(const clap_host*) {}

inline constexpr clap_host kTestHost{{1, 2, 10},      nullptr,       "qp tests",    "Veltmarsk",  "", "1.0",
                                     noHostExtension, noHostRequest, noHostRequest, noHostRequest};

// A list of events laid out as a host keeps them: each its own size.
class EventList {
public:
    template <typename Event>
    void add(const Event& event) {
        // Each event 8-byte aligned, as a host's would be.
        offsets_.push_back(storage_.size());
        storage_.resize(storage_.size() + (sizeof(Event) + 7) / 8);
        std::memcpy(&storage_[offsets_.back()], &event, sizeof(Event));
    }
    void value(clap_id id, double value, std::uint32_t time = 0) {
        clap_event_param_value event{};
        event.header = {sizeof(event), time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = id;
        event.note_id = -1;
        event.port_index = event.channel = event.key = -1;
        event.value = value;
        add(event);
    }
    const clap_input_events* list() {
        input_ = {this, &EventList::size, &EventList::get};
        return &input_;
    }

private:
    static std::uint32_t size(const clap_input_events* list) {
        return std::uint32_t(static_cast<EventList*>(list->ctx)->offsets_.size());
    }
    static const clap_event_header* get(const clap_input_events* list, std::uint32_t index) {
        auto* self = static_cast<EventList*>(list->ctx);
        if (index >= self->offsets_.size()) {
            return nullptr;
        }
        return reinterpret_cast<const clap_event_header*>(&self->storage_[self->offsets_[index]]);
    }

    std::vector<std::uint64_t> storage_;
    std::vector<std::size_t> offsets_;
    clap_input_events input_{};
};

// A byte stream moving at most `step` bytes per call; `failAfter` calls in, it
// reports an error.
struct Stream {
    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    std::uint64_t step = ~std::uint64_t(0);
    int failAfter = -1;
    int calls = 0;

    clap_ostream output() { return {this, &Stream::write}; }
    clap_istream input() { return {this, &Stream::read}; }

    static std::int64_t write(const clap_ostream* stream, const void* buffer, std::uint64_t size) {
        auto* self = static_cast<Stream*>(stream->ctx);
        if (self->calls++ == self->failAfter) {
            return -1;
        }
        const std::uint64_t moved = std::min(size, self->step);
        const auto* from = static_cast<const unsigned char*>(buffer);
        self->bytes.insert(self->bytes.end(), from, from + moved);
        return std::int64_t(moved);
    }
    static std::int64_t read(const clap_istream* stream, void* buffer, std::uint64_t size) {
        auto* self = static_cast<Stream*>(stream->ctx);
        if (self->calls++ == self->failAfter) {
            return -1;
        }
        const std::uint64_t moved =
            std::min({size, self->step, std::uint64_t(self->bytes.size() - self->position)});
        if (moved > 0) {
            std::memcpy(buffer, self->bytes.data() + self->position, moved);
        }
        self->position += moved;
        return std::int64_t(moved);
    }
};

// One instance made through the factory, initialised, with its extensions.
class ClapInstance {
public:
    explicit ClapInstance(const ClapSession& session, const clap_host* host = &kTestHost)
        : plugin_(session.module().factory()->create_plugin(session.module().factory(), host,
                                                            "com.veltmarsk.quorrelphone")) {
        EXPECT_NE(plugin_, nullptr);
        EXPECT_TRUE(plugin_->init(plugin_));
        ports = static_cast<const clap_plugin_audio_ports*>(
            plugin_->get_extension(plugin_, CLAP_EXT_AUDIO_PORTS));
        params = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
        state = static_cast<const clap_plugin_state*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
        latency = static_cast<const clap_plugin_latency*>(plugin_->get_extension(plugin_, CLAP_EXT_LATENCY));
    }
    ~ClapInstance() {
        if (processing_) {
            plugin_->stop_processing(plugin_);
        }
        if (active_) {
            plugin_->deactivate(plugin_);
        }
        plugin_->destroy(plugin_);
    }
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap_plugin* operator->() const { return plugin_; }
    const clap_plugin* get() const { return plugin_; }

    bool start(double rate, std::uint32_t maxFrames = 4096) {
        active_ = plugin_->activate(plugin_, rate, 1, maxFrames);
        processing_ = active_ && plugin_->start_processing(plugin_);
        return processing_;
    }
    double value(clap_id id) const {
        double v = -1.0;
        EXPECT_TRUE(params->get_value(plugin_, id, &v));
        return v;
    }

    // One block through the given channels (inputs may be the outputs).
    clap_process_status block(float* inLeft, float* inRight, float* outLeft, float* outRight,
                              std::uint32_t frames, const clap_input_events* events = nullptr,
                              const clap_output_events* outEvents = nullptr) {
        float* in[2] = {inLeft, inRight};
        float* out[2] = {outLeft, outRight};
        clap_audio_buffer input{in, nullptr, 2, 0, 0};
        clap_audio_buffer output{out, nullptr, 2, 0, 0};
        clap_process process{-1, frames, nullptr, &input, &output, 1, 1, events, outEvents};
        return plugin_->process(plugin_, &process);
    }

    const clap_plugin_audio_ports* ports = nullptr;
    const clap_plugin_params* params = nullptr;
    const clap_plugin_state* state = nullptr;
    const clap_plugin_latency* latency = nullptr;

private:
    const clap_plugin* plugin_;
    bool active_ = false;
    bool processing_ = false;
};

}  // namespace qp::test
