#include "bench/ClapContender.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(QP_CLAP_MODULE)
#include <dlfcn.h>
#else
extern "C" const clap_plugin_entry clap_entry;
#endif

namespace qp::bench {

namespace {

constexpr double kRate = 44100.0;
constexpr const char* kPluginId = "com.veltmarsk.quorrelphone";

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "qp_bench: %s\n", what);
    std::exit(1);
}

const void* noExtension(const clap_host*, const char*) { return nullptr; }
void noRequest(const clap_host*) {}

constexpr clap_host kBenchHost{kClapVersion, nullptr,     "qp_bench", "Veltmarsk", "",
                               "1.0",        noExtension, noRequest,  noRequest,   noRequest};

std::uint32_t noEvents(const clap_input_events*) { return 0; }
const clap_event_header* noEvent(const clap_input_events*, std::uint32_t) { return nullptr; }
bool dropEvent(const clap_output_events*, const clap_event_header*) { return true; }

}  // namespace

// What a host keeps per instance between blocks; only the pointers, the frame
// count and the time change from one block to the next.
struct ClapContender::Instance {
    const clap_plugin* plugin = nullptr;
    float* in[2] = {};
    float* out[2] = {};
    clap_audio_buffer input{in, nullptr, 2, 0, 0};
    clap_audio_buffer output{out, nullptr, 2, 0, 0};
    clap_input_events inEvents{nullptr, noEvents, noEvent};
    clap_output_events outEvents{nullptr, dropEvent};
    clap_process process{0, 0, nullptr, &input, &output, 1, 1, &inEvents, &outEvents};
};

ClapContender::ClapContender() {
#if defined(QP_CLAP_MODULE)
    handle_ = dlopen(QP_CLAP_MODULE, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        fail(dlerror());
    }
    entry_ = static_cast<const clap_plugin_entry*>(dlsym(handle_, "clap_entry"));
    if (entry_ == nullptr) {
        fail("the CLAP module has no clap_entry");
    }
#else
    entry_ = &clap_entry;
#endif
    if (!entry_->init("/nowhere/Quorrelphone.clap")) {
        fail("the CLAP entry refused to initialise");
    }
    factory_ = static_cast<const clap_plugin_factory*>(entry_->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (factory_ == nullptr) {
        fail("the CLAP module has no plug-in factory");
    }
}

ClapContender::~ClapContender() {
    for (const auto& instance : instances_) {
        instance->plugin->stop_processing(instance->plugin);
        instance->plugin->deactivate(instance->plugin);
        instance->plugin->destroy(instance->plugin);
    }
    instances_.clear();
    entry_->deinit();
#if defined(QP_CLAP_MODULE)
    dlclose(handle_);
#endif
}

const char* ClapContender::origin() const {
#if defined(QP_CLAP_MODULE)
    return "the built module, opened with dlopen";
#else
    return "the module's functions linked in";
#endif
}

BlockProcessor ClapContender::fresh(std::uint32_t maximumBlock) {
    auto instance = std::make_unique<Instance>();
    const clap_plugin* plugin = factory_->create_plugin(factory_, &kBenchHost, kPluginId);
    if (plugin == nullptr || !plugin->init(plugin)) {
        fail("the CLAP plug-in could not be created");
    }
    instance->plugin = plugin;
    if (!plugin->activate(plugin, kRate, 1, maximumBlock) || !plugin->start_processing(plugin)) {
        fail("the CLAP plug-in would not start processing");
    }
    Instance* self = instance.get();
    instances_.push_back(std::move(instance));
    return [self](float** in, float** out, int frames) {
        self->in[0] = in[0];
        self->in[1] = in[1];
        self->out[0] = out[0];
        self->out[1] = out[1];
        self->process.frames_count = std::uint32_t(frames);
        self->plugin->process(self->plugin, &self->process);
        self->process.steady_time += frames;
    };
}

}  // namespace qp::bench
