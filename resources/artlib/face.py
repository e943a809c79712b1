"""The editor face, 309 x 168: brushed graphite plate, two recessed knob wells under the
knob rectangles, their labels, a picture of what the effect does, and the brass product
name over the command-menu area (the name is what the user clicks for the menu)."""

import math

from . import knob, panel
from .canvas import Mask, clamp, coverage, mix, sd_round_rect, smoothstep

WIDTH = 309
HEIGHT = 168
# left, top, right, bottom of the knobs in the editor window; the film strip's knob is
# a disc of radius 40 centred in its 98 x 98 frame.
KNOB_RECTS = ((116, 14, 214, 112), (210, 14, 308, 112))
KNOB_LABELS = ("sens", "buzz")
KNOB_RADIUS = knob.RADIUS
COMMAND_AREA = (12, 117, 240, 158)
WELL_RADIUS = 43.5
LIP_WIDTH = 2.0
LABEL_BASELINE = 12
LABEL_SIZE = 7.0
LEFT_MARGIN = 14
LOGO_SIZE = 17.2
LOGO_BASELINE = 147
LOGO_WEIGHT = 2.1
LOGO_TRACKING = 2.4
# the inset window with the picture of the voice and its buzz
VOICE_WINDOW = (LEFT_MARGIN, 19, 104, 107)

# The key light comes from the upper left, as on the knob.
_LIGHT_ANGLE = math.atan2(-0.62, -0.46)


def knob_centre(rect):
    return ((rect[0] + rect[2]) / 2.0, (rect[1] + rect[3]) / 2.0)


def _well(canvas, cx, cy):
    outer = WELL_RADIUS + LIP_WIDTH
    floor = (19.0, 18.0, 18.0)

    def shade(px, py, current):
        dx = px - cx
        dy = py - cy
        r = math.hypot(dx, dy)
        facing = math.cos(math.atan2(dy, dx) - _LIGHT_ANGLE)  # 1 towards the light
        # Outside: a soft contact darkening of the plate around the hole.
        c = mix(current, (0.0, 0.0, 0.0), 0.25 * (1.0 - smoothstep(outer, outer + 3.0, r)))
        # Countersunk lip: its far side (away from the light) faces the light.
        lip = mix((40.0, 39.0, 39.0), (150.0, 146.0, 140.0), clamp(0.5 - 0.5 * facing) ** 1.5)
        c = mix(c, lip, coverage(r - outer))
        # Floor: in the lip's shadow near the lit side, under the knob's shadow elsewhere.
        f = floor
        lip_shadow = smoothstep(-1.5, 3.0, math.hypot(dx - 3.0, dy - 4.0) - WELL_RADIUS)
        f = mix(f, (6.0, 6.0, 7.0), lip_shadow * 0.8)
        knob_shadow = 1.0 - smoothstep(KNOB_RADIUS - 2.0, KNOB_RADIUS + 4.5, math.hypot(dx - 2.0, dy - 3.0))
        f = mix(f, (4.0, 4.0, 5.0), knob_shadow * 0.85)
        # The wall at the far rim catches the light as a thin crescent.
        wall = clamp(-facing) * smoothstep(WELL_RADIUS - 2.0, WELL_RADIUS, r)
        f = mix(f, (88.0, 85.0, 82.0), wall * 0.8)
        return mix(c, f, coverage(r - WELL_RADIUS))

    canvas.shade((cx - outer - 4, cy - outer - 4, cx + outer + 4, cy + outer + 4), shade)


def _scale_marks(canvas, cx, cy):
    """Dots at the two ends of the knob's travel."""
    r = WELL_RADIUS + LIP_WIDTH + 3.2
    for degrees in (-135.0, 135.0):
        a = math.radians(degrees)
        x = cx + r * math.sin(a)
        y = cy - r * math.cos(a)
        canvas.fill_sdf((x - 3, y - 3, x + 3, y + 3), lambda px, py: math.hypot(px - x, py - y) - 1.1,
                        panel.SILK)


def _voice_picture(canvas, left, top, right, bottom):
    """An inset window with the effect's idea: a voice wave, the level it must cross,
    and the reedy pulse train that follows its pitch."""
    radius = 5.0

    def glass(px, py):
        t = (py - top) / (bottom - top)
        c = mix((24.0, 22.0, 24.0), (11.0, 10.0, 12.0), t)
        # a faint diagonal reflection over the upper left
        sheen = smoothstep(0.0, 8.0, (right - px) * 0.55 + (bottom - py) - (bottom - top) * 0.75)
        return mix(c, (40.0, 38.0, 40.0), 0.35 * sheen * (1.0 - t))

    def bezel(px, py):
        # the window is sunk into the plate: its upper rim in shadow, the lower one lit
        return mix((14.0, 13.0, 13.0), (112.0, 108.0, 104.0), smoothstep(top, bottom + 1.0, py) ** 1.6)

    canvas.fill_sdf((left - 3, top - 3, right + 3, bottom + 3),
                    lambda px, py: sd_round_rect(px, py, left - 1.5, top - 1.5, right + 1.5, bottom + 1.5,
                                                 radius + 1.5), bezel)
    canvas.fill_sdf((left, top, right, bottom),
                    lambda px, py: sd_round_rect(px, py, left, top, right, bottom, radius), glass)

    mid = (top + bottom) / 2.0
    amp = (bottom - top) * 0.25
    wave = Mask(int(left), int(top), int(right - left), int(bottom - top))
    buzz = Mask(int(left), int(top), int(right - left), int(bottom - top))
    threshold = 0.52
    xs = [left + 4.0 + i * 0.5 for i in range(int((right - left - 8.0) * 2) + 1)]

    def voice(x):
        t = (x - left - 4.0) / (right - left - 8.0)
        phase = 2.0 * math.pi * 3.0 * t - 0.9
        return 0.78 * math.sin(phase) + 0.3 * math.sin(2.0 * phase + 0.9)

    # The same chain as the audio: a step while the voice is above the level, then a
    # high-pass and a low-pass; here with time constants of a few pixels (0.8 and 0.55
    # per half pixel), so each crossing shows as one sharp reedy spike.
    hp_state = lp = 0.0
    previous = 0.0
    out = []
    for x in xs:
        step = 1.0 if voice(x) > threshold else 0.0
        hp = 0.8 * (hp_state + step - previous)
        hp_state, previous = hp, step
        lp += 0.55 * (hp - lp)
        out.append(lp)
    peak = max(abs(v) for v in out)
    for (xa, xb), (va, vb) in zip(zip(xs, xs[1:]), zip(out, out[1:])):
        wave.add_capsule(xa, mid - voice(xa) * amp, xb, mid - voice(xb) * amp, 0.45)
        buzz.add_capsule(xa, mid - va / peak * amp * 1.15, xb, mid - vb / peak * amp * 1.15, 0.7)
    level_y = mid - threshold * amp
    for x in range(int(left) + 4, int(right) - 4, 4):
        canvas.fill_sdf((x, level_y - 2, x + 2, level_y + 2), lambda px, py: abs(py - level_y) - 0.35,
                        (120.0, 110.0, 96.0), 0.5)
    canvas.apply_mask(wave, (120.0, 128.0, 140.0), 0.8)
    canvas.apply_mask(buzz.blurred(2), (255.0, 150.0, 40.0), 0.55)
    canvas.apply_mask(buzz, (255.0, 186.0, 92.0))


def render():
    canvas = panel.brushed_plate(WIDTH, HEIGHT, seed=176)
    panel.bevel(canvas)

    for rect in KNOB_RECTS:
        _well(canvas, *knob_centre(rect))
    for rect, label in zip(KNOB_RECTS, KNOB_LABELS):
        cx, cy = knob_centre(rect)
        _scale_marks(canvas, cx, cy)
        panel.label_text(canvas, label, cx - panel.label_width(label, LABEL_SIZE) / 2.0, LABEL_BASELINE, LABEL_SIZE)

    panel.label_text(canvas, "Veltmarsk", LEFT_MARGIN, LABEL_BASELINE, LABEL_SIZE, panel.SILK_DIM)
    _voice_picture(canvas, *VOICE_WINDOW)

    panel.brass_text(canvas, "Quorrelphone", LEFT_MARGIN, LOGO_BASELINE, LOGO_SIZE, LOGO_WEIGHT, LOGO_TRACKING)
    return canvas.rows()
