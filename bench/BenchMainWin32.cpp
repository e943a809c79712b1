// The win32 bench: loads the built plug-in as a host does and times its
// processReplacing entry against the floor loop. Usage: qp_bench [PLUGIN.dll]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchRunner.h"
#include "host/PluginInterface.h"
#include "tools/hostlib/PluginModule.h"

namespace {

qp::IntPtr QP_CDECL benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : qp::hostlib::besideExecutable("Quorrelphone.dll");
    qp::hostlib::PluginModule module;
    std::string error;
    if (!module.load(path, &error)) {
        std::fprintf(stderr, "qp_bench: %s\n", error.c_str());
        return 1;
    }
    std::vector<qp::AEffect*> effects;
    auto fresh = [&]() -> qp::bench::BlockProcessor {
        qp::AEffect* effect = module.create(&benchHost, &error);
        if (effect == nullptr) {
            std::fprintf(stderr, "qp_bench: %s\n", error.c_str());
            std::exit(1);
        }
        effects.push_back(effect);
        return qp::bench::startProcessing(effect);
    };
    std::printf("plug-in: %s (win32 build, through the DLL's processReplacing entry)\n", path.c_str());
    qp::bench::runComparison("plug-in processReplacing", fresh);
    for (qp::AEffect* effect : effects) {
        effect->dispatcher(effect, qp::effClose, 0, 0, nullptr, 0.0f);
    }
    return 0;
}
