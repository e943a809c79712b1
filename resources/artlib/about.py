"""The about picture, 218 x 77, laid over the face while the about screen shows: the
product name in brass, what it does, the vendor and the version."""

from . import panel, pixelfont, strokefont
from .canvas import mix

WIDTH = 218
HEIGHT = 77
VERSION = "1.0"
MARGIN = 12


def render():
    canvas = panel.brushed_plate(WIDTH, HEIGHT, seed=178)
    panel.bevel(canvas)

    size, weight, tracking = 13.0, 1.8, 2.4
    name_width = strokefont.text_width("Quorrelphone", size, weight, tracking)
    panel.brass_text(canvas, "Quorrelphone", (WIDTH - name_width) / 2.0, 31, size, weight, tracking)

    tagline = "buzzing reed voice"
    panel.silk_text(canvas, tagline, panel.centred_left(tagline, WIDTH / 2.0), 46, panel.SILK)

    # a brass hairline between the product and its maker
    rule_y = 54
    for x in range(MARGIN, WIDTH - MARGIN):
        t = abs((x + 0.5) - WIDTH / 2.0) / (WIDTH / 2.0 - MARGIN)
        fade = 1.0 - t * t
        canvas.blend(x, rule_y, mix(panel.BRASS_DARK, panel.BRASS_LIGHT, 0.4), 0.55 * fade)
        canvas.blend(x, rule_y + 1, (0.0, 0.0, 0.0), 0.35 * fade)

    panel.silk_text(canvas, "VELTMARSK", MARGIN, 67, panel.SILK_DIM, tracking=2)
    version = "version " + VERSION
    panel.silk_text(canvas, version, WIDTH - MARGIN - pixelfont.text_width(version), 67, panel.SILK_DIM)
    return canvas.rows()
