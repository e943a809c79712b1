// Bitmap on X11. For now no picture is loaded: every bitmap is the 0 x 0 bitmap
// of a missing resource, which draws nothing. Loading the .bmp files built into
// the library and drawing them (opaque and keyed) with cairo come here.
#include "gui/Bitmap.h"

namespace qp {

Bitmap::~Bitmap() = default;

void Bitmap::load(NativeModule) {}

void Bitmap::draw(DrawContext*, const Rect&, Point) {}

void Bitmap::drawTransparent(DrawContext*, const Rect&, Point) {}

}  // namespace qp
