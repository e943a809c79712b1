// The checks qp_art --check runs on every step must reject each kind of broken
// picture at a zoomed step too, not just at the 100 % sizes their limits were
// first written for, and must accept what the art code draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "tools/art/ArtChecks.h"

namespace {

using qp::art::Picture;

std::uint8_t* pixel(Picture& p, std::int32_t x, std::int32_t y) {
    return p.rgb.data() + (std::size_t(y) * std::size_t(p.width) + std::size_t(x)) * 3;
}

void paint(Picture& p, std::int32_t x, std::int32_t y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::uint8_t* c = pixel(p, x, y);
    c[0] = r;
    c[1] = g;
    c[2] = b;
}

bool isBrass(const std::uint8_t* c) { return c[0] >= 150 && c[0] - c[2] >= 60; }

struct Steps {
    std::int32_t percent;
    Picture face;
    Picture about;
    Picture knob;
};

const Steps& drawn(std::int32_t percent) {
    static Steps steps[2] = {{125, {}, {}, {}}, {250, {}, {}, {}}};
    Steps& s = steps[percent == 125 ? 0 : 1];
    if (s.face.rgb.empty()) {
        s.face = qp::art::drawFace(percent);
        s.about = qp::art::drawAbout(percent);
        s.knob = qp::art::drawKnobStrip(percent);
    }
    return s;
}

enum class Which {
    Knob,
    Face,
    About
};

struct BrokenCase {
    const char* what;
    Which check;
    std::function<void(Picture&, std::int32_t percent)> breakIt;
};

const BrokenCase kBroken[] = {
    {"a green-blended knob edge", Which::Knob,
     [](Picture& p, std::int32_t) {
         const std::int32_t y = 10 * p.width + p.width / 2;
         std::int32_t x = 0;
         while (pixel(p, x, y)[1] == qp::art::kKeyGreen[1]) {
             ++x;
         }
         paint(p, x - 1, y, 40, 150, 40);
     }},
    {"a green hole in the knob", Which::Knob,
     [](Picture& p, std::int32_t) { paint(p, p.width / 2, 3 * p.width + p.width / 3, 0, 255, 0); }},
    {"frames out of order", Which::Knob,
     [](Picture& p, std::int32_t) {
         const std::size_t frame = std::size_t(p.width) * p.width * 3;
         std::swap_ranges(p.rgb.begin() + frame * 20, p.rgb.begin() + frame * 21, p.rgb.begin() + frame * 30);
     }},
    {"a frame short", Which::Knob,
     [](Picture& p, std::int32_t) {
         p.height -= p.width;
         p.rgb.resize(std::size_t(p.width) * p.height * 3);
     }},
    {"a frame without its pointer", Which::Knob,
     [](Picture& p, std::int32_t) {
         for (std::int32_t y = 50 * p.width; y < 51 * p.width; ++y) {
             for (std::int32_t x = 0; x < p.width; ++x) {
                 std::uint8_t* c = pixel(p, x, y);
                 if (c[0] > c[2] + 30 && c[1] <= c[0]) {
                     paint(p, x, y, 120, 122, 126);
                 }
             }
         }
     }},
    {"the strip of another step", Which::Knob,
     [](Picture& p, std::int32_t percent) { p = qp::art::drawKnobStrip(percent == 125 ? 150 : 200); }},
    {"a well filled in", Which::Face,
     [](Picture& p, std::int32_t percent) {
         const qp::Rect r = qp::zoomed(qp::art::kKnobRects[1], percent);
         for (std::int32_t y = r.top; y < r.bottom; ++y) {
             for (std::int32_t x = r.left; x < std::min(r.right, p.width); ++x) {
                 paint(p, x, y, 60, 58, 58);
             }
         }
     }},
    {"the name moved out of the command area", Which::Face,
     [](Picture& p, std::int32_t percent) {
         const std::int32_t shift = qp::zoomed(40, percent);
         for (std::int32_t y = p.height - 1; y >= 0; --y) {
             for (std::int32_t x = 0; x < p.width; ++x) {
                 if (isBrass(pixel(p, x, y))) {
                     if (y - shift >= 0) {
                         std::copy_n(pixel(p, x, y), 3, pixel(p, x, y - shift));
                     }
                     paint(p, x, y, 40, 40, 40);
                 }
             }
         }
     }},
    {"a face a pixel too narrow", Which::Face,
     [](Picture& p, std::int32_t) {
         p.width -= 1;
         p.rgb.resize(std::size_t(p.width) * p.height * 3);
     }},
    {"an about picture without the name", Which::About,
     [](Picture& p, std::int32_t) {
         for (std::size_t i = 0; i < p.rgb.size(); i += 3) {
             if (isBrass(&p.rgb[i])) {
                 p.rgb[i] = p.rgb[i + 1] = p.rgb[i + 2] = 50;
             }
         }
     }},
};

std::string run(Which which, const Picture& p, std::int32_t percent) {
    switch (which) {
        case Which::Knob:
            return qp::art::checkKnobStrip(p, percent);
        case Which::Face:
            return qp::art::checkFace(p, percent);
        default:
            return qp::art::checkAbout(p, percent);
    }
}

const Picture& original(Which which, const Steps& s) {
    return which == Which::Knob ? s.knob : which == Which::Face ? s.face : s.about;
}

TEST(ArtChecks, AcceptWhatTheArtDrawsAndRejectEachBrokenPictureAtZoomedSteps) {
    for (std::int32_t percent : {125, 250}) {
        const Steps& s = drawn(percent);
        for (Which w : {Which::Knob, Which::Face, Which::About}) {
            EXPECT_EQ(run(w, original(w, s), percent), "") << percent << " %";
        }
        for (const BrokenCase& c : kBroken) {
            Picture broken = original(c.check, s);
            c.breakIt(broken, percent);
            EXPECT_NE(run(c.check, broken, percent), "") << c.what << " at " << percent << " %";
        }
    }
}

TEST(ArtChecks, ResamplingFiguresTellAnUpsampleFromADrawing) {
    const Picture face100 = qp::art::drawFace(100);
    const Steps& s = drawn(250);
    const Picture nearest = qp::art::nearestUpsample(face100, s.face.width, s.face.height);
    const Picture bilinear = qp::art::bilinearUpsample(face100, s.face.width, s.face.height);
    EXPECT_EQ(qp::art::meanDifference(qp::art::nearestUpsample(face100, 309, 168), face100), 0.0);
    EXPECT_EQ(qp::art::meanDifference(qp::art::bilinearUpsample(face100, 309, 168), face100), 0.0);
    EXPECT_LT(qp::art::meanDifference(nearest, bilinear), 3.0);
    EXPECT_GT(qp::art::meanDifference(s.face, nearest), 2.0);
    EXPECT_GT(qp::art::meanDifference(s.face, bilinear), 2.0);
    const Picture down = qp::art::boxDownsample2(qp::art::nearestUpsample(face100, 618, 336));
    EXPECT_EQ(qp::art::meanDifference(down, face100), 0.0);
}

}  // namespace
