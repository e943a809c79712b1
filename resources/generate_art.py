#!/usr/bin/env python3
"""Makes Quorrelphone's bitmap resources: face.bmp (176), about.bmp (178) and knob.bmp
(207, the 91-frame film strip). The .bmp files are committed, so the build never runs
this; run it after changing the drawing code, and run it with --check to prove that the
committed files are what this code makes and are fit for the editor.

    python3 resources/generate_art.py            rewrite the three .bmp files here
    python3 resources/generate_art.py --out DIR  write them into DIR instead
    python3 resources/generate_art.py --preview DIR
                                                 also write DIR/preview.bmp (the face with
                                                 knob frame 45 on both wells) and
                                                 DIR/preview-about.bmp (with the about box)
    python3 resources/generate_art.py --check    exit status 1 unless the committed files
                                                 pass the checks and match a fresh run

Standard library only; the output is the same bytes on every run."""

import argparse
import os
import sys
import tempfile

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from artlib import about, bmp, checks, face, knob  # noqa: E402

# Where the about box sits in the editor (its rectangle's top-left corner).
ABOUT_ORIGIN = (39, 26)
PREVIEW_FRAME = 45


def render_all():
    return {
        "face.bmp": (face.WIDTH, face.HEIGHT, face.render()),
        "about.bmp": (about.WIDTH, about.HEIGHT, about.render()),
        "knob.bmp": (knob.FRAME_SIZE, knob.FRAME_SIZE * knob.FRAMES, knob.render_strip()),
    }


def write_all(pictures, directory):
    os.makedirs(directory, exist_ok=True)
    for name, (w, h, rows) in pictures.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(bmp.encode(w, h, rows))


def previews(pictures, directory):
    face_rows = [list(row) for row in pictures["face.bmp"][2]]
    strip = pictures["knob.bmp"][2]
    for rect in face.KNOB_RECTS:
        for y in range(knob.FRAME_SIZE):
            for x, c in enumerate(strip[PREVIEW_FRAME * knob.FRAME_SIZE + y]):
                if c != knob.GREEN:
                    face_rows[rect[1] + y][rect[0] + x] = c
    with open(os.path.join(directory, "preview.bmp"), "wb") as f:
        f.write(bmp.encode(face.WIDTH, face.HEIGHT, face_rows))
    with_about = [list(row) for row in face_rows]
    for y, row in enumerate(pictures["about.bmp"][2]):
        with_about[ABOUT_ORIGIN[1] + y][ABOUT_ORIGIN[0]:ABOUT_ORIGIN[0] + about.WIDTH] = row
    with open(os.path.join(directory, "preview-about.bmp"), "wb") as f:
        f.write(bmp.encode(face.WIDTH, face.HEIGHT, with_about))


def check():
    def read(name):
        with open(os.path.join(HERE, name), "rb") as f:
            return f.read()

    try:
        strip = checks.check_files(read)
        cases = checks.self_test(strip, read("face.bmp"))
    except (checks.CheckFailed, OSError) as e:
        print("generate_art --check: FAILED: %s" % e)
        return 1
    with tempfile.TemporaryDirectory() as tmp:
        write_all(render_all(), tmp)
        stale = []
        for name in ("face.bmp", "about.bmp", "knob.bmp"):
            with open(os.path.join(tmp, name), "rb") as f:
                if f.read() != read(name):
                    stale.append(name)
    if stale:
        print("generate_art --check: FAILED: not what the generator makes: %s; "
              "run python3 resources/generate_art.py and commit the result" % ", ".join(stale))
        return 1
    print("generate_art --check: ok (3 bitmaps match the generator; sizes, format, 91 knob frames, "
          "green key, pointer sweep, wells and logo checked; %d self-test cases rejected)" % cases)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=HERE, help="directory for the .bmp files")
    parser.add_argument("--preview", metavar="DIR", help="also write preview pictures into DIR")
    parser.add_argument("--check", action="store_true", help="verify the committed files")
    args = parser.parse_args()
    if args.check:
        return check()
    pictures = render_all()
    write_all(pictures, args.out)
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        previews(pictures, args.preview)
    return 0


if __name__ == "__main__":
    sys.exit(main())
