// PluginModule outside Windows: dlopen and the entry under the name Linux hosts
// look for first, VSTPluginMain, then the older `main`.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "tools/hostlib/PluginModule.h"

namespace qp::hostlib {

const char* const kPluginFileName = "Quorrelphone.so";

namespace {

constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};

}  // namespace

std::string besideExecutable(const char* name) {
    char path[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string directory(path, length > 0 ? std::size_t(length) : 0);
    const std::size_t slash = directory.find_last_of('/');
    directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    return directory + name;
}

PluginModule::~PluginModule() {
    if (module_ != nullptr) {
        ::dlclose(module_);
    }
}

bool PluginModule::load(const std::string& path, std::string* error) {
    path_ = path;
    // dlopen searches the library path for a bare name; a host means the file.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    // Local: two plug-ins' symbols never resolve against each other.
    void* module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = ::dlerror();
        const bool missing = ::access(file.c_str(), F_OK) != 0;
        *error = "cannot load " + path + " (" +
                 (missing  ? "no such file"
                  : reason ? reason
                           : "not a loadable shared object") +
                 ")";
        return false;
    }
    module_ = module;
    for (const char* name : kEntryNames) {
        if (void* symbol = ::dlsym(module, name)) {
            entry_ = reinterpret_cast<MainEntry>(symbol);
            return true;
        }
    }
    *error = path + " is not a VST 2 plug-in: it exports neither \"VSTPluginMain\" nor \"main\"";
    return false;
}

}  // namespace qp::hostlib
