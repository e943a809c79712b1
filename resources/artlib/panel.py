"""The visual language shared by the face and the about picture: a brushed graphite
plate with a bevelled edge, brass lettering and light silk-screened labels, all
lettering in the one geometric stroke typeface."""

from . import strokefont
from .canvas import Canvas, clamp, hash01, mix

PLATE_TOP = (58.0, 56.0, 56.0)
PLATE_BOTTOM = (31.0, 30.0, 31.0)
BRASS_LIGHT = (246.0, 214.0, 142.0)
BRASS_DARK = (170.0, 118.0, 52.0)
SILK = (196.0, 194.0, 190.0)
SILK_DIM = (132.0, 130.0, 128.0)


def brushed_plate(width, height, seed):
    """Vertical gradient with horizontal brushing: noise that is smeared along x."""
    canvas = Canvas(width, height)
    reach = 14
    for y in range(height):
        base = mix(PLATE_TOP, PLATE_BOTTOM, (y + 0.5) / height)
        row_shift = (hash01(0, y, seed + 1) - 0.5) * 3.0
        raw = [hash01(x, y, seed) - 0.5 for x in range(-reach, width + reach + 1)]
        acc = sum(raw[0:2 * reach + 1])
        for x in range(width):
            streak = acc / (2 * reach + 1)
            grain = raw[x + reach] * 0.18
            v = row_shift + streak * 22.0 + grain * 6.0
            # a light fall-off towards the edges, as under a lamp above the plate's middle
            ex = (x + 0.5) / width * 2.0 - 1.0
            ey = (y + 0.5) / height * 2.0 - 1.0
            k = 1.0 - 0.16 * (ex * ex * 0.7 + ey * ey * 0.3)
            canvas.set(x, y, ((base[0] + v) * k, (base[1] + v) * k, (base[2] + v * 1.05) * k))
            acc += raw[x + 2 * reach + 1] - raw[x]
    return canvas


def bevel(canvas, depth=3):
    """A raised edge: light on the top and left faces, shadow on the bottom and right
    (mitred at the corners), with a hairline of near-black at the very border."""
    w, h = canvas.width, canvas.height
    for y in range(h):
        for x in range(w):
            near_lit = min(x, y)
            near_dark = min(w - 1 - x, h - 1 - y)
            edge = min(near_lit, near_dark)
            if edge >= depth:
                continue
            if edge == 0:
                canvas.blend(x, y, (8.0, 8.0, 9.0), 0.85)
                continue
            strength = (depth - edge) / (depth - 1.0)
            if near_lit <= near_dark:
                canvas.blend(x, y, (255.0, 250.0, 240.0), 0.16 * strength)
            else:
                canvas.blend(x, y, (0.0, 0.0, 0.0), 0.40 * strength)


def brass(top, bottom):
    """Colour function for brass lettering between rows top and bottom: bright upper
    half, a darker band under the middle where a polished surface mirrors the floor."""
    def colour(px, py):
        t = clamp((py - top) / (bottom - top))
        if t < 0.5:
            return mix(BRASS_LIGHT, (226.0, 178.0, 96.0), t / 0.5)
        return mix((200.0, 146.0, 66.0), BRASS_DARK, (t - 0.5) / 0.5)
    return colour


def brass_text(canvas, text, left, baseline, size, weight, tracking):
    """Raised brass lettering: a soft shadow down-right, a dark hairline under it and
    the metal itself."""
    mask = strokefont.text_mask(text, left, baseline, size, weight, tracking)
    shadow = mask.blurred(1)
    canvas.apply_mask(shadow, (0.0, 0.0, 0.0), 0.75, 1, 2)
    canvas.apply_mask(mask, (20.0, 14.0, 8.0), 0.8, 0, 1)
    canvas.apply_mask(mask, brass(baseline - size * 1.45, baseline + size * 0.1))
    return mask


def label_text(canvas, text, left, baseline, size, colour=SILK, weight=2.4, tracking=3.0):
    """Silk-screened lettering in the logo's typeface, for names on the plate."""
    mask = strokefont.text_mask(text, left, baseline, size, weight, tracking)
    canvas.apply_mask(mask, (0.0, 0.0, 0.0), 0.5, 0, 1)
    canvas.apply_mask(mask, colour)
    return mask


def label_width(text, size, weight=2.4, tracking=3.0):
    return strokefont.text_width(text, size, weight, tracking)
