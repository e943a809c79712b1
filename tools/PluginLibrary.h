// A plug-in library loaded the way a host loads it (hostlib::PluginModule: the
// DLL's `main`, the Linux library's VSTPluginMain), and a host callback that answers like a plain offline host. The record
// is checked before anyone uses it; a library that is no VST 2 plug-in is
// refused with the reason.
#pragma once

#include <string>

#include "host/PluginInterface.h"
#include "tools/hostlib/PluginModule.h"

namespace qp::tools {

class PluginLibrary {
public:
    PluginLibrary() = default;
    // Closes the effect (effClose); the library is unloaded after it.
    ~PluginLibrary();

    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The plug-in beside the running executable.
    static std::string defaultPath();

    bool load(const std::string& path, std::string* error);
    AEffect* effect() const { return effect_; }

private:
    hostlib::PluginModule module_;
    AEffect* effect_ = nullptr;
};

}  // namespace qp::tools
