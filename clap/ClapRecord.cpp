// The functions of the instance record and of the extensions' tables: each finds
// its ClapPlugin through plugin_data and checks what the host handed it.
#include <cstdio>
#include <cstring>

#include "clap/ClapPlugin.h"
#include "clap/ClapValueText.h"

#ifndef QP_CLAP_VERSION
#error "QP_CLAP_VERSION must name the release (the build sets it from VERSION)"
#endif

namespace qp::clap {

namespace {

constexpr const char* kFeatures[] = {"audio-effect", "stereo", "distortion", nullptr};

constexpr clap_plugin_descriptor kDescriptor{
    kClapVersion, kPluginId, "Quorrelphone", "Veltmarsk", "", "", "", QP_CLAP_VERSION, "", kFeatures};

// Both audio ports are the main stereo pair, id 0 each way, and may share buffers.
constexpr clap_id kPortId = 0;

void copyName(char* target, std::size_t capacity, const char* name) {
    std::snprintf(target, capacity, "%s", name);
}

// --- the instance -------------------------------------------------------------------

bool init(const clap_plugin* plugin) {
    ClapPlugin* instance = ClapPlugin::of(plugin);
    return instance != nullptr && instance->init();
}

void destroy(const clap_plugin* plugin) { delete ClapPlugin::of(plugin); }

bool activate(const clap_plugin* plugin, double sampleRate, std::uint32_t, std::uint32_t) {
    return ClapPlugin::of(plugin)->activate(sampleRate);
}

void deactivate(const clap_plugin* plugin) { ClapPlugin::of(plugin)->deactivate(); }

bool startProcessing(const clap_plugin* plugin) { return ClapPlugin::of(plugin)->startProcessing(); }

void stopProcessing(const clap_plugin* plugin) { ClapPlugin::of(plugin)->stopProcessing(); }

void reset(const clap_plugin* plugin) { ClapPlugin::of(plugin)->reset(); }

clap_process_status process(const clap_plugin* plugin, const clap_process* block) {
    return block != nullptr ? ClapPlugin::of(plugin)->process(*block) : CLAP_PROCESS_ERROR;
}

const void* getExtension(const clap_plugin*, const char* id) {
    return id != nullptr ? extension(id) : nullptr;
}

// Nothing is ever asked of the main thread yet.
void onMainThread(const clap_plugin*) {}

// --- clap.audio-ports --------------------------------------------------------------

std::uint32_t portCount(const clap_plugin*, bool) { return 1; }

bool portInfo(const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
    if (index != 0 || info == nullptr) {
        return false;
    }
    info->id = kPortId;
    copyName(info->name, sizeof(info->name), isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = kPortId;
    return true;
}

constexpr clap_plugin_audio_ports kAudioPorts{portCount, portInfo};

// --- clap.params: ids are the parameter indices -------------------------------------

bool isParameter(clap_id id) { return id < std::uint32_t(kParameterCount); }

std::uint32_t paramCount(const clap_plugin*) { return kParameterCount; }

bool paramInfo(const clap_plugin*, std::uint32_t index, clap_param_info* info) {
    if (!isParameter(index) || info == nullptr) {
        return false;
    }
    info->id = index;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE;
    info->cookie = nullptr;
    copyName(info->name, sizeof(info->name), kParameterDefinitions[index].name);
    info->module[0] = '\0';
    info->min_value = 0.0;
    info->max_value = 1.0;
    info->default_value = kParameterDefinitions[index].defaultValue;
    return true;
}

bool paramValue(const clap_plugin* plugin, clap_id id, double* value) {
    if (!isParameter(id) || value == nullptr) {
        return false;
    }
    *value = ClapPlugin::of(plugin)->value(std::int32_t(id));
    return true;
}

bool paramValueToText(const clap_plugin*, clap_id id, double value, char* text, std::uint32_t capacity) {
    return isParameter(id) && valueToText(value, text, capacity);
}

bool paramTextToValue(const clap_plugin*, clap_id id, const char* text, double* value) {
    return isParameter(id) && value != nullptr && textToValue(text, *value);
}

void paramFlush(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out) {
    ClapPlugin::of(plugin)->flush(in, out);
}

constexpr clap_plugin_params kParams{paramCount,       paramInfo,        paramValue,
                                     paramValueToText, paramTextToValue, paramFlush};

// --- clap.state and clap.latency ----------------------------------------------------

bool stateSave(const clap_plugin* plugin, const clap_ostream* stream) {
    return stream != nullptr && ClapPlugin::of(plugin)->save(*stream);
}

bool stateLoad(const clap_plugin* plugin, const clap_istream* stream) {
    return stream != nullptr && ClapPlugin::of(plugin)->load(*stream);
}

constexpr clap_plugin_state kState{stateSave, stateLoad};

std::uint32_t latency(const clap_plugin*) { return 0; }

constexpr clap_plugin_latency kLatency{latency};

}  // namespace

const clap_plugin_descriptor& descriptor() { return kDescriptor; }

void fillRecord(clap_plugin& plugin, ClapPlugin* instance) {
    plugin = clap_plugin{&kDescriptor,    instance,       init,  destroy, activate,     deactivate,
                         startProcessing, stopProcessing, reset, process, getExtension, onMainThread};
}

const void* extension(const char* id) {
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0) {
        return &kAudioPorts;
    }
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) {
        return &kParams;
    }
    if (std::strcmp(id, CLAP_EXT_STATE) == 0) {
        return &kState;
    }
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0) {
        return &kLatency;
    }
    return guiExtension(id);
}

}  // namespace qp::clap
