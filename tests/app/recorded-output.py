#!/usr/bin/env python3
"""Judges what a sink played, from a 32-bit float WAV recorded off its monitor.

    recorded-output.py playing FILE   the tone plays throughout, once heard (every 10 ms block
                                      peaks above 0.1 for at least half a second)
    recorded-output.py faded FILE     the tone played, then ended in a fade rather than a cut: the
                                      last 5 ms before silence peak below half the steady level
"""
import array
import struct
import sys

BLOCK = 48  # 1 ms at 48 kHz


def left_channel(path):
    with open(path, "rb") as file:
        data = file.read()
    offset, channels = 12, None
    while offset + 8 <= len(data):
        chunk, size = struct.unpack_from("<4sI", data, offset)
        if chunk == b"fmt ":
            channels = struct.unpack_from("<H", data, offset + 10)[0]
        if chunk == b"data":
            samples = array.array("f")
            end = min(len(data), offset + 8 + size)
            samples.frombytes(data[offset + 8:end - (end - offset - 8) % 4])
            return samples[0::channels]
        offset += 8 + size + (size & 1)
    sys.exit(f"{path}: no audio data")


def block_peaks(samples):
    return [max(abs(s) for s in samples[i:i + BLOCK]) for i in range(0, len(samples) - BLOCK, BLOCK)]


def playing(peaks):
    blocks = [max(peaks[i:i + 10]) for i in range(0, len(peaks) - 10, 10)]
    # The recorder's stream starts before the graph hands it data: skip its leading silence.
    first = next((i for i, peak in enumerate(blocks) if peak >= 0.1), len(blocks))
    heard = blocks[first:]
    quiet = [i for i, peak in enumerate(heard) if peak < 0.1]
    if len(heard) < 50 or quiet:
        sys.exit(f"the tone did not play throughout: {len(heard)} 10 ms blocks heard, "
                 f"{len(quiet)} quiet blocks among them")
    print(f"playing: lowest 10 ms peak {min(heard):.3f}")


def faded(peaks):
    loudest = max(peaks, default=0.0)
    if loudest < 0.1:
        sys.exit(f"the tone did not play (loudest 1 ms peak {loudest:.3f})")
    sounding = [i for i, peak in enumerate(peaks) if peak > 0.05 * loudest]
    end = sounding[-1] + 1
    if end >= len(peaks) - 10:
        sys.exit("the tone still played when the recording ended")
    played = sorted(peaks[sounding[0]:end])
    steady = played[len(played) // 2]
    tail = max(peaks[end - 5:end])
    if tail >= 0.5 * steady:
        sys.exit(f"the tone was cut off: its last 5 ms peaked at {tail:.3f} of {steady:.3f}")
    print(f"faded: last 5 ms peaked at {tail:.3f}, steady level {steady:.3f}")


def main():
    command, path = sys.argv[1], sys.argv[2]
    peaks = block_peaks(left_channel(path))
    {"playing": playing, "faded": faded}[command](peaks)


if __name__ == "__main__":
    main()
