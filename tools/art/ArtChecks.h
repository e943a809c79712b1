// What the editor relies on in its three pictures, checked on the pictures
// themselves at any zoom step: exact sizes, a film strip whose every pixel is
// either the transparent green or clearly a knob pixel, a pointer that sweeps
// evenly from -135 to +135 degrees, dark wells behind the knobs and the product
// name inside the command area. Each returns an empty string when the picture
// passes, or what is wrong with it.
#pragma once

#include <cstdint>
#include <string>

#include "editor/art/Art.h"

namespace qp::art {

std::string checkKnobStrip(const Picture& strip, std::int32_t percent);
std::string checkFace(const Picture& face, std::int32_t percent);
std::string checkAbout(const Picture& about, std::int32_t percent);

// Mean absolute difference per channel (0..255) of two pictures of one size.
double meanDifference(const Picture& a, const Picture& b);
// The 100 % picture taken to w x h the cheap ways an editor might have done it;
// a picture drawn at a step must differ clearly from both.
Picture nearestUpsample(const Picture& p, std::int32_t w, std::int32_t h);
Picture bilinearUpsample(const Picture& p, std::int32_t w, std::int32_t h);
// Each 2 x 2 block averaged: the 200 % face taken down must be close to 100 %.
Picture boxDownsample2(const Picture& p);

}  // namespace qp::art
