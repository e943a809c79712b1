#include "tools/PluginLibrary.h"

#include <windows.h>

#include "tools/EffectInfo.h"

namespace qp::tools {

namespace {

// The VST 2.4 host version; any non-zero answer makes a plug-in accept us.
constexpr IntPtr kHostVersion = 2400;

using MainEntry = AEffect*(QP_CDECL*)(HostCallback callback);

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
    if (effect_ != nullptr) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

std::string PluginLibrary::defaultPath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    const std::size_t slash = directory.find_last_of("\\/");
    directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    return directory + "Quorrelphone.dll";
}

bool PluginLibrary::load(const std::string& path, std::string* error) {
    // No "insert the disk" or "missing DLL" dialogs: a command-line tool reports.
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
    auto entry = reinterpret_cast<MainEntry>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
    if (entry == nullptr) {
        *error = path + " is not a VST 2 plug-in: it exports no \"main\"";
        return false;
    }
    AEffect* effect = entry(&offlineHost);
    if (effect == nullptr) {
        *error = path + " refused to create its effect (main returned no record)";
        return false;
    }
    if (effect->magic != kEffectMagic) {
        *error = path + " is not a VST 2 plug-in: its record starts with " +
                 describeFourCharCode(effect->magic) + " instead of 'VstP'";
        return false;  // not a record we may call into, so it is not closed either
    }
    if (effect->dispatcher == nullptr || effect->process == nullptr ||
        effect->setParameter == nullptr || effect->getParameter == nullptr ||
        effect->numInputs < 0 || effect->numOutputs < 0 || effect->numParams < 0 ||
        effect->numPrograms < 0) {
        *error = path + " returned a damaged record (missing entry points or negative counts)";
        return false;
    }
    effect_ = effect;
    return true;
}

}  // namespace qp::tools
