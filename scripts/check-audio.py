#!/usr/bin/env python3
"""Checks the audio that qm_synth writes: format, size, level, DC offset and seams.

Usage: check-audio.py PATH_TO_QM_SYNTH

Runs the generator twice into fresh folders and requires byte-identical output, then reads
each file and checks that it is 16-bit mono PCM of the expected rate and length, small,
loud enough, below full scale with no clipped samples, free of DC offset, that the sound
effects start and end at silence, and that the music's last sample leads into its first one
as smoothly as neighbouring samples inside the loop do.

Exit status 0 when all holds, 1 otherwise.
"""

import array
import filecmp
import math
import os
import subprocess
import sys
import tempfile
import wave

# name: (sample rate, shortest and longest duration in seconds, looping)
EXPECTED = {
    "Music.wav": (11025, 8.0, 16.0, True),
    "Impact.wav": (22050, 0.1, 1.0, False),
    "DeathSound.wav": (22050, 0.5, 2.5, False),
    "PowerUp.wav": (22050, 0.2, 1.2, False),
}
MAX_BYTES = 300 * 1024
FULL_SCALE = 32767


def read(path):
    with wave.open(path, "rb") as w:
        params = (w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getcomptype())
        data = w.readframes(w.getnframes())
    samples = array.array("h")
    samples.frombytes(data)
    if sys.byteorder == "big":
        samples.byteswap()
    return params, samples


def rms(values):
    return math.sqrt(sum(v * v for v in values) / max(len(values), 1))


def check(path, rate, shortest, longest, looping, faults):
    name = os.path.basename(path)

    def need(condition, text):
        if not condition:
            faults.append("%s: %s" % (name, text))

    size = os.path.getsize(path)
    (channels, width, file_rate, compression), x = read(path)
    need((channels, width, compression) == (1, 2, "NONE"), "not 16-bit mono PCM")
    need(file_rate == rate, "sample rate %d, expected %d" % (file_rate, rate))
    seconds = len(x) / float(file_rate)
    need(shortest <= seconds <= longest, "lasts %.2f s, expected %.1f to %.1f" % (seconds, shortest, longest))
    need(size <= MAX_BYTES, "%d bytes, more than %d" % (size, MAX_BYTES))
    if not x:
        faults.append("%s: no samples" % name)
        return
    peak = max(abs(v) for v in x)
    mean = sum(x) / float(len(x))
    need(peak <= 0.95 * FULL_SCALE, "peak %d leaves no headroom" % peak)
    need(peak >= 0.3 * FULL_SCALE, "peak %d: too quiet" % peak)
    need(abs(mean) <= 0.002 * FULL_SCALE, "DC offset %.1f" % mean)
    steps = sorted(abs(x[i + 1] - x[i]) for i in range(len(x) - 1))
    typical = steps[int(len(steps) * 0.999)]
    seam = abs(x[0] - x[-1])
    if looping:
        # The wrap from the last sample to the first must be an ordinary step, and the level
        # must not jump there either.
        need(seam <= typical, "loop seam step %d, larger than %d (99.9 %% of steps)" % (seam, typical))
        quarter = file_rate // 4
        head, tail = rms(x[:quarter]), rms(x[-quarter:])
        need(0.5 <= head / max(tail, 1.0) <= 2.0, "level jumps at the loop point (%.0f vs %.0f RMS)" % (tail, head))
        beat = int(file_rate * 0.75)
        quiet = [i for i in range(0, len(x) - beat + 1, beat) if rms(x[i : i + beat]) < 0.02 * FULL_SCALE]
        need(not quiet, "silent beats at samples %s" % quiet)
    else:
        need(x[0] == 0 and x[-1] == 0, "does not start and end at silence (%d, %d)" % (x[0], x[-1]))
        start = rms(x[: file_rate // 100])
        need(start < 0.5 * peak, "starts at full level")
    print("%-15s %6d bytes  %5.2f s  %5d Hz  peak %5.1f %%  DC %5.1f  seam %d (typical step %d)"
          % (name, size, seconds, file_rate, 100.0 * peak / FULL_SCALE, mean, seam, typical))


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2])
        return 1
    synth = sys.argv[1]
    faults = []
    with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
        for out in (first, second):
            result = subprocess.run([synth, out])
            if result.returncode != 0:
                print("FAULT qm_synth exited with %d" % result.returncode)
                return 1
        for name, (rate, shortest, longest, looping) in EXPECTED.items():
            path = os.path.join(first, name)
            if not os.path.exists(path):
                faults.append("%s: not written" % name)
                continue
            if not filecmp.cmp(path, os.path.join(second, name), shallow=False):
                faults.append("%s: two runs wrote different bytes" % name)
            check(path, rate, shortest, longest, looping, faults)
        extra = sorted(set(os.listdir(first)) - set(EXPECTED))
        if extra:
            faults.append("unexpected files: %s" % ", ".join(extra))
    for fault in faults:
        print("FAULT " + fault)
    if faults:
        print("%d audio fault(s)" % len(faults))
        return 1
    print("%d audio files sound" % len(EXPECTED))
    return 0


if __name__ == "__main__":
    sys.exit(main())
