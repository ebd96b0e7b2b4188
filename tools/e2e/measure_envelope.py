#!/usr/bin/env python3
"""Checks the loudness of a recording: raw signed 16-bit mono samples at 44100 Hz.

Over the last two seconds, takes the loudness of every 2.5 ms as the peak in dB
and finds a falling saw: the loudness starts again with a sudden rise at the
expected rate (within one per cent), falls by at least 36 dB between two
starts, and never rises by more than half a decibel on the way down.
Usage: measure_envelope.py RECORDING.raw EXPECTED_HZ
"""
import math
import sys

from recording import RATE, last_two_seconds

WINDOW = RATE // 400  # 2.5 ms: one whole cycle of a 440 Hz tone and more
QUIETEST = -80.0  # dB below full scale taken for silence


def main():
    samples, last = last_two_seconds(sys.argv[1])
    expected = float(sys.argv[2])
    loudness = []
    for start in range(0, len(last) - WINDOW + 1, WINDOW):
        peak = max(abs(sample) for sample in last[start:start + WINDOW])
        loudness.append(max(QUIETEST, 20 * math.log10(peak / 32768)) if peak else QUIETEST)
    starts = [index for index in range(1, len(loudness)) if loudness[index] - loudness[index - 1] > 6]
    falls = [max(loudness[a:b]) - min(loudness[a:b]) for a, b in zip(starts, starts[1:])]
    # A start may end in the window after it, which then climbs the rest of the way.
    climbs = [loudness[index] - loudness[index - 1] for index in range(1, len(loudness))
              if index not in starts and index - 1 not in starts]
    rate = (len(starts) - 1) / ((starts[-1] - starts[0]) * WINDOW / RATE) if len(starts) > 1 else 0.0
    print(f"recorded {len(samples) / RATE:.1f} s, loudness {max(loudness):.1f} to {min(loudness):.1f} dB, "
          f"{len(starts)} starts at {rate:.2f} Hz (expected {expected} Hz), smallest fall "
          f"{min(falls, default=0):.1f} dB, largest climb on the way down {max(climbs, default=0):.1f} dB")
    if (abs(rate - expected) > expected / 100 or min(falls, default=0) < 36 or max(climbs, default=0) > 0.5
            or max(loudness) < -40):
        sys.exit("envelope check FAILED")


if __name__ == "__main__":
    main()
