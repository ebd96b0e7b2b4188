#!/usr/bin/env python3
"""Checks the pitch of a recording: raw signed 16-bit mono samples at 44100 Hz.

Counts the rising zero crossings over the last two seconds of the recording
and compares the frequency with the expected one, within one per cent.
Usage: measure_pitch.py RECORDING.raw EXPECTED_HZ
"""
import sys

from recording import RATE, last_two_seconds


def main():
    samples, window = last_two_seconds(sys.argv[1])
    expected = float(sys.argv[2])
    loudest = max(abs(sample) for sample in window)
    crossings = sum(1 for before, after in zip(window, window[1:]) if before < 0 <= after)
    frequency = crossings / 2.0
    print(f"recorded {len(samples) / RATE:.1f} s, peak {loudest}, pitch {frequency:.1f} Hz (expected {expected} Hz)")
    if loudest < 1000 or abs(frequency - expected) > expected / 100:
        sys.exit("pitch check FAILED")


if __name__ == "__main__":
    main()
