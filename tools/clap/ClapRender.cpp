// qp_clap_render: renders a WAV file through a CLAP module as a host does
// (dlopen, clap_entry, the factory, one instance), in blocks of a chosen size,
// in place or not, with the parameters set by events at the first frame. What
// it writes is compared with qphost render of the DLL, sample for sample.
//
//   qp_clap_render MODULE.clap [--block N] [--in-place] [--param ID=VALUE]... IN.wav OUT.wav
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clap/ClapAbi.h"
#include "tools/WavFile.h"

namespace {

using qp::tools::Audio;

struct Options {
    std::string module;
    std::string input;
    std::string output;
    std::uint32_t block = 512;
    bool inPlace = false;
    std::vector<clap_event_param_value> params;
};

int fail(const std::string& message) {
    std::fprintf(stderr, "qp_clap_render: %s\n", message.c_str());
    return 1;
}

bool parse(int argc, char** argv, Options& options, std::string& error) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--block" && i + 1 < argc) {
            const long block = std::strtol(argv[++i], nullptr, 10);
            if (block < 1 || block > 65536) {
                error = "a block is 1 to 65536 frames";
                return false;
            }
            options.block = std::uint32_t(block);
        } else if (arg == "--in-place") {
            options.inPlace = true;
        } else if (arg == "--param" && i + 1 < argc) {
            const std::string text = argv[++i];
            const auto equals = text.find('=');
            if (equals == std::string::npos) {
                error = "a parameter is ID=VALUE";
                return false;
            }
            clap_event_param_value event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            event.param_id = clap_id(std::strtoul(text.substr(0, equals).c_str(), nullptr, 10));
            event.note_id = event.port_index = event.channel = event.key = -1;
            event.value = std::strtod(text.c_str() + equals + 1, nullptr);
            options.params.push_back(event);
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 3) {
        error =
            "usage: qp_clap_render MODULE.clap [--block N] [--in-place] [--param ID=VALUE]... IN.wav OUT.wav";
        return false;
    }
    options.module = files[0];
    options.input = files[1];
    options.output = files[2];
    return true;
}

struct EventList {
    std::vector<const clap_event_header*> events;
    clap_input_events list{this,
                           [](const clap_input_events* l) {
                               return std::uint32_t(static_cast<EventList*>(l->ctx)->events.size());
                           },
                           [](const clap_input_events* l, std::uint32_t i) {
                               auto* self = static_cast<EventList*>(l->ctx);
                               return i < self->events.size() ? self->events[i] : nullptr;
                           }};
};

const clap_output_events kNoOutput{nullptr,
                                   [](const clap_output_events*, const clap_event_header*) { return true; }};

const clap_host kHost{kClapVersion,
                      nullptr,
                      "qp_clap_render",
                      "Veltmarsk",
                      "",
                      "1",
                      [](const clap_host*, const char*) -> const void* { return nullptr; },
                      [](const clap_host*) {},
                      [](const clap_host*) {},
                      [](const clap_host*) {}};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parse(argc, argv, options, error)) {
        return fail(error);
    }
    qp::tools::WavReadResult read = qp::tools::readWavFile(options.input);
    if (!read.ok) {
        return fail(options.input + ": " + read.error);
    }
    Audio audio = read.audio;
    if (audio.channels.size() == 1) {
        audio.channels.push_back(audio.channels[0]);
    }
    void* library = dlopen(options.module.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto* entry = library ? static_cast<const clap_plugin_entry*>(dlsym(library, "clap_entry")) : nullptr;
    if (!entry || !entry->init(options.module.c_str())) {
        return fail(options.module + ": no CLAP module");
    }
    auto* factory = static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    const clap_plugin_descriptor* descriptor = factory && factory->get_plugin_count(factory) > 0
                                                   ? factory->get_plugin_descriptor(factory, 0)
                                                   : nullptr;
    const clap_plugin* plugin =
        descriptor ? factory->create_plugin(factory, &kHost, descriptor->id) : nullptr;
    if (!plugin || !plugin->init(plugin) ||
        !plugin->activate(plugin, double(audio.sampleRate), 1, options.block) ||
        !plugin->start_processing(plugin)) {
        return fail("the plug-in did not start");
    }

    const std::size_t frames = audio.frames();
    Audio rendered = audio;
    std::vector<float> outLeft(options.block), outRight(options.block);
    EventList first;
    for (const clap_event_param_value& event : options.params) {
        first.events.push_back(&event.header);
    }
    EventList none;
    for (std::size_t at = 0; at < frames; at += options.block) {
        const auto count = std::uint32_t(std::min<std::size_t>(options.block, frames - at));
        float* in[2] = {rendered.channels[0].data() + at, rendered.channels[1].data() + at};
        float* out[2] = {in[0], in[1]};
        if (!options.inPlace) {
            out[0] = outLeft.data();
            out[1] = outRight.data();
        }
        const clap_audio_buffer input{in, nullptr, 2, 0, 0};
        clap_audio_buffer output{out, nullptr, 2, 0, 0};
        const clap_process block{std::int64_t(at), count, nullptr, &input,
                                 &output,          1,     1,       at == 0 ? &first.list : &none.list,
                                 &kNoOutput};
        if (plugin->process(plugin, &block) == CLAP_PROCESS_ERROR) {
            return fail("process failed");
        }
        if (!options.inPlace) {
            std::copy_n(outLeft.data(), count, rendered.channels[0].data() + at);
            std::copy_n(outRight.data(), count, rendered.channels[1].data() + at);
        }
    }
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
    entry->deinit();
    if (!qp::tools::writeWavFile(options.output, rendered, qp::tools::SampleFormat::Float32, &error)) {
        return fail(options.output + ": " + error);
    }
    return 0;
}
