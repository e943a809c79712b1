#!/usr/bin/env python3
"""Draws the demo's dry and buzzed takes side by side: a few periods of each
waveform, and both spectra with the effect's two filter corners marked.

    plot_demo.py out/demo/dry.wav out/demo/buzzed.wav out/demo/waveform-spectrum.png

Reads 16- and 24-bit PCM and 32-bit float WAV files (mono or stereo; the first
channel is drawn, since the effect writes the same signal to both).
"""

import struct
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

FORMAT_PCM, FORMAT_FLOAT, FORMAT_EXTENSIBLE = 1, 3, 0xFFFE
HIGHPASS_HZ, LOWPASS_HZ = 400, 3000      # the effect's two one-pole corners
EXCERPT_SECONDS = 0.025                   # a few periods of a sung vowel
EXCERPT_START = 0.5                       # seconds in, past the onset
SPECTRUM_TOP_HZ = 10000
SPECTRUM_RANGE_DB = 100                   # below the loudest peak; the rest is numerical dust


def read_wav(path):
    """(sample rate, first channel as float64 in -1..1)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("%s: not a RIFF WAVE file" % path)
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack_from("<I", data, pos + 4)[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", body)
            if tag == FORMAT_EXTENSIBLE:
                tag = struct.unpack_from("<H", body, 24)[0]
            fmt = (tag, channels, rate, bits)
        elif cid == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    if fmt is None or samples is None:
        raise ValueError("%s: no fmt or data chunk" % path)
    tag, channels, rate, bits = fmt
    if tag == FORMAT_FLOAT and bits == 32:
        x = np.frombuffer(samples, dtype="<f4", count=len(samples) // 4).astype(np.float64)
    elif tag == FORMAT_PCM and bits == 16:
        x = np.frombuffer(samples, dtype="<i2", count=len(samples) // 2) / 32768.0
    elif tag == FORMAT_PCM and bits == 24:
        raw = np.frombuffer(samples, dtype=np.uint8, count=len(samples) // 3 * 3).reshape(-1, 3)
        x = (raw[:, 0].astype(np.int32) | raw[:, 1].astype(np.int32) << 8 | raw[:, 2].astype(np.int32) << 16)
        x = np.where(x >= 1 << 23, x - (1 << 24), x) / float(1 << 23)
    else:
        raise ValueError("%s: format tag %d with %d bits is not read here" % (path, tag, bits))
    return rate, x[: len(x) // channels * channels].reshape(-1, channels)[:, 0]


def spectrum_db(rate, x):
    """Average magnitude spectrum (Hann windows of 4096 samples, half overlap), in dB."""
    size, hop = 4096, 2048
    window = np.hanning(size)
    frames = [x[i:i + size] * window for i in range(0, len(x) - size + 1, hop)] or [np.resize(x, size) * window]
    power = np.mean([np.abs(np.fft.rfft(frame)) ** 2 for frame in frames], axis=0)
    return np.fft.rfftfreq(size, 1.0 / rate), 10 * np.log10(power / (window.sum() ** 2) + 1e-20)


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    (rate, dry), (rate_b, buzzed) = read_wav(argv[1]), read_wav(argv[2])
    if rate != rate_b:
        print("plot_demo: the two files have different sample rates", file=sys.stderr)
        return 1

    fig, (wave_ax, spec_ax) = plt.subplots(2, 1, figsize=(9, 6.4), dpi=100)
    start = int(EXCERPT_START * rate) if len(dry) > int((EXCERPT_START + EXCERPT_SECONDS) * rate) else 0
    span = slice(start, start + int(EXCERPT_SECONDS * rate))
    t = np.arange(span.start, span.start + len(dry[span])) / rate * 1000.0
    wave_ax.plot(t, dry[span], color="#2a6fb0", lw=1.2, label="dry (input)")
    wave_ax.plot(t[: len(buzzed[span])], buzzed[span], color="#c8501e", lw=1.2, label="buzzed (output)")
    wave_ax.set_xlabel("time (ms)")
    wave_ax.set_ylabel("amplitude")
    wave_ax.set_title("Waveform: %.0f ms of the sung vowel" % (EXCERPT_SECONDS * 1000))
    wave_ax.legend(loc="upper right")
    wave_ax.grid(alpha=0.3)

    peak = -np.inf
    for x, colour, label in ((dry, "#2a6fb0", "dry (input)"), (buzzed, "#c8501e", "buzzed (output)")):
        freq, level = spectrum_db(rate, x)
        keep = (freq >= 20) & (freq <= SPECTRUM_TOP_HZ)
        spec_ax.semilogx(freq[keep], level[keep], color=colour, lw=1.0, label=label)
        peak = max(peak, level[keep].max())
    spec_ax.set_ylim(peak - SPECTRUM_RANGE_DB, peak + 10)
    for corner, name in ((HIGHPASS_HZ, "400 Hz highpass"), (LOWPASS_HZ, "3000 Hz lowpass")):
        spec_ax.axvline(corner, color="#666666", ls="--", lw=0.8)
        spec_ax.text(corner * 1.04, 0.97, name, transform=spec_ax.get_xaxis_transform(), va="top",
                     fontsize=8, color="#444444")
    spec_ax.set_xlim(20, SPECTRUM_TOP_HZ)
    spec_ax.set_xlabel("frequency (Hz)")
    spec_ax.set_ylabel("level (dB)")
    spec_ax.set_title("Spectrum")
    spec_ax.legend(loc="lower left")
    spec_ax.grid(alpha=0.3, which="both")

    fig.tight_layout()
    fig.savefig(argv[3], metadata={"Software": None})
    print("written: %s" % argv[3])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
