// Writes the bundle's description beside the shared object at build time:
//   qp_lv2_bundle --bank FACTORY.fxb --minor N --micro N --binary NAME.so
//                 [--ui-binary UI.so --ui-presets TABLE.inc] OUTDIR
// manifest.ttl, the plug-in's NAME.ttl and presets.ttl, from the port and
// parameter tables and the factory bank; with a UI, its description and the
// presets table compiled into it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lv2/bundle/BundleText.h"
#include "lv2/bundle/FactoryPresets.h"
#include "tools/PresetFile.h"

namespace {

constexpr const char* kUsage =
    "usage: qp_lv2_bundle --bank FACTORY.fxb --minor N --micro N --binary NAME.so\n"
    "                     [--ui-binary UI.so --ui-presets TABLE.inc] OUTDIR\n";

int fail(const std::string& message) {
    std::fprintf(stderr, "qp_lv2_bundle: %s\n", message.c_str());
    return 1;
}

bool writeText(const std::string& path, const std::string& text, std::string* error) {
    return qp::tools::writeFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()), error);
}

bool readCount(const char* text, int* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < 0 || parsed > 1000000) {
        return false;
    }
    *value = int(parsed);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qp::lv2::BundleDescription bundle;
    std::string bankPath, outputDir, presetTablePath;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--bank" && hasValue) {
            bankPath = argv[++i];
        } else if (option == "--binary" && hasValue) {
            bundle.binaryFile = argv[++i];
        } else if (option == "--ui-binary" && hasValue) {
            bundle.uiBinaryFile = argv[++i];
        } else if (option == "--ui-presets" && hasValue) {
            presetTablePath = argv[++i];
        } else if (option == "--minor" && hasValue) {
            if (!readCount(argv[++i], &bundle.minorVersion)) {
                return fail(std::string("--minor needs a number, not \"") + argv[i] + "\"");
            }
        } else if (option == "--micro" && hasValue) {
            if (!readCount(argv[++i], &bundle.microVersion)) {
                return fail(std::string("--micro needs a number, not \"") + argv[i] + "\"");
            }
        } else if (outputDir.empty() && option.rfind("--", 0) != 0) {
            outputDir = option;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (bankPath.empty() || bundle.binaryFile.empty() || outputDir.empty() ||
        bundle.uiBinaryFile.empty() != presetTablePath.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string stem = bundle.binaryFile.substr(0, bundle.binaryFile.rfind('.'));
    bundle.pluginFile = stem + ".ttl";
    bundle.presetsFile = "presets.ttl";

    std::string error;
    if (!qp::lv2::readFactoryPresets(bankPath, &bundle.presets, &error)) {
        return fail(error);
    }
    const std::pair<std::string, std::string> files[] = {
        {"manifest.ttl", qp::lv2::manifestTurtle(bundle)},
        {bundle.pluginFile, qp::lv2::pluginTurtle(bundle)},
        {bundle.presetsFile, qp::lv2::presetsTurtle(bundle)},
    };
    for (const auto& [name, text] : files) {
        if (!writeText(outputDir + "/" + name, text, &error)) {
            return fail(error);
        }
    }
    if (!presetTablePath.empty() && !writeText(presetTablePath, qp::lv2::presetTableSource(bundle), &error)) {
        return fail(error);
    }
    return 0;
}
