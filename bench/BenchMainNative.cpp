// The native bench: no DLL to load, so it links the effect and reaches it
// through the record that `main` would hand a host, then times processReplacing
// against the floor loop.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/BenchRunner.h"
#include "effect/PluginMain.h"

namespace {

qp::IntPtr benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main() {
    std::vector<qp::AEffect*> effects;
    auto fresh = [&]() -> qp::bench::BlockProcessor {
        qp::AEffect* effect = qp::pluginMain(&benchHost);
        if (effect == nullptr) {
            std::fprintf(stderr, "qp_bench: the effect could not be created\n");
            std::exit(1);
        }
        effects.push_back(effect);
        return qp::bench::startProcessing(effect);
    };
#if defined(__SANITIZE_ADDRESS__)
    std::printf("note: built with AddressSanitizer; the figures are not representative\n");
#endif
    std::printf("plug-in: the effect linked in (native build, through the record's processReplacing)\n");
    qp::bench::runComparison("plug-in processReplacing", fresh);
    for (qp::AEffect* effect : effects) {
        effect->dispatcher(effect, qp::effClose, 0, 0, nullptr, 0.0f);
    }
    return 0;
}
