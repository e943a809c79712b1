#include "tools/art/ArtCheckRun.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "gui/Zoom.h"
#include "tools/art/ArtChecks.h"
#include "tools/art/BmpFile.h"

namespace qp::art {
namespace {

// A face drawn at a step differs from the 100 % face scaled up by at least this
// much per channel on average (measured: 3.1 to 3.7 at the six steps, against
// nearest neighbours and bilinear alike, mostly the plate's grain, which is drawn
// per device pixel, and the edges, which stay one device pixel soft; a scaled-up
// picture scores 0), and the 200 % face taken down 2:1 stays within this of the
// 100 % face (measured: 0.96).
constexpr double kMinResampleDifference = 2.0;
constexpr double kMaxDownsampleDifference = 3.0;

struct Failure {
    std::string what;
};

void require(const std::string& error) {
    if (!error.empty()) {
        throw Failure{error};
    }
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw Failure{"cannot read " + path};
    }
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string decodeExact(const std::vector<std::uint8_t>& data, const std::string& name, std::int32_t w,
                        std::int32_t h, Picture& out) {
    std::string error;
    if (!decodeBmp(data, out, error)) {
        return name + ": " + error;
    }
    if (out.width != w || out.height != h) {
        return name + ": " + std::to_string(out.width) + " x " + std::to_string(out.height) + ", expected " +
               std::to_string(w) + " x " + std::to_string(h);
    }
    return {};
}

// Written and read back, a picture must come out the same in the one format.
void requireRoundTrip(const Picture& p, const char* name) {
    Picture back;
    require(decodeExact(encodeBmp(p), name, p.width, p.height, back));
    if (back.rgb != p.rgb) {
        throw Failure{std::string(name) + ": not the same pixels after writing and reading"};
    }
}

struct Figures {
    std::string resampled;  // per step: "N nearest/bilinear"
    double downsample = 0.0;
};

std::string resampleError(const Picture& face, const Picture& face100, std::int32_t percent, double& nearest,
                          double& bilinear) {
    nearest = meanDifference(face, nearestUpsample(face100, face.width, face.height));
    bilinear = meanDifference(face, bilinearUpsample(face100, face.width, face.height));
    if (std::min(nearest, bilinear) >= kMinResampleDifference) {
        return {};
    }
    char text[160];
    std::snprintf(text, sizeof text,
                  "face at %d %%: scaled from 100 %% (differs by %.2f and %.2f per channel)", int(percent),
                  nearest, bilinear);
    return text;
}

void checkStep(std::int32_t percent, const Picture& face100, Picture& face200, Figures& figures) {
    const Picture face = drawFace(percent);
    const Picture about = drawAbout(percent);
    const Picture knob = drawKnobStrip(percent);
    const std::string at = " at " + std::to_string(percent) + " %";
    for (const std::string& e :
         {checkFace(face, percent), checkAbout(about, percent), checkKnobStrip(knob, percent)}) {
        if (!e.empty()) {
            throw Failure{e + at};
        }
    }
    requireRoundTrip(face, "face");
    requireRoundTrip(about, "about");
    requireRoundTrip(knob, "knob strip");
    if (percent == kUnzoomed) {
        return;
    }
    double nearest = 0.0;
    double bilinear = 0.0;
    require(resampleError(face, face100, percent, nearest, bilinear));
    char text[48];
    std::snprintf(text, sizeof text, "%s%d: %.2f/%.2f", figures.resampled.empty() ? "" : ", ", int(percent),
                  nearest, bilinear);
    figures.resampled += text;
    if (percent == 2 * kUnzoomed) {
        face200 = face;
    }
}

std::string downsampleError(const Picture& face200, const Picture& face100, double& difference) {
    difference = meanDifference(boxDownsample2(face200), face100);
    if (difference <= kMaxDownsampleDifference) {
        return {};
    }
    char text[120];
    std::snprintf(text, sizeof text, "the 200 %% face taken down 2:1 differs from 100 %% by %.2f",
                  difference);
    return text;
}

template <typename Check>
bool rejects(Check&& check) {
    try {
        check();
    } catch (const Failure&) {
        return true;
    }
    return false;
}

// The checks must be able to fail: each known kind of broken picture has to be
// rejected, or the checks prove nothing. Returns the number of cases.
std::int32_t selfTest(const Picture& strip, const Picture& face, const std::vector<std::uint8_t>& faceBytes,
                      const Picture& face200) {
    const std::int32_t frame = kKnobFrameSize;
    Picture fringe = strip;
    const std::int32_t edgeY = 10 * frame + frame / 2;
    std::int32_t edgeX = 0;
    while (fringe.rgb[(std::size_t(edgeY) * frame + edgeX) * 3 + 1] == kKeyGreen[1]) {
        ++edgeX;
    }
    const std::uint8_t halfGreen[3] = {40, 150, 40};  // half knob, half green: an anti-aliased edge
    std::copy(halfGreen, halfGreen + 3, fringe.rgb.begin() + (std::size_t(edgeY) * frame + edgeX - 1) * 3);
    Picture reversed = strip;
    const std::size_t frameBytes = std::size_t(frame) * frame * 3;
    std::swap_ranges(reversed.rgb.begin(), reversed.rgb.begin() + frameBytes,
                     reversed.rgb.end() - frameBytes);
    Picture shortStrip = strip;
    shortStrip.height -= frame;
    shortStrip.rgb.resize(shortStrip.rgb.size() - frameBytes);
    std::vector<std::uint8_t> topDown = faceBytes;
    const std::uint32_t negative = std::uint32_t(-kFaceHeight);
    for (std::int32_t i = 0; i < 4; ++i) {
        topDown[22 + i] = std::uint8_t(negative >> (8 * i));
    }
    const std::vector<std::uint8_t> truncated(faceBytes.begin(), faceBytes.end() - 7);
    Picture nameless = face;
    for (std::size_t i = 0; i < nameless.rgb.size(); i += 3) {
        if (nameless.rgb[i] >= 150 && nameless.rgb[i] - nameless.rgb[i + 2] >= 60) {
            nameless.rgb[i] = nameless.rgb[i + 1] = nameless.rgb[i + 2] = 60;
        }
    }
    Picture mirrored = face;
    for (std::int32_t y = 0; y < face.height; ++y) {
        for (std::int32_t x = 0; x < face.width; ++x) {
            const std::size_t from = (std::size_t(y) * face.width + (face.width - 1 - x)) * 3;
            std::copy_n(face.rgb.begin() + from, 3,
                        mirrored.rgb.begin() + (std::size_t(y) * face.width + x) * 3);
        }
    }
    Picture scratch;
    const struct {
        const char* what;
        bool rejected;
    } cases[] = {
        {"a green-blended knob edge", rejects([&] { require(checkKnobStrip(fringe, kUnzoomed)); })},
        {"frames out of order", rejects([&] { require(checkKnobStrip(reversed, kUnzoomed)); })},
        {"90 frames", rejects([&] { require(checkKnobStrip(shortStrip, kUnzoomed)); })},
        {"a 100 % strip as the 150 % one", rejects([&] { require(checkKnobStrip(strip, 150)); })},
        {"a top-down bitmap",
         rejects([&] { require(decodeExact(topDown, "face.bmp", kFaceWidth, kFaceHeight, scratch)); })},
        {"a truncated bitmap",
         rejects([&] { require(decodeExact(truncated, "face.bmp", kFaceWidth, kFaceHeight, scratch)); })},
        {"a wrong size",
         rejects([&] { require(decodeExact(faceBytes, "face.bmp", kFaceWidth + 1, kFaceHeight, scratch)); })},
        {"a face without its name", rejects([&] { require(checkFace(nameless, kUnzoomed)); })},
        {"the 200 % face scaled up from 100 %", rejects([&] {
             double n = 0.0;
             double b = 0.0;
             require(resampleError(nearestUpsample(face, face200.width, face200.height), face, 200, n, b));
         })},
        {"a 200 % face of another design", rejects([&] {
             double d = 0.0;
             require(downsampleError(nearestUpsample(mirrored, face200.width, face200.height), face, d));
         })},
    };
    for (const auto& c : cases) {
        if (!c.rejected) {
            throw Failure{std::string("self-test: the checks accept ") + c.what};
        }
    }
    return std::int32_t(sizeof cases / sizeof cases[0]);
}

}  // namespace

int runChecks(const std::string& dir) {
    try {
        const Picture face = drawFace(kUnzoomed);
        const Picture about = drawAbout(kUnzoomed);
        const Picture knob = drawKnobStrip(kUnzoomed);
        std::vector<std::string> stale;
        const std::vector<std::uint8_t> faceBytes = readFile(dir + "/face.bmp");
        const struct {
            const char* name;
            const Picture& drawn;
        } committed[] = {{"face.bmp", face}, {"about.bmp", about}, {"knob.bmp", knob}};
        for (const auto& c : committed) {
            Picture file;
            require(decodeExact(readFile(dir + "/" + c.name), c.name, c.drawn.width, c.drawn.height, file));
            if (file.rgb != c.drawn.rgb) {
                stale.push_back(c.name);
            }
        }
        if (!stale.empty()) {
            std::string names;
            for (const std::string& n : stale) {
                names += (names.empty() ? "" : ", ") + n;
            }
            throw Failure{"not what the art code draws at 100 %: " + names +
                          "; write them with qp_art --out resources and commit the result"};
        }
        Figures figures;
        Picture face200;
        for (std::int32_t percent : kZoomSteps) {
            checkStep(percent, face, face200, figures);
        }
        require(downsampleError(face200, face, figures.downsample));
        const std::int32_t cases = selfTest(knob, face, faceBytes, face200);
        std::printf(
            "qp_art --check: ok (3 bitmaps are the 100 %% pictures; %d steps: sizes, format, 91 knob frames, "
            "green key, pointer sweep, wells and name checked; face against 100 %% scaled up, "
            "nearest/bilinear, "
            "mean difference per channel: %s; 200 %% taken down 2:1: %.2f; %d self-test cases rejected)\n",
            kZoomStepCount, figures.resampled.c_str(), figures.downsample, cases);
        return 0;
    } catch (const Failure& f) {
        std::printf("qp_art --check: FAILED: %s\n", f.what.c_str());
        return 1;
    }
}

}  // namespace qp::art
