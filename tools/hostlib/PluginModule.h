// A plug-in library loaded the way a host loads it: LoadLibrary and `main` on
// Windows, dlopen and VSTPluginMain (else `main`) elsewhere; the record is checked
// before anyone calls into it. Shared by qphost, the bench, the cross-width check
// and the tests that drive the built DLL or Quorrelphone.so.
#pragma once

#include <string>

#include "host/PluginInterface.h"

namespace qp::hostlib {

using MainEntry = AEffect*(QP_CDECL*)(HostCallback callback);

// The plug-in's file name on this system: Quorrelphone.dll or Quorrelphone.so.
extern const char* const kPluginFileName;

// The file of that name in the running executable's folder.
std::string besideExecutable(const char* name);

class PluginModule {
public:
    PluginModule() = default;
    // Unloads the library; the effects made from it must be closed by then.
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // False with the reason when the file is missing, cannot be loaded at this
    // width, or exports no entry point.
    bool load(const std::string& path, std::string* error);
    bool loaded() const { return entry_ != nullptr; }
    // The entry point itself, for a host that wants to see what it returns unchecked.
    MainEntry entry() const { return entry_; }

    // Calls the entry point with the callback and returns the record when it is one a
    // host may call into; null with the reason otherwise.
    AEffect* create(HostCallback callback, std::string* error) const;

private:
    std::string path_;
    void* module_ = nullptr;
    MainEntry entry_ = nullptr;
};

}  // namespace qp::hostlib
