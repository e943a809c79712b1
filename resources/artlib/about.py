"""The about picture, 218 x 77, laid over the face while the about screen shows: the
product name in brass, what it does, the vendor and the version."""

import os

from . import panel, strokefont
from .canvas import mix

WIDTH = 218
HEIGHT = 77
MARGIN = 12


def release_version():
    """The first two parts of the release number in the top-level VERSION file: the
    picture is committed, so a new release without a new picture fails --check."""
    path = os.path.join(os.path.dirname(__file__), "..", "..", "VERSION")
    with open(path) as f:
        major, minor, _patch = f.readline().strip().split(".")
    return major + "." + minor


VERSION = release_version()


def render():
    canvas = panel.brushed_plate(WIDTH, HEIGHT, seed=178)
    panel.bevel(canvas)

    size, weight, tracking = 13.0, 2.0, 2.4
    name_width = strokefont.text_width("Quorrelphone", size, weight, tracking)
    panel.brass_text(canvas, "Quorrelphone", (WIDTH - name_width) / 2.0, 28, size, weight, tracking)

    tagline = "buzzing reed voice"
    panel.label_text(canvas, tagline, (WIDTH - panel.label_width(tagline, 6.0)) / 2.0, 46, 6.0)

    # a brass hairline between the product and its maker
    rule_y = 53
    for x in range(MARGIN, WIDTH - MARGIN):
        t = abs((x + 0.5) - WIDTH / 2.0) / (WIDTH / 2.0 - MARGIN)
        fade = 1.0 - t * t
        canvas.blend(x, rule_y, mix(panel.BRASS_DARK, panel.BRASS_LIGHT, 0.4), 0.55 * fade)
        canvas.blend(x, rule_y + 1, (0.0, 0.0, 0.0), 0.35 * fade)

    panel.label_text(canvas, "Veltmarsk", MARGIN, 65, 6.0, panel.SILK_DIM)
    version = "version " + VERSION
    panel.label_text(canvas, version, WIDTH - MARGIN - panel.label_width(version, 6.0), 65, 6.0, panel.SILK_DIM)
    return canvas.rows()
