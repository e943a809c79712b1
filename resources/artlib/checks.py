"""What the editor relies on in the three bitmaps, checked on the files themselves:
exact sizes and format, a film strip whose every pixel is either the transparent green
or clearly a knob pixel, a pointer that sweeps evenly from -135 to +135 degrees, wells
behind the knobs and the product name over the command-menu area."""

import math

from . import about, bmp, face, knob

GREEN = knob.GREEN
# A knob pixel may not lean towards green by more than this: anything that does would be
# an edge blended into the key colour, drawn as a green fringe around the knob.
MAX_GREEN_LEAN = 16
ANGLE_TOLERANCE = 1.0
STEP_TOLERANCE = 0.5
MIN_POINTER_PIXELS = 25


class CheckFailed(Exception):
    pass


def _require(condition, message):
    if not condition:
        raise CheckFailed(message)


def decode_exact(data, name, width, height):
    try:
        w, h, rows = bmp.decode(data)
    except bmp.FormatError as e:
        raise CheckFailed("%s: %s" % (name, e))
    _require((w, h) == (width, height), "%s: %d x %d, expected %d x %d" % (name, w, h, width, height))
    return rows


def pointer_weight(c):
    """How much of a pixel is the pointer's amber inlay: the only saturated warm colour on
    the knob (the metal is grey, slightly blue); 0 for everything else."""
    r, g, b = c
    if c == GREEN or g > r:
        return 0.0
    return max(0.0, (r - b) - 30.0)


def pointer_angle(rows, frame):
    """Clockwise degrees from straight up of the pointer's weighted centroid, and the
    number of pixels that are mostly pointer."""
    top = frame * knob.FRAME_SIZE
    sx = sy = total = 0.0
    n = 0
    for y in range(knob.FRAME_SIZE):
        for x, c in enumerate(rows[top + y]):
            w = pointer_weight(c)
            if w > 0.0:
                sx += w * (x + 0.5 - knob.CENTRE)
                sy += w * (y + 0.5 - knob.CENTRE)
                total += w
                n += w >= 100.0
    if total == 0.0:
        return None, 0
    return math.degrees(math.atan2(sx, -sy)), n


def check_knob_strip(rows):
    _require(len(rows) == knob.FRAMES * knob.FRAME_SIZE,
             "knob strip: %d rows is not %d frames of %d" % (len(rows), knob.FRAMES, knob.FRAME_SIZE))
    disc = math.pi * knob.RADIUS ** 2
    previous = None
    for f in range(knob.FRAMES):
        inked = 0
        for y in range(knob.FRAME_SIZE):
            row = rows[f * knob.FRAME_SIZE + y]
            for x, c in enumerate(row):
                if c == GREEN:
                    r = math.hypot(x + 0.5 - knob.CENTRE, y + 0.5 - knob.CENTRE)
                    _require(r > knob.RADIUS - 1.0,
                             "knob frame %d: green hole at (%d, %d) inside the knob" % (f, x, y))
                    continue
                _require(c[1] - max(c[0], c[2]) <= MAX_GREEN_LEAN,
                         "knob frame %d: pixel (%d, %d) = %s leans towards the transparent green"
                         % (f, x, y, c))
                r = math.hypot(x + 0.5 - knob.CENTRE, y + 0.5 - knob.CENTRE)
                _require(r <= knob.RADIUS + 0.75,
                         "knob frame %d: pixel (%d, %d) outside the knob is not transparent" % (f, x, y))
                inked += 1
        _require(abs(inked - disc) < 0.03 * disc,
                 "knob frame %d: %d knob pixels, a %g px disc has about %d"
                 % (f, inked, 2 * knob.RADIUS, disc))
        angle, n = pointer_angle(rows, f)
        _require(n >= MIN_POINTER_PIXELS, "knob frame %d: pointer not visible (%d pixels)" % (f, n))
        expected = knob.START_DEGREES + knob.SWEEP_DEGREES * f / (knob.FRAMES - 1)
        _require(abs(angle - expected) <= ANGLE_TOLERANCE,
                 "knob frame %d: pointer at %.1f degrees, expected %.1f" % (f, angle, expected))
        if previous is not None:
            step = angle - previous
            _require(abs(step - knob.SWEEP_DEGREES / (knob.FRAMES - 1)) <= STEP_TOLERANCE,
                     "knob frame %d: pointer moved %.2f degrees from the frame before" % (f, step))
        previous = angle


def _luminance(c):
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]


def _ring_mean(rows, cx, cy, r_in, r_out):
    total = 0.0
    n = 0
    for y in range(int(cy - r_out) - 1, int(cy + r_out) + 2):
        for x in range(int(cx - r_out) - 1, int(cx + r_out) + 2):
            r = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if r_in <= r <= r_out and 0 <= y < len(rows) and 0 <= x < len(rows[0]):
                total += _luminance(rows[y][x])
                n += 1
    return total / n


def _brass_pixels(rows, left, top, right, bottom):
    return sum(1 for y in range(top, bottom) for x in range(left, right)
               if rows[y][x][0] >= 150 and rows[y][x][0] - rows[y][x][2] >= 60)


def check_face(rows):
    for rect in face.KNOB_RECTS:
        cx, cy = face.knob_centre(rect)
        floor = _ring_mean(rows, cx, cy, knob.RADIUS - 1.0, face.WELL_RADIUS - 1.0)
        plate = _ring_mean(rows, cx, cy, face.WELL_RADIUS + face.LIP_WIDTH + 2.0, face.WELL_RADIUS + face.LIP_WIDTH + 4.0)
        _require(floor < 0.6 * plate,
                 "face: no dark well around the knob at %s (floor %.0f, plate %.0f)" % (rect, floor, plate))
    left, top, right, bottom = face.COMMAND_AREA
    _require(_brass_pixels(rows, left, top, right, bottom) > 800,
             "face: no product name over the command-menu area")
    # the band around the area: its own width above it, and everything below and beside it
    band_top = top - 8
    outside = (_brass_pixels(rows, 0, band_top, face.WIDTH, face.HEIGHT)
               - _brass_pixels(rows, left, top, right, bottom))
    _require(outside < 50, "face: the product name spills out of the command-menu area")


def check_about(rows):
    _require(_brass_pixels(rows, 0, 0, about.WIDTH, about.HEIGHT) > 500, "about: no product name")


def check_files(read):
    """read(name) -> bytes of a committed picture."""
    check_face(decode_exact(read("face.bmp"), "face.bmp", face.WIDTH, face.HEIGHT))
    check_about(decode_exact(read("about.bmp"), "about.bmp", about.WIDTH, about.HEIGHT))
    strip = decode_exact(read("knob.bmp"), "knob.bmp", knob.FRAME_SIZE, knob.FRAME_SIZE * knob.FRAMES)
    check_knob_strip(strip)
    return strip


def _rejected(check, *args):
    try:
        check(*args)
    except CheckFailed:
        return True
    return False


def self_test(strip_rows, face_bytes):
    """The checks above must be able to fail: each known kind of broken picture has to
    be rejected, or the checks prove nothing."""
    def copy(rows):
        return [list(row) for row in rows]

    fringe = copy(strip_rows)
    edge_y = 10 * knob.FRAME_SIZE + int(knob.CENTRE)
    edge_x = next(x for x, c in enumerate(fringe[edge_y]) if c != GREEN)
    fringe[edge_y][edge_x - 1] = (40, 150, 40)  # half knob, half green: an anti-aliased edge
    reversed_strip = copy(strip_rows)
    reversed_strip[0:knob.FRAME_SIZE], reversed_strip[-knob.FRAME_SIZE:] = \
        reversed_strip[-knob.FRAME_SIZE:], reversed_strip[0:knob.FRAME_SIZE]
    short_strip = strip_rows[:-knob.FRAME_SIZE]
    top_down = bytearray(face_bytes)
    top_down[22:26] = (-face.HEIGHT & 0xFFFFFFFF).to_bytes(4, "little")
    cases = [
        ("a green-blended knob edge", _rejected(check_knob_strip, fringe)),
        ("frames out of order", _rejected(check_knob_strip, reversed_strip)),
        ("90 frames", _rejected(check_knob_strip, short_strip)),
        ("a top-down bitmap", _rejected(decode_exact, bytes(top_down), "face.bmp", face.WIDTH, face.HEIGHT)),
        ("a truncated bitmap", _rejected(decode_exact, face_bytes[:-7], "face.bmp", face.WIDTH, face.HEIGHT)),
        ("a wrong size", _rejected(decode_exact, face_bytes, "face.bmp", face.WIDTH + 1, face.HEIGHT)),
    ]
    for what, rejected in cases:
        _require(rejected, "self-test: the checks accept %s" % what)
    return len(cases)
