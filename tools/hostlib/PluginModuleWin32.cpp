// PluginModule on Windows: LoadLibrary and GetProcAddress.
#include "tools/hostlib/PluginModule.h"

#include <windows.h>

namespace qp::hostlib {

const char* const kPluginFileName = "Quorrelphone.dll";

std::string besideExecutable(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    const std::size_t slash = directory.find_last_of("\\/");
    directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    return directory + name;
}

PluginModule::~PluginModule() {
    if (module_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(module_));
    }
}

bool PluginModule::load(const std::string& path, std::string* error) {
    path_ = path;
    // No "insert the disk" or "missing DLL" dialogs: the caller reports.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD loadError = GetLastError();
    SetErrorMode(previousMode);
    if (module == nullptr) {
        *error = "cannot load " + path + " (Windows error " + std::to_string(loadError) +
                 (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES
                      ? ": no such file)"
                      : ": not a loadable " + std::to_string(sizeof(void*) * 8) + "-bit DLL)");
        return false;
    }
    module_ = module;
    entry_ = reinterpret_cast<MainEntry>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
    if (entry_ == nullptr) {
        *error = path + " is not a VST 2 plug-in: it exports no \"main\"";
        return false;
    }
    return true;
}

}  // namespace qp::hostlib
