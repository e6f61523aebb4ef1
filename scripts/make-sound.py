#!/usr/bin/env python3
"""Writes the activity chime, resources/sound.wav: two soft bell tones rising a fourth.

Run from anywhere; the output is the same byte for byte on every run, so the committed
file can be regenerated and compared.
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050
LENGTH = 0.30  # seconds
PEAK = 0.45  # of full scale: heard over the desk, not startling
# (start in seconds, fundamental in hertz): E6 then the A6 above it
TONES = [(0.0, 1318.51), (0.09, 1760.00)]
DECAY = 18.0  # per second; the tone has faded well before the file ends
ATTACK = 0.004  # seconds; a hard start clicks
RELEASE = 0.03  # seconds of fade to silence at the very end


def bell(t: float, frequency: float) -> float:
    """A struck tone: the fundamental with two quieter partials that die away faster."""
    if t < 0.0:
        return 0.0
    attack = min(1.0, t / ATTACK)
    value = math.sin(2 * math.pi * frequency * t) * math.exp(-DECAY * t)
    value += 0.30 * math.sin(2 * math.pi * 2.0 * frequency * t) * math.exp(-2.5 * DECAY * t)
    value += 0.12 * math.sin(2 * math.pi * 3.0 * frequency * t) * math.exp(-4.0 * DECAY * t)
    return attack * value


def samples() -> list[float]:
    count = round(RATE * LENGTH)
    raw = []
    for i in range(count):
        t = i / RATE
        value = sum(bell(t - start, frequency) for start, frequency in TONES)
        remaining = (count - 1 - i) / RATE
        raw.append(value * min(1.0, remaining / RELEASE))
    loudest = max(abs(v) for v in raw)
    return [v * PEAK / loudest for v in raw]


def main() -> int:
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "resources" / "sound.wav"
    frames = b"".join(struct.pack("<h", round(v * 32767)) for v in samples())
    target.parent.mkdir(parents=True, exist_ok=True)
    with wave.open(str(target), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)
    print(f"{target}: {len(frames) // 2} samples at {RATE} Hz")
    return 0


if __name__ == "__main__":
    sys.exit(main())
