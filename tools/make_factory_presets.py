#!/usr/bin/env python3
"""Writes the factory presets and their measurements.

    tools/make_factory_presets.py [--build-dir build/win32] [--files-only | --check]

Loads the built plug-in through qphost under Wine, sets each program's name and
values through the plug-in's record and saves what the plug-in hands out:
presets/NN Name.fxp for each program and presets/Quorrelphone Factory.fxb (a
version 2 bank of chunks). Unless --files-only is given it then renders the
built-in vowel and a spoken phrase through every preset (with sox and espeak-ng)
and writes presets/README.md with the figures. Running it again gives the same
bytes; --check writes the files into a temporary folder and fails unless they
are the committed ones, byte for byte.

qphost runs in a Wine prefix of its own (BUILD/factory-presets), so no MIDI
learning or saved defaults of a test run can reach the factory bank.
"""
import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

# name (at most 23 plain ASCII characters), sens, buzz, character
PRESETS = [
    ("Faint Reed", 0.40, 0.10, "a breath of reed on the loudest peaks only; the voice stays almost dry"),
    ("Thin Reed", 0.55, 0.20, "a thin reedy edge on sustained vowels, speech nearly untouched"),
    ("Soft Reed", 0.65, 0.35, "a soft reed that follows the pitch of sung notes"),
    ("Nasal Reed", 0.75, 0.45, "a nasal, oboe-like reed under the whole vowel"),
    ("Bright Reed", 0.55, 0.75, "short, strong pulses on the peaks: the brightest, most cutting of the reeds"),
    ("Comb Buzz", 0.65, 1.00, "a hard comb-and-paper buzz, the most treble on sung notes"),
    ("Kazoo", 0.85, 0.70, "a kazoo: the gate stays open a third of the time on a sung note"),
    ("Full Kazoo", 0.95, 1.00, "the full kazoo: the loudest preset, with the widest gate on sung notes"),
    ("Spoken Buzz", 0.98, 0.55, "opens on quiet syllables too, so spoken words buzz, not only sung ones"),
]

PHRASE = "Sing or speak into it, and it answers with a buzzing, reedy voice."
BANK_NAME = "Quorrelphone Factory.fxb"
SAMPLE_RATE = 44100
CROSSOVER_HZ = 1000


def preset_file(index, name):
    return f"{index + 1:02d} {name}.fxp"


# The machine field of a PE header, and the Wine prefix kind that runs it.
WINE_ARCHES = {0x014C: "win32", 0x8664: "win64"}


def wine_arch(exe):
    """win32 or win64, as qphost.exe was built: a prefix runs programs of its own width only."""
    try:
        with open(exe, "rb") as f:
            head = f.read(4096)
    except OSError as e:
        sys.exit(f"cannot read {exe} ({e.strerror}): build qphost first "
                 "(cmake --preset win32 && cmake --build build/win32 --target qphost)")
    pe = int.from_bytes(head[0x3C:0x40], "little") if head[:2] == b"MZ" else -1
    machine = int.from_bytes(head[pe + 4:pe + 6], "little") if head[pe:pe + 4] == b"PE\0\0" else None
    if machine not in WINE_ARCHES:
        sys.exit(f"{exe} is no Windows program of a known width")
    return WINE_ARCHES[machine]


class QpHost:
    def __init__(self, root, build_dir):
        self.exe = os.path.join(build_dir, "bin", "qphost.exe")
        # cmake/wine-run takes the prefix's folder and width from these; the
        # build tree's own wine-run would pin the tree's prefix instead.
        self.env = dict(os.environ, QP_BUILD_DIR=os.path.join(build_dir, "factory-presets"),
                        QP_WINEARCH=wine_arch(self.exe))
        self.wine_run = os.path.join(root, "cmake", "wine-run")

    def __call__(self, *arguments):
        # Files, not pipes: Wine's helper processes outlive qphost and would hold
        # a pipe open, so reading it to its end would wait for them.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            code = subprocess.run([self.wine_run, self.exe, *arguments], env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err).returncode
            out.seek(0)
            err.seek(0)
            if code != 0:
                sys.exit(f"qphost {' '.join(arguments)} failed:\n{err.read()}")
            return out.read()


def program_steps(index, name, sens, buzz):
    return ["--program", str(index), "--name", name, "--param", f"sens={sens}", "--param", f"buzz={buzz}"]


def write_files(qphost, out_dir):
    for index, (name, sens, buzz, _) in enumerate(PRESETS):
        assert len(name) <= 23 and name.isascii(), name
        qphost("preset", "save", *program_steps(index, name, sens, buzz),
               os.path.join(out_dir, preset_file(index, name)))
    steps = []
    for index, (name, sens, buzz, _) in enumerate(PRESETS):
        steps += program_steps(index, name, sens, buzz)
    qphost("preset", "save", *steps, "--program", "0", os.path.join(out_dir, BANK_NAME))

    # Each preset's program record must be the bank's: the program chunk follows
    # a 60-byte preset header, the bank's chunk a 160-byte header and 72 bytes of
    # parameter records before the 32-byte programs.
    with open(os.path.join(out_dir, BANK_NAME), "rb") as f:
        bank = f.read()
    for index, (name, *_rest) in enumerate(PRESETS):
        with open(os.path.join(out_dir, preset_file(index, name)), "rb") as f:
            preset = f.read()
        start = 160 + 72 + 32 * index
        if preset[60:92] != bank[start:start + 32]:
            sys.exit(f"{preset_file(index, name)} differs from program {index} of the bank")
    listing = qphost("preset", "load", os.path.join(out_dir, BANK_NAME))
    for index, (name, *_rest) in enumerate(PRESETS):
        if f'program {index} "{name}"' not in listing:
            sys.exit(f"the bank does not load back with program {index} \"{name}\":\n{listing}")


def band_rms(path, effect):
    result = subprocess.run(["sox", path, "-n", "remix", "1", *effect, "stat"], capture_output=True, text=True)
    return float(re.search(r"RMS\s+amplitude:\s+(\S+)", result.stderr).group(1))


def balance_db(path):
    """Level above the crossover minus level below it: higher is brighter."""
    high = band_rms(path, ["sinc", str(CROSSOVER_HZ)])
    low = band_rms(path, ["sinc", f"-{CROSSOVER_HZ}"])
    return 20 * math.log10(high / low)


def measure(qphost, out_dir, work):
    vowel = os.path.join(work, "vowel.wav")
    phrase = os.path.join(work, "phrase.wav")
    qphost("synth", vowel)
    spoken = os.path.join(work, "phrase22.wav")
    subprocess.run(["espeak-ng", "-w", spoken, PHRASE], check=True)
    subprocess.run(["sox", spoken, "-r", str(SAMPLE_RATE), phrase], check=True)

    def level(path):
        return 20 * math.log10(band_rms(path, []))

    dry = {"vowel": (level(vowel), balance_db(vowel)), "phrase": (level(phrase), balance_db(phrase))}
    rows = []
    for index, (name, sens, buzz, character) in enumerate(PRESETS):
        figures = {}
        for signal, source in (("vowel", vowel), ("phrase", phrase)):
            output = os.path.join(work, "out.wav")
            line = qphost("render", "--preset", os.path.join(out_dir, preset_file(index, name)), source, output)
            gate = float(re.search(r"gate open ([\d.]+)%", line).group(1))
            rms = float(re.search(r"out: rms (-?[\d.]+)", line).group(1))
            figures[signal] = (gate, rms, balance_db(output))
        rows.append((index, name, sens, buzz, character, figures))
    return dry, rows


README_HEAD = """# Factory presets

`Quorrelphone Factory.fxb` holds all nine as one bank (load it as a bank in your
host); each `NN Name.fxp` holds one of them as a preset (it goes into the
current program). Both are written by `tools/make_factory_presets.py` from the
built plug-in; the plug-in's own initial programs are not changed by them.

The figures come from rendering two test signals through each preset with
`qphost render --preset`: the built-in vowel (`qphost synth`: a sung "ah" at
165 Hz, 3 s, rms {vowel_level:.1f} dBFS) and a spoken phrase (`espeak-ng`,
"{phrase}", resampled to 44.1 kHz, rms {phrase_level:.1f} dBFS).

- **gate**: share of samples in which the gate was open (the buzz is added only then)
- **rms**: output level in dBFS (a mono file feeds both inputs and the effect
  sums them, so even the faintest preset comes out about 5 dB above its input)
- **balance**: level above {crossover} Hz minus level below it, in dB; higher is
  brighter. Dry input: vowel {vowel_balance:.1f} dB, phrase {phrase_balance:.1f} dB.

| # | name | sens | buzz | vowel: gate | rms | balance | phrase: gate | rms | balance | character |
|---|---|---|---|---|---|---|---|---|---|---|
"""


def write_readme(out_dir, dry, rows):
    text = README_HEAD.format(vowel_level=dry["vowel"][0], phrase_level=dry["phrase"][0], phrase=PHRASE,
                              crossover=CROSSOVER_HZ, vowel_balance=dry["vowel"][1],
                              phrase_balance=dry["phrase"][1])
    for index, name, sens, buzz, character, figures in rows:
        cells = [f"{index + 1:02d}", name, f"{sens:.2f}", f"{buzz:.2f}"]
        for signal in ("vowel", "phrase"):
            gate, rms, balance = figures[signal]
            cells += [f"{gate:.1f}%", f"{rms:.1f}", f"{balance:.1f}"]
        cells.append(character)
        text += "| " + " | ".join(cells) + " |\n"
    with open(os.path.join(out_dir, "README.md"), "w") as f:
        f.write(text)


def compare(made_dir, committed_dir):
    """What differs between the files just made and the committed ones, one line each."""
    def files(folder):
        return {n for n in os.listdir(folder) if n.endswith((".fxp", ".fxb"))}

    made, committed = files(made_dir), files(committed_dir)
    differences = [f"{n}: made, not committed" for n in sorted(made - committed)]
    differences += [f"{n}: committed, not made" for n in sorted(committed - made)]
    for name in sorted(made & committed):
        with open(os.path.join(made_dir, name), "rb") as a, open(os.path.join(committed_dir, name), "rb") as b:
            if a.read() != b.read():
                differences.append(f"{name}: different bytes")
    return differences


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", default=os.path.join(root, "build", "win32"))
    mode = parser.add_mutually_exclusive_group()
    mode.add_argument("--files-only", action="store_true", help="write the preset files, measure nothing")
    mode.add_argument("--check", action="store_true",
                      help="make the files in a temporary folder and compare them with presets/")
    arguments = parser.parse_args()
    out_dir = os.path.join(root, "presets")
    if not (arguments.files_only or arguments.check):
        missing = [tool for tool in ("sox", "espeak-ng") if shutil.which(tool) is None]
        if missing:
            sys.exit(f"measuring the presets needs {' and '.join(missing)} "
                     "(apt-get install sox espeak-ng), or give --files-only")
    qphost = QpHost(root, os.path.abspath(arguments.build_dir))
    if arguments.check:
        with tempfile.TemporaryDirectory(prefix="qp-presets-") as made:
            write_files(qphost, made)
            differences = compare(made, out_dir)
        if differences:
            sys.exit("the committed presets are not what the plug-in makes:\n  " + "\n  ".join(differences))
        print(f"the presets in {out_dir} are what the plug-in makes")
        return
    os.makedirs(out_dir, exist_ok=True)
    write_files(qphost, out_dir)
    if not arguments.files_only:
        with tempfile.TemporaryDirectory() as work:
            write_readme(out_dir, *measure(qphost, out_dir, work))
    print(f"written: {out_dir}")


if __name__ == "__main__":
    main()
