#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seven event sounds of resources/Sound/ (16-bit mono PCM wave files).

Each sound is a short synthesised tone: soft bell-like notes, a quick sweep, and for the
start-up sound a few bird-like chirps. The output is deterministic, so running the script
again gives the very same files.

    tools/make_sounds.py [OUTPUT_FOLDER]     (default: resources/Sound beside this script)
"""

import math
import os
import struct
import sys
import wave

RATE = 22050
PEAK = 0.42  # of full scale: event sounds should never startle


def silence(seconds):
    return [0.0] * int(seconds * RATE)


def envelope(i, n, attack, release):
    """Linear attack and release, so that no sound starts or ends with a click."""
    a = max(1, int(attack * RATE))
    r = max(1, int(release * RATE))
    gain = 1.0
    if i < a:
        gain = i / a
    if i > n - r:
        gain = min(gain, max(0.0, (n - i) / r))
    return gain


def bell(freq, seconds, decay=6.0, partials=((1.0, 1.0), (2.0, 0.35), (3.0, 0.12)), attack=0.004):
    """A struck note: a few harmonics dying away exponentially."""
    n = int(seconds * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        v = sum(amp * math.sin(2 * math.pi * freq * mult * t) for mult, amp in partials)
        v *= math.exp(-decay * t) * envelope(i, n, attack, 0.02)
        out.append(v)
    return out


def sweep(f0, f1, seconds, decay=3.0, attack=0.01):
    """A tone gliding from f0 to f1 (exponentially, as the ear hears pitch)."""
    n = int(seconds * RATE)
    out = []
    phase = 0.0
    for i in range(n):
        frac = i / n
        freq = f0 * (f1 / f0) ** frac
        phase += 2 * math.pi * freq / RATE
        v = math.sin(phase) + 0.2 * math.sin(2 * phase)
        v *= math.exp(-decay * i / RATE) * envelope(i, n, attack, 0.03)
        out.append(v)
    return out


def mix(*parts):
    """Lays (offset_seconds, samples) parts over each other."""
    length = max(int(off * RATE) + len(s) for off, s in parts)
    out = [0.0] * length
    for off, s in parts:
        start = int(off * RATE)
        for i, v in enumerate(s):
            out[start + i] += v
    return out


def normalise(samples):
    top = max(abs(v) for v in samples) or 1.0
    return [v / top * PEAK for v in samples]


def drop():
    # A light two-note "plink": the bookmark lands.
    return mix((0.0, bell(880.0, 0.16, decay=18)), (0.06, bell(1318.5, 0.2, decay=14)))


def reject():
    # Two low notes going down, a little hollow: not accepted.
    hollow = ((1.0, 1.0), (3.0, 0.3), (5.0, 0.1))
    return mix((0.0, bell(392.0, 0.18, decay=10, partials=hollow)), (0.14, bell(311.1, 0.26, decay=9, partials=hollow)))


def search_start():
    # A quick rising arpeggio: off it goes.
    notes = (523.3, 659.3, 784.0)
    return mix(*((k * 0.07, bell(f, 0.22, decay=12)) for k, f in enumerate(notes)))


def search_complete():
    # A settled chime, fifth then octave: done.
    return mix((0.0, bell(784.0, 0.45, decay=7)), (0.12, bell(1046.5, 0.5, decay=6)))


def empty_folder():
    # A soft falling glide: swept away.
    return sweep(1400.0, 280.0, 0.38, decay=4.0)


def import_done():
    # "Ding-dong" upward with a third note: things have arrived.
    return mix((0.0, bell(659.3, 0.3, decay=9)), (0.1, bell(987.8, 0.3, decay=9)), (0.2, bell(1318.5, 0.32, decay=8)))


def startup():
    # The vireo's song: a few quick chirps that rise, then one that falls.
    parts = []
    t = 0.0
    for f0, f1, length in ((2200.0, 3400.0, 0.07), (2400.0, 3600.0, 0.07), (2300.0, 3800.0, 0.08), (3600.0, 2500.0, 0.12)):
        parts.append((t, sweep(f0, f1, length, decay=2.0, attack=0.008)))
        t += length + 0.05
    return mix(*parts)


SOUNDS = {
    "drop.wav": drop,
    "reject.wav": reject,
    "start.wav": search_start,
    "complete.wav": search_complete,
    "empty.wav": empty_folder,
    "import.wav": import_done,
    "vireo.wav": startup,
}


def write(path, samples):
    samples = normalise(samples) + silence(0.02)
    frames = b"".join(struct.pack("<h", int(round(max(-1.0, min(1.0, v)) * 32767))) for v in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(os.path.join(here, "..", "resources", "Sound"))
    os.makedirs(out, exist_ok=True)
    for name, make in SOUNDS.items():
        path = os.path.join(out, name)
        write(path, make())
        print(f"{path}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
