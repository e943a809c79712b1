// qp_art: the editor's pictures from the art code (editor/art), as files.
//
//   qp_art --out DIR [--zoom N]  write face.bmp, about.bmp and knob.bmp of step N
//                                (100 by default: the committed resources/*.bmp)
//   qp_art --preview DIR         for every step, preview-N.bmp (the face with knob
//                                frame 45 on both wells) and preview-about-N.bmp
//                                (with the about picture): the art code's own
//                                picture of the editor, for comparing screenshots
//   qp_art --check [DIR]         exit status 1 unless DIR's (resources/) .bmp files
//                                are the 100 % pictures and every step passes the
//                                checks the editor relies on
//   qp_art --hashes              the golden table of tests/art (every picture's hash
//                                at every step)
//   qp_art --timings             how long each step takes to draw
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "tools/art/ArtCheckRun.h"
#include "tools/art/BmpFile.h"
#include "tools/art/PictureHash.h"

namespace {

using qp::art::Picture;

constexpr std::int32_t kPreviewFrame = 45;

struct Pictures {
    Picture face;
    Picture about;
    Picture knob;
};

Pictures drawAll(std::int32_t percent) {
    return {qp::art::drawFace(percent), qp::art::drawAbout(percent), qp::art::drawKnobStrip(percent)};
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) {
        std::fprintf(stderr, "qp_art: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int writeOut(const std::string& dir, std::int32_t percent) {
    const Pictures p = drawAll(percent);
    const bool ok = writeFile(dir + "/face.bmp", qp::art::encodeBmp(p.face)) &&
                    writeFile(dir + "/about.bmp", qp::art::encodeBmp(p.about)) &&
                    writeFile(dir + "/knob.bmp", qp::art::encodeBmp(p.knob));
    return ok ? 0 : 1;
}

int writePreviews(const std::string& dir) {
    for (std::int32_t percent : qp::kZoomSteps) {
        const std::string n = std::to_string(percent);
        if (!writeFile(dir + "/preview-" + n + ".bmp",
                       qp::art::encodeBmp(qp::art::drawEditorPreview(percent, kPreviewFrame, false))) ||
            !writeFile(dir + "/preview-about-" + n + ".bmp",
                       qp::art::encodeBmp(qp::art::drawEditorPreview(percent, kPreviewFrame, true)))) {
            return 1;
        }
    }
    return 0;
}

int printHashes() {
    for (std::int32_t percent : qp::kZoomSteps) {
        const Pictures p = drawAll(percent);
        std::printf("    {%" PRId32 ", 0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull, 0x%016" PRIx64 "ull},\n",
                    percent, qp::art::pictureHash(p.face), qp::art::pictureHash(p.about),
                    qp::art::pictureHash(p.knob));
    }
    return 0;
}

// The least of three runs, in milliseconds of the wall clock and of processor
// time: on a busy machine the wall clock alone says little.
int printTimings() {
    for (std::int32_t percent : qp::kZoomSteps) {
        double wall = 1e9;
        double cpu = 1e9;
        for (std::int32_t run = 0; run < 3; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            const std::clock_t c0 = std::clock();
            const Pictures p = drawAll(percent);
            const std::clock_t c1 = std::clock();
            const auto t1 = std::chrono::steady_clock::now();
            wall = std::min(wall, std::chrono::duration<double, std::milli>(t1 - t0).count());
            cpu = std::min(cpu, 1000.0 * double(c1 - c0) / CLOCKS_PER_SEC);
        }
        std::printf("%3" PRId32 " %%: all three pictures in %.1f ms (%.1f ms of processor time)\n", percent,
                    wall, cpu);
    }
    return 0;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: qp_art --out DIR [--zoom N] | --preview DIR | --check [DIR] | --hashes | --timings\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    if (args[0] == "--out" && (args.size() == 2 || (args.size() == 4 && args[2] == "--zoom"))) {
        const std::int32_t percent =
            args.size() == 4 ? std::int32_t(std::atoi(args[3].c_str())) : qp::kUnzoomed;
        if (!qp::isZoomStep(percent)) {
            std::fprintf(stderr, "qp_art: %s is not a zoom step\n", args[3].c_str());
            return 2;
        }
        return writeOut(args[1], percent);
    }
    if (args[0] == "--preview" && args.size() == 2) {
        return writePreviews(args[1]);
    }
    if (args[0] == "--check" && args.size() <= 2) {
        return qp::art::runChecks(args.size() == 2 ? args[1] : std::string(QP_ART_RESOURCES_DIR));
    }
    if (args[0] == "--hashes" && args.size() == 1) {
        return printHashes();
    }
    if (args[0] == "--timings" && args.size() == 1) {
        return printTimings();
    }
    return usage();
}
