"""Reads a recording of SDL's disk audio driver: raw signed 16-bit mono samples at 44100 Hz."""
import array
import sys

RATE = 44100


def last_two_seconds(path):
    """All the samples and their last two seconds; exits when the recording is shorter."""
    samples = array.array("h")
    with open(path, "rb") as recording:
        samples.frombytes(recording.read())
    if len(samples) < 2 * RATE:
        sys.exit(f"recording too short: {len(samples)} samples")
    return samples, samples[-2 * RATE:]
