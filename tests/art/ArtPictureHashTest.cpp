// Every picture at every step is the same bytes in every tree: the hashes below
// were taken natively (qp_art --hashes prints the table) and the suite runs in
// the 32- and 64-bit Windows trees too, where a libm call, an x87 rounding or a
// fused multiply-add in the art code would change them. After a deliberate
// change to the art, regenerate the table (and, for 100 %, the committed .bmp).
#include <gtest/gtest.h>

#include <cstdint>

#include "editor/art/Art.h"
#include "gui/Zoom.h"
#include "tools/art/PictureHash.h"

namespace {

struct Golden {
    std::int32_t percent;
    std::uint64_t face;
    std::uint64_t about;
    std::uint64_t knob;
};

const Golden kGolden[] = {
    {100, 0xe68662560daf5eb6ull, 0xd7811a328ca1aafcull, 0x718555cfa04d762full},
    {125, 0xb9317edc09a9471cull, 0x78c327965ad59592ull, 0x1583249036af5240ull},
    {150, 0x4eb3a4b27e98c0caull, 0x1ac6f5e23183b83aull, 0xd531566f8ba43896ull},
    {175, 0x960bbc6177fab037ull, 0xf7e258ddc9081e7bull, 0x15cca746a828857aull},
    {200, 0x76055c0abc8c390bull, 0x74ffd1328024a84dull, 0x580be1e46be11b57ull},
    {250, 0x425b80f917070e08ull, 0x89a2a2f92b5672feull, 0xb12d32bf7b7238acull},
    {300, 0xfab2be51c5669934ull, 0xa67efef5793746c4ull, 0xc79c866be9938638ull},
};

TEST(ArtPictures, EveryStepDrawsTheGoldenBytesAtItsZoomedSize) {
    ASSERT_EQ(sizeof kGolden / sizeof kGolden[0], std::size_t(qp::kZoomStepCount));
    for (const Golden& g : kGolden) {
        const std::int32_t p = g.percent;
        const qp::art::Picture face = qp::art::drawFace(p);
        EXPECT_EQ(face.width, qp::zoomed(qp::art::kFaceWidth, p)) << p;
        EXPECT_EQ(face.height, qp::zoomed(qp::art::kFaceHeight, p)) << p;
        EXPECT_EQ(qp::art::pictureHash(face), g.face) << "face at " << p << " %";
        const qp::art::Picture about = qp::art::drawAbout(p);
        EXPECT_EQ(about.width, qp::zoomed(qp::art::kAboutWidth, p)) << p;
        EXPECT_EQ(about.height, qp::zoomed(qp::art::kAboutHeight, p)) << p;
        EXPECT_EQ(qp::art::pictureHash(about), g.about) << "about at " << p << " %";
        const qp::art::Picture knob = qp::art::drawKnobStrip(p);
        EXPECT_EQ(knob.width, qp::zoomed(qp::art::kKnobFrameSize, p)) << p;
        EXPECT_EQ(knob.height, qp::zoomed(qp::art::kKnobFrameSize, p) * qp::art::kKnobFrames) << p;
        EXPECT_EQ(qp::art::pictureHash(knob), g.knob) << "knob strip at " << p << " %";
    }
}

}  // namespace
