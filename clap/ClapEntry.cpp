// The one symbol the module exports: the CLAP entry, clap/'s composition root as
// lv2/Lv2EntryPoint.cpp is the LV2 plug-in's. It hands out the factory of the one
// plug-in while the module is initialised.
#include <cstring>
#include <mutex>
#include <new>

#include "clap/ClapPlugin.h"

namespace qp::clap {

namespace {

std::mutex initLock;
int initCount = 0;

bool entryInit(const char*) {
    const std::lock_guard<std::mutex> guard(initLock);
    ++initCount;
    return true;
}

// Unmatched deinits (a host calling it twice) leave the count at zero.
void entryDeinit() {
    const std::lock_guard<std::mutex> guard(initLock);
    if (initCount > 0) {
        --initCount;
    }
}

bool isInitialised() {
    const std::lock_guard<std::mutex> guard(initLock);
    return initCount > 0;
}

std::uint32_t pluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* pluginDescriptor(const clap_plugin_factory*, std::uint32_t index) {
    return index == 0 ? &descriptor() : nullptr;
}

const clap_plugin* createPlugin(const clap_plugin_factory*, const clap_host* host, const char* id) {
    if (host == nullptr || host->clap_version.major < 1 || id == nullptr || std::strcmp(id, kPluginId) != 0) {
        return nullptr;
    }
    ClapPlugin* instance = new (std::nothrow) ClapPlugin(host);
    return instance != nullptr ? instance->record() : nullptr;
}

constexpr clap_plugin_factory kFactory{pluginCount, pluginDescriptor, createPlugin};

const void* entryFactory(const char* id) {
    return id != nullptr && std::strcmp(id, CLAP_PLUGIN_FACTORY_ID) == 0 && isInitialised() ? &kFactory
                                                                                            : nullptr;
}

}  // namespace

}  // namespace qp::clap

#if defined(_WIN32)
#define QP_CLAP_EXPORT __declspec(dllexport)
#else
#define QP_CLAP_EXPORT __attribute__((visibility("default")))
#endif

// A const object at namespace scope would have internal linkage: the extern
// makes it the exported symbol.
extern "C" {
QP_CLAP_EXPORT extern const clap_plugin_entry clap_entry;
const clap_plugin_entry clap_entry{kClapVersion, qp::clap::entryInit, qp::clap::entryDeinit,
                                   qp::clap::entryFactory};
}
