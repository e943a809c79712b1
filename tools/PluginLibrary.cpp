#include "tools/PluginLibrary.h"

namespace qp::tools {

namespace {

// The VST 2.4 host version; any non-zero answer makes a plug-in accept us.
constexpr IntPtr kHostVersion = 2400;

IntPtr QP_CDECL offlineHost(AEffect*, Int32 opcode, Int32, IntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion:
            return kHostVersion;
        case audioMasterWantMidi:
            return 1;  // accepted, though this host has no MIDI to send
        default:
            return 0;  // not supported, nothing to report
    }
}

}  // namespace

PluginLibrary::~PluginLibrary() {
    if (effect_ != nullptr) {
        effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    }
}

std::string PluginLibrary::defaultPath() { return hostlib::besideExecutable(hostlib::kPluginFileName); }

bool PluginLibrary::load(const std::string& path, std::string* error) {
    if (!module_.load(path, error)) {
        return false;
    }
    effect_ = module_.create(&offlineHost, error);
    return effect_ != nullptr;
}

}  // namespace qp::tools
