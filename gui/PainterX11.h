// The pixel rules of the toolkit's drawing, kept by the X11 back end on cairo.
// The Windows editor is the reference: the same face drawn through either back
// end must give the same pixels, so lines, fills and copies here are made of
// whole pixels (no antialiasing, no half-pixel centres) following what GDI's
// LineTo, FillRect and BitBlt set.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "gui/Color.h"
#include "gui/Point.h"

namespace qp::x11 {

// The pixels LineTo sets from from to to, in drawing order: one per step along
// the longer axis, the end pixel left out, the shorter coordinate rounded with
// halves going towards the smaller number (the way GDI places a line's pixels,
// measured on every octant). Dotted lines keep 3 pixels of each 6, counted from
// the start of the line.
std::vector<Point> linePixels(Point from, Point to, bool dotted);

void setSourceColor(cairo_t* cr, Color color);

// Fills whole pixels x .. x + width - 1, y .. y + height - 1 in the source colour.
void fillPixels(cairo_t* cr, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

// linePixels in the source colour.
void drawLine(cairo_t* cr, Point from, Point to, bool dotted);

// Copies the width x height area at (sx, sy) of source to (x, y), pixel for
// pixel. Where source has no pixels (outside it, or keyed out) the destination
// stays as it was.
void copyPixels(cairo_t* cr, cairo_surface_t* source, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, std::int32_t sx, std::int32_t sy);

// A decoded picture: width x height pixels, rows top to bottom, each 0xAARRGGBB
// (cairo's ARGB32 order) with alpha 255.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint32_t> pixels;
};

// Decodes an uncompressed BMP (BITMAPINFOHEADER or later, 24 or 32 bits per
// pixel, or 8/4/1 bits with a palette; bottom-up or top-down). False, and image
// empty, for anything else or a file shorter than its header says.
bool decodeBmp(const std::uint8_t* data, std::size_t size, Image& image);

// An RGB24 cairo surface of image (keying happens when a part is drawn,
// BitmapX11.cpp). The caller destroys it.
cairo_surface_t* makeSurface(const Image& image);

}  // namespace qp::x11
