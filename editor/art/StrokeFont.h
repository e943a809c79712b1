// A geometric monoline font drawn as strokes (lines and elliptical arcs), for the
// product name and the labels. Glyph units: baseline 0, x-height 10, capitals and
// ascenders 14, descenders -4.5, y up. Drawn into a coverage Mask, so it is
// anti-aliased at any size; every size given here is in device pixels.
#pragma once

#include <string_view>

#include "editor/art/Canvas.h"

namespace qp::art {

// Width in pixels of the ink (stroke ends included) of `text` at x-height `size`,
// with stroke `weight` and letter gap `tracking` in glyph units.
double textWidth(std::string_view text, double size, double weight, double tracking);

// Coverage of `text` whose ink starts at `left` with its baseline at `baseline`.
Mask textMask(std::string_view text, double left, double baseline, double size, double weight,
              double tracking);

}  // namespace qp::art
