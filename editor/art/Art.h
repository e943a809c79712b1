// The editor's three pictures, drawn by code at any zoom step: the face, the about
// picture and the knob's film strip. At 100 % they are byte for byte the committed
// resources/*.bmp; at every other step each is drawn afresh at that resolution
// (never scaled from another step), with every length of the 100 % design times
// percent / 100 and the positions the editor uses taken through qp::zoomed, so the
// pictures line up with the editor's layout at every step.
//
// Drawing takes time (all three at 100 % some 35 ms in a release build, at 200 %
// some 110 ms, at 300 % some 260 ms, most of it the knob strip): the editor draws
// a step once, when it first needs it, and keeps the result. Pure functions of
// their argument, safe to call from any thread.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/Rect.h"

namespace qp::art {

struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;  // r, g, b per pixel, top row first
};

// percent: a zoom step (qp::kZoomSteps); other values are drawn too, but only the
// steps are promised to line up with the editor.
Picture drawFace(std::int32_t percent);
Picture drawAbout(std::int32_t percent);
// kKnobFrames frames of zoomed(kKnobFrameSize) squared, stacked top to bottom, on
// kKeyGreen, which the editor draws as transparent.
Picture drawKnobStrip(std::int32_t percent);

// The editor as it shows at a step: the face with both knobs at the strip's
// frame knobFrame (45 is the value 0.5), and with the about picture over it if
// asked. The art code's own picture of what the editor draws, which the
// editors' screenshots are compared with.
Picture drawEditorPreview(std::int32_t percent, std::int32_t knobFrame, bool withAbout);

// The 100 % design the editor and the pictures share; take them through qp::zoomed.
inline constexpr std::int32_t kFaceWidth = 309;
inline constexpr std::int32_t kFaceHeight = 168;
inline constexpr std::int32_t kAboutWidth = 218;
inline constexpr std::int32_t kAboutHeight = 77;
inline constexpr std::int32_t kKnobFrameSize = 98;
inline constexpr std::int32_t kKnobFrames = 91;
// The knob is a disc of this radius centred in its frame; the pointer of frame f
// is at kKnobStartDegrees + kKnobSweepDegrees * f / (kKnobFrames - 1), clockwise
// from straight up.
inline constexpr double kKnobRadius = 40.0;
inline constexpr double kKnobStartDegrees = -135.0;
inline constexpr double kKnobSweepDegrees = 270.0;
inline constexpr std::uint8_t kKeyGreen[3] = {0, 255, 0};
// The knobs' rectangles on the face (the wells are centred on them), the command
// area the product name lies in, and where the about picture is shown.
inline constexpr Rect kKnobRects[2] = {Rect(116, 14, 214, 112), Rect(210, 14, 308, 112)};
inline constexpr Rect kCommandArea = Rect(12, 117, 240, 158);
inline constexpr Point kAboutOrigin = Point(39, 26);

}  // namespace qp::art
