#!/usr/bin/env python3
"""Writes the demonstration station's jingle as a WAV file.

A short, gentle tune: a bell-like melody over soft pads, with a little echo,
about 27 seconds long. Generated here so that the installation carries no
recording taken from elsewhere. The build encodes it to Ogg Vorbis.

    makejingle.py <output.wav>
"""

import math
import struct
import sys
import wave

RATE = 44100
BEAT = 0.5  # seconds per beat (120 beats per minute)


def note(name):
    """Frequency of a note such as 'A4' or 'F#5'."""
    steps = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semis = steps[name[0]] + (1 if "#" in name else 0) + 12 * (int(name[-1]) - 4)
    return 440.0 * 2 ** (semis / 12)


# Four bars per chord, a melody in the major pentatonic so nothing clashes.
CHORDS = [("C3", "E4", "G4"), ("A2", "C4", "E4"), ("F2", "A3", "C4"), ("G2", "B3", "D4")]
MELODY = [
    "E5", "G5", "A5", "G5", "E5", "D5", "C5", "D5",
    "E5", "G5", "C6", "A5", "G5", "E5", "D5", "-",
    "C5", "D5", "E5", "G5", "A5", "G5", "E5", "D5",
    "E5", "D5", "C5", "A4", "G4", "A4", "C5", "-",
    "E5", "G5", "A5", "C6", "A5", "G5", "E5", "G5",
    "A5", "G5", "E5", "D5", "C5", "D5", "E5", "-",
    "G5", "-", "E5", "G5", "A5", "-", "G5", "E5",
    "D5", "E5", "G5", "E5", "D5", "C5", "A4", "-",
    "C5", "E5", "G5", "A5", "C6", "A5", "G5", "A5",
    "G5", "E5", "D5", "E5", "D5", "C5", "D5", "-",
    "E5", "G5", "A5", "G5", "E5", "D5", "C5", "D5",
    "C5", "-", "G4", "A4", "C5", "-", "-", "-",
]


def render():
    bars = len(MELODY) // 8
    length = bars * 8 * BEAT / 2 + 3.0  # eighth notes, then a tail
    total = int(length * RATE)
    left = [0.0] * total
    right = [0.0] * total

    def add(freq, start, duration, level, pan, bell):
        first = int(start * RATE)
        count = int(duration * RATE)
        for i in range(count):
            if first + i >= total:
                break
            t = i / RATE
            attack = min(1.0, t / 0.01)
            decay = math.exp(-t * (3.2 if bell else 0.9))
            release = min(1.0, (count - i) / (0.05 * RATE))
            env = attack * decay * release * level
            phase = 2 * math.pi * freq * t
            if bell:
                v = math.sin(phase) + 0.35 * math.sin(2 * phase) + 0.12 * math.sin(3.01 * phase)
            else:
                v = math.sin(phase) + 0.2 * math.sin(2 * phase + 0.3)
            left[first + i] += v * env * (1 - pan)
            right[first + i] += v * env * pan

    eighth = BEAT / 2
    for index, name in enumerate(MELODY):
        if name != "-":
            add(note(name), index * eighth, eighth * 3, 0.22, 0.4 + 0.2 * (index % 2), True)
    for bar in range(bars):
        for voice, name in enumerate(CHORDS[bar % len(CHORDS)]):
            add(note(name), bar * 8 * eighth, 8 * eighth + 0.3, 0.10, 0.3 + 0.2 * voice, False)
    # the closing chord rings out
    for voice, name in enumerate(("C3", "G3", "E4", "C5")):
        add(note(name), bars * 8 * eighth, 3.0, 0.12, 0.35 + 0.1 * voice, False)

    # a soft echo, crossed between the channels
    delay = int(0.375 * RATE)
    for i in range(delay, total):
        left[i] += 0.28 * right[i - delay]
        right[i] += 0.28 * left[i - delay]

    peak = max(max(abs(v) for v in left), max(abs(v) for v in right)) or 1.0
    scale = 0.8 * 32767 / peak
    fade = int(0.5 * RATE)
    frames = bytearray()
    for i in range(total):
        gain = scale * min(1.0, (total - i) / fade)
        frames += struct.pack("<hh", int(left[i] * gain), int(right[i] * gain))
    return bytes(frames)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: makejingle.py <output.wav>")
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(render())


if __name__ == "__main__":
    main()
