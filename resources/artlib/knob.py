"""The knob film strip: 91 frames of 98 x 98 pixels stacked top to bottom. Frame f shows
the value f / 90 with the pointer at -135 + 3 f degrees (clockwise, 0 = up). The ground
is pure green, which the editor draws as transparent, so the knob's silhouette is a hard
edge (no pixel may mix into the green); the rim is dark, like the well floor the face
puts behind it, so the stair-steps of that edge do not show."""

import math

from .canvas import clamp, coverage, dist_segment, to_byte

FRAME_SIZE = 98
FRAMES = 91
GREEN = (0, 255, 0)
CENTRE = FRAME_SIZE / 2.0  # between pixels 48 and 49, so the disc is symmetric
RADIUS = 40.0
SWEEP_DEGREES = 270.0
START_DEGREES = -135.0

# Radii of the knob's rings, outside in: dark rim, knurled black skirt, bright chamfer,
# spun-aluminium cap.
_RIM = 39.2
_SKIRT = 32.6
_CAP = 30.0
_KNURL_RIDGES = 40
_POINTER_INNER = 8.0
_POINTER_OUTER = 26.8
_POINTER_HALF_WIDTH = 1.55
AMBER = (255.0, 158.0, 40.0)

# Key light from the upper left, a little in front of the panel.
_LIGHT = (-0.46, -0.62, 0.64)
_LIGHT_ANGLE = math.atan2(_LIGHT[1], _LIGHT[0])


def _normalise(v):
    n = math.sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])
    return (v[0] / n, v[1] / n, v[2] / n)


_L = _normalise(_LIGHT)
_H = _normalise((_L[0], _L[1], _L[2] + 1.0))  # half-way vector to a viewer straight ahead


def _lit(normal, base, diffuse, specular, shininess):
    d = max(0.0, normal[0] * _L[0] + normal[1] * _L[1] + normal[2] * _L[2])
    s = max(0.0, normal[0] * _H[0] + normal[1] * _H[1] + normal[2] * _H[2]) ** shininess
    return tuple(base[i] + diffuse[i] * d + specular * s for i in range(3))


def pointer_degrees(frame):
    return START_DEGREES + SWEEP_DEGREES * frame / (FRAMES - 1)


def _ring_texture(r):
    """Fine concentric grooves of spun metal: a smooth random profile along the radius."""
    t = r * 2.7
    i = int(math.floor(t))
    f = t - i
    a = _hash(i)
    b = _hash(i + 1)
    return a + (b - a) * f - 0.5


def _hash(i):
    h = (i * 2654435761 + 97) & 0xFFFFFFFF
    h = ((h ^ (h >> 15)) * 2246822519) & 0xFFFFFFFF
    h ^= h >> 13
    return (h & 0xFFFF) / 65535.0


def _cap_colour(dx, dy, r, theta):
    # Spun metal reflects in a bow-tie along the line towards the light; the rest is
    # a soft dome shading and the grooves.
    along = math.cos(theta - _LIGHT_ANGLE)
    bowtie = along * along
    towards_light = -(dx * _L[0] + dy * _L[1]) / _CAP
    level = 118.0 + 24.0 * towards_light + 82.0 * bowtie ** 6 + 20.0 * bowtie
    level += 9.0 * _ring_texture(r)
    level *= 1.0 - 0.12 * clamp((r - 22.0) / (_CAP - 22.0))
    return (level, level + 2.0, level + 6.0)


def _chamfer_colour(theta):
    s = math.sin(math.radians(48.0))
    n = (math.cos(theta) * s, math.sin(theta) * s, math.cos(math.radians(48.0)))
    return _lit(n, (70.0, 72.0, 76.0), (150.0, 150.0, 152.0), 90.0, 12.0)


def _skirt_colour(theta, r, phase):
    # A cone falling away from the chamfer; each knurl ridge tilts the surface along the
    # circumference, so the ridges catch the light and turn with the knob.
    # the outermost pixel or so rolls over into a rounded lip that catches the light
    t = (r - _SKIRT) / (_RIM - _SKIRT)
    lip = clamp((t - 0.78) / 0.22)
    slope = math.radians(34.0 + 18.0 * t + 26.0 * lip * lip)
    s = math.sin(slope)
    c = math.cos(slope)
    ridge = 0.45 * math.sin(phase)
    tx = -math.sin(theta)
    ty = math.cos(theta)
    n = _normalise((math.cos(theta) * s + tx * ridge, math.sin(theta) * s + ty * ridge, c))
    return _lit(n, (10.0, 10.0, 11.0), (66.0, 66.0, 70.0), 140.0, 22.0)


_RIM_COLOUR = (11.0, 11.0, 12.0)


class _Pixel:
    __slots__ = ("index", "dx", "dy", "r", "theta", "w_cap", "w_chamfer", "w_skirt", "cap", "chamfer")


def _disc_pixels():
    """Everything about a pixel of the knob that does not turn with it."""
    pixels = []
    for y in range(FRAME_SIZE):
        for x in range(FRAME_SIZE):
            dx = x + 0.5 - CENTRE
            dy = y + 0.5 - CENTRE
            r = math.hypot(dx, dy)
            if r > RADIUS:
                continue
            p = _Pixel()
            p.index = y * FRAME_SIZE + x
            p.dx, p.dy, p.r = dx, dy, r
            p.theta = math.atan2(dy, dx)
            p.w_cap = coverage(r - _CAP)
            p.w_chamfer = coverage(r - _SKIRT)
            p.w_skirt = coverage(r - _RIM)
            p.cap = _cap_colour(dx, dy, r, p.theta) if p.w_cap > 0.0 else None
            p.chamfer = _chamfer_colour(p.theta) if p.w_chamfer > p.w_cap else None
            pixels.append(p)
    return pixels


def _frame(pixels, degrees):
    a = math.radians(degrees)
    ux, uy = math.sin(a), -math.cos(a)
    ax, ay = ux * _POINTER_INNER, uy * _POINTER_INNER
    bx, by = ux * _POINTER_OUTER, uy * _POINTER_OUTER
    turn = math.atan2(uy, ux)
    frame = [GREEN] * (FRAME_SIZE * FRAME_SIZE)
    for p in pixels:
        c = [0.0, 0.0, 0.0]
        parts = []
        if p.w_cap > 0.0:
            cap = p.cap
            d = dist_segment(p.dx, p.dy, ax, ay, bx, by)
            groove = coverage(d - _POINTER_HALF_WIDTH - 0.9) * 0.6
            ink = coverage(d - _POINTER_HALF_WIDTH)
            if groove > 0.0:
                cap = tuple(cap[i] * (1.0 - groove) + 30.0 * groove for i in range(3))
            if ink > 0.0:
                # brighter along the pointer's middle, as if the inlay were slightly domed
                glow = 1.0 - 0.18 * clamp(d / _POINTER_HALF_WIDTH)
                cap = tuple(cap[i] + (AMBER[i] * glow - cap[i]) * ink for i in range(3))
            parts.append((cap, p.w_cap))
        if p.w_chamfer > p.w_cap:
            parts.append((p.chamfer, p.w_chamfer - p.w_cap))
        if p.w_skirt > p.w_chamfer:
            groove = 1.0 - 0.55 * clamp(1.0 - abs(p.r - _SKIRT - 0.4))
            skirt = _skirt_colour(p.theta, p.r, _KNURL_RIDGES * (p.theta - turn))
            parts.append((tuple(v * groove for v in skirt), p.w_skirt - p.w_chamfer))
        if p.w_skirt < 1.0:
            parts.append((_RIM_COLOUR, 1.0 - p.w_skirt))
        for colour, w in parts:
            c[0] += colour[0] * w
            c[1] += colour[1] * w
            c[2] += colour[2] * w
        frame[p.index] = c
    return frame


def render_strip():
    """Rows of (r, g, b) byte triples, top first: the whole 98 x 8918 strip."""
    pixels = _disc_pixels()
    rows = []
    for f in range(FRAMES):
        frame = _frame(pixels, pointer_degrees(f))
        for y in range(FRAME_SIZE):
            row = []
            for x in range(FRAME_SIZE):
                v = frame[y * FRAME_SIZE + x]
                row.append(v if v is GREEN else (to_byte(v[0]), to_byte(v[1]), to_byte(v[2])))
            rows.append(row)
    return rows
