// The native bench: no DLL to load, so it links the effect and reaches it
// through the record that `main` would hand a host, and the LV2 plug-in through
// its LV2 record as a host reaches it (ports connected before every block), the
// CLAP edition through its instance record (ClapContender), and times the three
// side by side against the floor loop (usage in bench/README.md).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/BenchRunner.h"
#include "bench/ClapContender.h"
#include "effect/PluginMain.h"
#include "lv2/Lv2Descriptor.h"
#include "lv2/Lv2Ports.h"

namespace {

qp::IntPtr benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

constexpr double kLv2Rate = 44100.0;
// The most frames the CLAP instances are activated for: the largest block --frames
// takes, and more than the whole input, which the same-work check renders as one block.
constexpr std::uint32_t kClapMaximumBlock = 1u << 20;

constexpr const char* kUsage =
    "usage: qp_bench [--frames LIST] [--runs N] [--seconds S] [--profile BLOCKS]\n"
    "  LIST: sizes and power-of-two ranges, e.g. 1,8,64,512 or 1-4096 (default 1,8,64,512)\n";

// An LV2 instance at its defaults (the same values as the floor's), as a host
// drives it: audio ports connected for each block, then run.
struct Lv2Instance {
    const LV2_Descriptor* descriptor = qp::lv2::descriptor(0);
    LV2_Handle handle = nullptr;
    float sens = qp::kParameterDefinitions[qp::kSensIndex].defaultValue;
    float buzz = qp::kParameterDefinitions[qp::kBuzzIndex].defaultValue;
};

}  // namespace

int main(int argc, char** argv) {
    qp::bench::BenchSetup setup;
    setup.blockSizes = {1, 8, 64, 512};
    for (int i = 1; i < argc; ++i) {
        if (!qp::bench::takeSetupOption(argc, argv, i, setup)) {
            setup.blockSizes.clear();
        }
    }
    if (setup.blockSizes.empty() || setup.runs < 1 || !(setup.secondsPerRun > 0.0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int largest = 0;
    for (const int size : setup.blockSizes) {
        largest = size > largest ? size : largest;
    }

    std::vector<qp::AEffect*> effects;
    auto fresh = [&]() -> qp::bench::BlockProcessor {
        qp::AEffect* effect = qp::pluginMain(&benchHost);
        if (effect == nullptr) {
            std::fprintf(stderr, "qp_bench: the effect could not be created\n");
            std::exit(1);
        }
        effects.push_back(effect);
        return qp::bench::startProcessing(effect, largest);
    };

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

#if defined(__SANITIZE_ADDRESS__)
    std::printf("note: built with AddressSanitizer; the figures are not representative\n");
#endif
    qp::bench::ClapContender clap;
    auto freshClap = [&clap]() { return clap.fresh(kClapMaximumBlock); };
    std::printf(
        "effect: linked in, through the record's processReplacing; LV2: run() through its record;\n"
        "CLAP: process() through the instance record, %s\n",
        clap.origin());
    qp::bench::runComparison({{"effect", fresh}, {"LV2 run", freshLv2}, {"CLAP process", freshClap}}, setup);
    for (qp::AEffect* effect : effects) {
        effect->dispatcher(effect, qp::effClose, 0, 0, nullptr, 0.0f);
    }
    for (Lv2Instance* instance : instances) {
        instance->descriptor->cleanup(instance->handle);
        delete instance;
    }
    return 0;
}
