// The native bench: no DLL to load, so it links the effect and reaches it
// through the record that `main` would hand a host, then times processReplacing
// against the floor loop; then the LV2 plug-in's run(), reached through its LV2
// record as a host reaches it (ports connected before every block), against the
// same floor at 64-frame blocks, the size hosts run at low latency, and at 512.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/BenchRunner.h"
#include "effect/PluginMain.h"
#include "lv2/Lv2Descriptor.h"
#include "lv2/Lv2Ports.h"

namespace {

qp::IntPtr benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

constexpr double kLv2Rate = 44100.0;
constexpr int kLowLatencyBlock = 64;
constexpr int kLargeBlock = 512;

// An LV2 instance at its defaults (the same values as the floor's), as a host
// drives it: audio ports connected for each block, then run.
struct Lv2Instance {
    const LV2_Descriptor* descriptor = qp::lv2::descriptor(0);
    LV2_Handle handle = nullptr;
    float sens = qp::kParameterDefinitions[qp::kSensIndex].defaultValue;
    float buzz = qp::kParameterDefinitions[qp::kBuzzIndex].defaultValue;
};

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

    std::vector<Lv2Instance*> instances;
    auto freshLv2 = [&]() -> qp::bench::BlockProcessor {
        auto* instance = new Lv2Instance;
        instance->handle = instance->descriptor->instantiate(instance->descriptor, kLv2Rate, "", nullptr);
        if (instance->handle == nullptr) {
            std::fprintf(stderr, "qp_bench: the LV2 plug-in could not be instantiated\n");
            std::exit(1);
        }
        instances.push_back(instance);
        const LV2_Descriptor* descriptor = instance->descriptor;
        LV2_Handle handle = instance->handle;
        descriptor->connect_port(handle, qp::lv2::kSens, &instance->sens);
        descriptor->connect_port(handle, qp::lv2::kBuzz, &instance->buzz);
        descriptor->activate(handle);
        return [descriptor, handle](float** in, float** out, int frames) {
            descriptor->connect_port(handle, qp::lv2::kInLeft, in[0]);
            descriptor->connect_port(handle, qp::lv2::kInRight, in[1]);
            descriptor->connect_port(handle, qp::lv2::kOutLeft, out[0]);
            descriptor->connect_port(handle, qp::lv2::kOutRight, out[1]);
            descriptor->run(handle, std::uint32_t(frames));
        };
    };
    for (const int blockSize : {kLowLatencyBlock, kLargeBlock}) {
        std::printf("\nLV2 plug-in: run() through its LV2 record, blocks of %d frames\n", blockSize);
        qp::bench::BenchSetup setup;
        setup.blockSize = blockSize;
        qp::bench::runComparison("LV2 run", freshLv2, setup);
    }
    for (Lv2Instance* instance : instances) {
        instance->descriptor->cleanup(instance->handle);
        delete instance;
    }
    return 0;
}
