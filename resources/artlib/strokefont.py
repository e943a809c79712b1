"""A geometric monoline font drawn as strokes (lines and elliptical arcs), for the
product name and other large text. Glyph units: baseline 0, x-height 10, capitals and
ascenders 14, descenders -4.5, y up. Rendered through a coverage Mask, so it is
anti-aliased at any size."""

import math

from .canvas import Mask

X_HEIGHT = 10.0


def _line(x1, y1, x2, y2):
    return ("line", (x1, y1, x2, y2))


def _arc(cx, cy, rx, ry, start, end):
    """Degrees, counter-clockwise with y up; end < start runs clockwise."""
    return ("arc", (cx, cy, rx, ry, start, end))


def _dot(x, y):
    return ("dot", (x, y))


_O = _arc(5, 5, 5, 5, 0, 360)
_N_ARCH = [_arc(4.75, 5.25, 4.75, 4.75, 180, 0), _line(9.5, 5.25, 9.5, 0)]

_GLYPHS = {
    "a": [_O, _line(10, 0, 10, 10)],
    "b": [_O, _line(0, 0, 0, 14)],
    "c": [_arc(5, 5, 5, 5, 42, 318)],
    "d": [_O, _line(10, 0, 10, 14)],
    "e": [_line(0, 5, 10, 5), _arc(5, 5, 5, 5, 0, 322)],
    "g": [_O, _line(10, 10, 10, -0.5), _arc(5, -0.5, 5, 4, 0, -155)],
    "h": [_line(0, 0, 0, 14)] + _N_ARCH,
    "i": [_line(0, 0, 0, 10), _dot(0, 13.2)],
    "k": [_line(0, 0, 0, 14), _line(8.5, 10, 0, 3.2), _line(3.3, 5.9, 9, 0)],
    "l": [_line(0, 0, 0, 14)],
    "m": [_line(0, 0, 0, 10), _arc(3.6, 6.4, 3.6, 3.6, 180, 0), _line(7.2, 6.4, 7.2, 0),
          _arc(10.8, 6.4, 3.6, 3.6, 180, 0), _line(14.4, 6.4, 14.4, 0)],
    "n": [_line(0, 0, 0, 10)] + _N_ARCH,
    "o": [_O],
    "p": [_O, _line(0, -4.5, 0, 10)],
    "r": [_line(0, 0, 0, 10), _arc(5.2, 5, 5.2, 5, 180, 72)],
    "s": [_arc(4.4, 7.5, 4.1, 2.5, 28, 270), _arc(4.4, 2.5, 4.4, 2.5, 90, -152)],
    "t": [_line(3, 13, 3, 0), _line(0, 10, 6, 10)],
    "u": [_line(0, 10, 0, 4.75), _arc(4.75, 4.75, 4.75, 4.75, 180, 360), _line(9.5, 10, 9.5, 0)],
    "v": [_line(0, 10, 5, 0), _line(5, 0, 10, 10)],
    "y": [_line(0, 10, 5, 0), _line(10, 10, 3, -4.5)],
    "z": [_line(0.3, 10, 9, 10), _line(9, 10, 0, 0), _line(0, 0, 9, 0)],
    "Q": [_arc(7, 7, 7, 7, 0, 360), _line(8.6, 4.2, 13.6, -1.2)],
    "V": [_line(0, 14, 6.5, 0), _line(6.5, 0, 13, 14)],
    "0": [_arc(4, 7, 4, 7, 0, 360)],
    "1": [_line(0, 11, 3, 14), _line(3, 14, 3, 0)],
    ".": [_dot(0, 0)],
}
SPACE_WIDTH = 4.0
# Round sides look farther from their neighbours than straight ones; pulling them in
# by this much (units) evens out the colour of a word.
_ROUND_SIDES = {"a": (0.6, 0.0), "b": (0.0, 0.6), "c": (0.6, 0.3), "d": (0.6, 0.0),
                "e": (0.6, 0.3), "g": (0.6, 0.0), "o": (0.6, 0.6), "p": (0.0, 0.6),
                "Q": (0.4, 0.0), "s": (0.2, 0.2), "v": (0.3, 0.3), "y": (0.3, 0.3)}


def _polylines(ch, step_degrees=5.0):
    out = []
    for kind, p in _GLYPHS[ch]:
        if kind == "line":
            out.append([(p[0], p[1]), (p[2], p[3])])
        elif kind == "dot":
            out.append([(p[0], p[1])])
        else:
            cx, cy, rx, ry, start, end = p
            steps = max(2, int(math.ceil(abs(end - start) / step_degrees)))
            pts = []
            for k in range(steps + 1):
                a = math.radians(start + (end - start) * k / steps)
                pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
            out.append(pts)
    return out


def _extent(ch):
    xs = [x for line in _polylines(ch) for x, _ in line]
    return min(xs), max(xs)


def _layout(text, tracking):
    """Where the glyphs of `text` go, in glyph units: a list of (glyph, pen position,
    left edge of its ink) and the advance of the whole text. Measuring and drawing
    both use it, so a word is always drawn exactly as wide as it was measured."""
    placed = []
    pen = 0.0
    for i, ch in enumerate(text):
        if ch == " ":
            pen += SPACE_WIDTH + tracking
            continue
        lo, hi = _extent(ch)
        placed.append((ch, pen, lo))
        pen += hi - lo
        if i + 1 < len(text) and text[i + 1] != " ":
            pen += tracking - _ROUND_SIDES.get(ch, (0, 0))[1] - _ROUND_SIDES.get(text[i + 1], (0, 0))[0]
    return placed, pen


def text_width(text, size, weight, tracking):
    """Width in pixels of the ink (stroke ends included) of `text` at x-height `size`."""
    k = size / X_HEIGHT
    return _layout(text, tracking)[1] * k + weight * k


def text_mask(text, left, baseline, size, weight, tracking, slant=0.0):
    """Coverage of `text` whose ink starts at `left`, with its baseline at `baseline`,
    x-height `size` pixels, stroke `weight` and letter gap `tracking` in glyph units;
    `slant` shears to the right by that many units per unit of height."""
    k = size / X_HEIGHT
    radius = weight * k * 0.5
    width = text_width(text, size, weight, tracking)
    top = int(math.floor(baseline - 15.0 * k - radius)) - 1
    bottom = int(math.ceil(baseline + 5.0 * k + radius)) + 1
    mask = Mask(int(math.floor(left)) - 2, top, int(math.ceil(width + 16.0 * slant * k)) + 5, bottom - top)
    for ch, pen, lo in _layout(text, tracking)[0]:
        for line in _polylines(ch):
            pts = [(left + radius + (pen + x - lo + slant * y) * k, baseline - y * k) for x, y in line]
            if len(pts) == 1:
                mask.add_capsule(pts[0][0], pts[0][1], pts[0][0], pts[0][1], radius * 1.15)
            for (ax, ay), (bx, by) in zip(pts, pts[1:]):
                mask.add_capsule(ax, ay, bx, by, radius)
    return mask
