// The win32 bench: loads the built plug-in as a host does and times its
// processReplacing entry against the floor loop. Usage: qp_bench [PLUGIN.dll]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/BenchRunner.h"
#include "host/PluginInterface.h"

namespace {

using MainEntry = qp::AEffect*(QP_CDECL*)(qp::HostCallback callback);

qp::IntPtr QP_CDECL benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

std::string besideExecutable(const char* name) {
    char path[MAX_PATH] = {};
    std::string directory(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    const std::size_t slash = directory.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : directory.substr(0, slash + 1)) + name;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : besideExecutable("Quorrelphone.dll");
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "qp_bench: cannot load %s\n", path.c_str());
        return 1;
    }
    auto entry = reinterpret_cast<MainEntry>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
    if (entry == nullptr) {
        std::fprintf(stderr, "qp_bench: %s exports no main\n", path.c_str());
        return 1;
    }
    std::printf("plug-in: %s (win32 build, through the DLL's processReplacing entry)\n", path.c_str());
    qp::bench::runRecordComparison([&] {
        qp::AEffect* effect = entry(&benchHost);
        if (effect == nullptr || effect->magic != qp::kEffectMagic) {
            std::fprintf(stderr, "qp_bench: %s gave no usable record\n", path.c_str());
            std::exit(1);
        }
        return effect;
    });
    FreeLibrary(module);
    return 0;
}
