"""A floating-point RGB canvas with the few operations the pictures need: blending a
colour through a coverage mask, signed-distance shapes with one-pixel anti-aliasing,
and deterministic noise for surface textures.

Coordinates: x to the right, y down, pixel (x, y) covers [x, x+1) x [y, y+1) and is
sampled at its centre (x + 0.5, y + 0.5)."""

import math


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def coverage(distance):
    """Fraction of a pixel inside a shape whose signed distance at the pixel centre is
    `distance` (negative inside); a one-pixel ramp is the usual box-filter estimate."""
    return clamp(0.5 - distance)


def smoothstep(edge0, edge1, v):
    t = clamp((v - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def scale(c, k):
    return (c[0] * k, c[1] * k, c[2] * k)


def hash01(x, y, seed=0):
    """Integer hash of a lattice point to [0, 1]: the same numbers on every machine,
    which keeps the generated files byte-for-byte reproducible."""
    h = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFF) / 65535.0


def sd_circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def sd_round_rect(px, py, left, top, right, bottom, radius):
    cx = (left + right) * 0.5
    cy = (top + bottom) * 0.5
    qx = abs(px - cx) - ((right - left) * 0.5 - radius)
    qy = abs(py - cy) - ((bottom - top) * 0.5 - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def dist_segment(px, py, ax, ay, bx, by):
    dx = bx - ax
    dy = by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0.0 else clamp(((px - ax) * dx + (py - ay) * dy) / length2)
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Canvas:
    def __init__(self, width, height, colour=(0.0, 0.0, 0.0)):
        self.width = width
        self.height = height
        self.r = [float(colour[0])] * (width * height)
        self.g = [float(colour[1])] * (width * height)
        self.b = [float(colour[2])] * (width * height)

    def get(self, x, y):
        i = y * self.width + x
        return (self.r[i], self.g[i], self.b[i])

    def set(self, x, y, c):
        i = y * self.width + x
        self.r[i], self.g[i], self.b[i] = c

    def blend(self, x, y, c, alpha):
        if alpha <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        i = y * self.width + x
        if alpha >= 1.0:
            self.r[i], self.g[i], self.b[i] = c
            return
        self.r[i] += (c[0] - self.r[i]) * alpha
        self.g[i] += (c[1] - self.g[i]) * alpha
        self.b[i] += (c[2] - self.b[i]) * alpha

    def box(self, bounds):
        left, top, right, bottom = bounds
        return (max(0, int(math.floor(left))), max(0, int(math.floor(top))),
                min(self.width, int(math.ceil(right))), min(self.height, int(math.ceil(bottom))))

    def shade(self, bounds, fn):
        """fn(px, py, current colour) -> new colour, for every pixel in bounds."""
        x0, y0, x1, y1 = self.box(bounds)
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, fn(x + 0.5, y + 0.5, self.get(x, y)))

    def fill_sdf(self, bounds, sdf, colour, opacity=1.0):
        """Blends `colour` (a triple or fn(px, py) -> triple) where sdf(px, py) < 0."""
        x0, y0, x1, y1 = self.box(bounds)
        dynamic = callable(colour)
        for y in range(y0, y1):
            py = y + 0.5
            for x in range(x0, x1):
                px = x + 0.5
                a = coverage(sdf(px, py)) * opacity
                if a > 0.0:
                    self.blend(x, y, colour(px, py) if dynamic else colour, a)

    def apply_mask(self, mask, colour, opacity=1.0, dx=0, dy=0):
        """mask: Mask of coverages placed at its own origin, shifted by (dx, dy)."""
        dynamic = callable(colour)
        for my in range(mask.height):
            y = mask.top + my + dy
            for mx in range(mask.width):
                a = mask.values[my * mask.width + mx]
                if a > 0.0:
                    x = mask.left + mx + dx
                    self.blend(x, y, colour(x + 0.5, y + 0.5) if dynamic else colour, a * opacity)

    def rows(self):
        out = []
        for y in range(self.height):
            row = []
            for x in range(self.width):
                i = y * self.width + x
                row.append((to_byte(self.r[i]), to_byte(self.g[i]), to_byte(self.b[i])))
            out.append(row)
        return out


def to_byte(v):
    v = int(math.floor(v + 0.5))
    return 0 if v < 0 else 255 if v > 255 else v


class Mask:
    """Coverage values over a rectangle of pixels, for shapes that are built up from
    many parts (text) before they are coloured."""

    def __init__(self, left, top, width, height):
        self.left = left
        self.top = top
        self.width = width
        self.height = height
        self.values = [0.0] * (width * height)

    def add_capsule(self, ax, ay, bx, by, radius):
        x0 = max(0, int(math.floor(min(ax, bx) - radius - 1)) - self.left)
        y0 = max(0, int(math.floor(min(ay, by) - radius - 1)) - self.top)
        x1 = min(self.width, int(math.ceil(max(ax, bx) + radius + 1)) - self.left)
        y1 = min(self.height, int(math.ceil(max(ay, by) + radius + 1)) - self.top)
        for my in range(y0, y1):
            py = self.top + my + 0.5
            for mx in range(x0, x1):
                a = coverage(dist_segment(self.left + mx + 0.5, py, ax, ay, bx, by) - radius)
                i = my * self.width + mx
                if a > self.values[i]:
                    self.values[i] = a

    def add_pixel(self, x, y, alpha=1.0):
        mx = x - self.left
        my = y - self.top
        if 0 <= mx < self.width and 0 <= my < self.height:
            i = my * self.width + mx
            self.values[i] = max(self.values[i], alpha)

    def blurred(self, radius):
        """Box blur applied twice (close to a Gaussian), grown by the blur's reach; for
        soft shadows and glows."""
        out = Mask(self.left - 2 * radius, self.top - 2 * radius,
                   self.width + 4 * radius, self.height + 4 * radius)
        for my in range(self.height):
            for mx in range(self.width):
                out.values[(my + 2 * radius) * out.width + mx + 2 * radius] = self.values[my * self.width + mx]
        for _ in range(2):
            out.values = _box_pass(out.values, out.width, out.height, radius, 1, out.width)
            out.values = _box_pass(out.values, out.height, out.width, radius, out.width, 1)
        return out


def _box_pass(values, length, lines, radius, step, line_step):
    out = [0.0] * len(values)
    window = 2 * radius + 1
    for line in range(lines):
        base = line * line_step
        acc = 0.0
        for k in range(-radius, radius + 1):
            if 0 <= k < length:
                acc += values[base + k * step]
        for k in range(length):
            out[base + k * step] = acc / window
            incoming = k + radius + 1
            outgoing = k - radius
            if incoming < length:
                acc += values[base + incoming * step]
            if outgoing >= 0:
                acc -= values[base + outgoing * step]
    return out
