// The win32 bench: loads the built plug-in as a host does and times its
// processReplacing entry against the floor loop and, given --against, other
// builds of the plug-in in the same run, side by side (usage in bench/README.md).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRunner.h"
#include "host/PluginInterface.h"
#include "tools/hostlib/PluginModule.h"

namespace {

qp::IntPtr QP_CDECL benchHost(qp::AEffect*, qp::Int32 opcode, qp::Int32, qp::IntPtr, void*, float) {
    return opcode == qp::audioMasterVersion ? 2400 : 0;
}

constexpr const char* kUsage =
    "usage: qp_bench [--against OTHER.dll]... [--frames LIST] [--runs N] [--seconds S] [--profile BLOCKS] "
    "[PLUGIN.dll]\n"
    "  LIST: sizes and power-of-two ranges, e.g. 1,8,64,512 or 1-4096 (default 512)\n";

struct Library {
    std::string path;
    qp::hostlib::PluginModule module;
    std::vector<qp::AEffect*> effects;
};

}  // namespace

int main(int argc, char** argv) {
    std::string path = qp::hostlib::besideExecutable("Quorrelphone.dll");
    std::vector<std::string> files;
    qp::bench::BenchSetup setup;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--against") == 0 && i + 1 < argc) {
            files.push_back(argv[++i]);
        } else if (qp::bench::takeSetupOption(argc, argv, i, setup)) {
            continue;
        } else if (argv[i][0] != '-') {
            path = argv[i];
        } else {
            setup.blockSizes.clear();
        }
    }
    if (setup.blockSizes.empty() || setup.runs < 1 || !(setup.secondsPerRun > 0.0)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    files.insert(files.begin(), path);
    std::vector<std::unique_ptr<Library>> libraries;
    for (const std::string& file : files) {
        auto library = std::make_unique<Library>();
        library->path = file;
        std::string error;
        if (!library->module.load(file, &error)) {
            std::fprintf(stderr, "qp_bench: %s\n", error.c_str());
            return 1;
        }
        libraries.push_back(std::move(library));
    }
    int largest = 0;
    for (const int size : setup.blockSizes) {
        largest = std::max(largest, size);
    }

    std::vector<qp::bench::Contender> contenders;
    for (std::size_t n = 0; n < libraries.size(); ++n) {
        Library* library = libraries[n].get();
        const std::string label = n == 0 ? "plug-in" : "against " + std::to_string(n);
        std::printf("%s: %s (through the DLL's processReplacing entry)\n", label.c_str(),
                    library->path.c_str());
        auto fresh = [library, largest]() -> qp::bench::BlockProcessor {
            std::string error;
            qp::AEffect* effect = library->module.create(&benchHost, &error);
            if (effect == nullptr) {
                std::fprintf(stderr, "qp_bench: %s\n", error.c_str());
                std::exit(1);
            }
            library->effects.push_back(effect);
            return qp::bench::startProcessing(effect, largest);
        };
        contenders.push_back({label, fresh});
    }
    qp::bench::runComparison(contenders, setup);
    for (const auto& library : libraries) {
        for (qp::AEffect* effect : library->effects) {
            effect->dispatcher(effect, qp::effClose, 0, 0, nullptr, 0.0f);
        }
    }
    return 0;
}
