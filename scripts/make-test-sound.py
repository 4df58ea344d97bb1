#!/usr/bin/env python3
"""Writes the setup wizard's test sound: a short rising three-note chime (C5, E5, G5 and a
final C6) with soft bell partials, 16-bit mono PCM at 44100 Hz, the stream format of the voice
changer. Pure arithmetic, no randomness: the same script always writes the same bytes.

usage: make-test-sound.py OUT.wav
"""
import math
import struct
import sys
import wave

RATE = 44100
LENGTH_S = 1.6
PEAK = 0.6 * 32767

# (start in seconds, fundamental in Hz, loudness)
NOTES = [
    (0.00, 523.25, 1.00),
    (0.16, 659.26, 0.90),
    (0.32, 783.99, 0.85),
    (0.48, 1046.50, 0.80),
]
# Bell partials: (frequency ratio, relative level, decay per second)
PARTIALS = [(1.0, 1.0, 3.2), (2.0, 0.35, 5.0), (3.0, 0.12, 7.5), (4.2, 0.05, 10.0)]
ATTACK_S = 0.004
# The end fades out, so that a looped sound never clicks.
FADE_S = 0.12


def sample(t):
    value = 0.0
    for start, freq, loud in NOTES:
        dt = t - start
        if dt < 0:
            continue
        attack = min(1.0, dt / ATTACK_S)
        for ratio, level, decay in PARTIALS:
            value += (loud * level * attack * math.exp(-decay * dt) *
                      math.sin(2 * math.pi * freq * ratio * dt))
    return value


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    count = int(RATE * LENGTH_S)
    raw = [sample(i / RATE) for i in range(count)]
    scale = PEAK / max(abs(v) for v in raw)
    fade = int(RATE * FADE_S)
    frames = bytearray()
    for i, v in enumerate(raw):
        if i >= count - fade:
            v *= (count - i) / fade
        frames += struct.pack('<h', int(round(v * scale)))
    with wave.open(sys.argv[1], 'wb') as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))


if __name__ == '__main__':
    main()
