// What the editor places over the pictures must line up at every step: the knob
// disc centred in its zoomed frame at the zoomed radius, and the about picture
// naming the release the package carries.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "editor/art/Art.h"
#include "editor/art/ArtVersion.h"
#include "gui/Zoom.h"

namespace {

TEST(ArtLayout, KnobDiscIsCentredInItsFrameAtTheZoomedRadius) {
    for (std::int32_t percent : qp::kZoomSteps) {
        const qp::art::Picture strip = qp::art::drawKnobStrip(percent);
        const std::int32_t size = qp::zoomed(qp::art::kKnobFrameSize, percent);
        ASSERT_EQ(strip.width, size);
        const double radius = qp::art::kKnobRadius * percent / 100.0;
        // The first and the last frame: the pointer at both ends of its travel.
        for (std::int32_t frame : {0, qp::art::kKnobFrames - 1}) {
            std::int32_t top = size;
            std::int32_t bottom = -1;
            for (std::int32_t y = 0; y < size; ++y) {
                const std::uint8_t* row = strip.rgb.data() + std::size_t(frame * size + y) * size * 3;
                std::int32_t first = -1;
                std::int32_t last = -1;
                for (std::int32_t x = 0; x < size; ++x) {
                    if (row[3 * x + 1] != qp::art::kKeyGreen[1] || row[3 * x] != qp::art::kKeyGreen[0]) {
                        first = first < 0 ? x : first;
                        last = x;
                    }
                }
                if (first < 0) {
                    continue;
                }
                top = std::min(top, y);
                bottom = y;
                EXPECT_EQ(first, size - 1 - last) << percent << " %, frame " << frame << ", row " << y;
            }
            EXPECT_EQ(top, size - 1 - bottom) << percent << " %, frame " << frame;
            EXPECT_NEAR(bottom + 1 - top, 2.0 * radius, 1.0) << percent << " %, frame " << frame;
        }
    }
}

TEST(ArtLayout, AboutPictureNamesTheReleaseOfTheVersionFile) {
    std::ifstream file(QP_SOURCE_DIR "/VERSION");
    std::string version;
    ASSERT_TRUE(std::getline(file, version));
    const std::string majorMinor = version.substr(0, version.rfind('.'));
    EXPECT_EQ(std::string(qp::art::kArtReleaseVersion), majorMinor);
}

}  // namespace
