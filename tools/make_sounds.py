#!/usr/bin/env python3
"""Synthesises the driver's key-click sounds and writes them as WAV files
(PCM, 22050 Hz, 16-bit, mono) into the folder given, driver/Media by default.

A projected keyboard gives no feel of a key going down, so a click must be
short (it is played synchronously after each keystroke) and its kind must be
told apart by ear: regular keys tick high and short, capital letters clack
lower and fuller, and the default sound, which the driver also uses for
modifier keys, is a soft double click. Each sound is a few decaying partials
over a short noise transient; the noise comes from a fixed seed, so the files
are the same on every run."""
import math
import struct
import sys
from pathlib import Path

RATE = 22050
PEAK = 0.8  # of full scale: clearly audible, never clipped


class Noise:
    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x3FFFFFFF - 1.0


def strike(length_ms, partials, noise_ms, seed, delay_ms=0.0, gain=1.0):
    """One strike: (frequency Hz, amplitude, decay ms) partials and a noise burst."""
    noise = Noise(seed)
    samples = [0.0] * int(RATE * length_ms / 1000)
    start = int(RATE * delay_ms / 1000)
    for n in range(start, len(samples)):
        t = (n - start) / RATE
        value = sum(a * math.exp(-t * 1000 / d) * math.sin(2 * math.pi * f * t) for f, a, d in partials)
        if t * 1000 < noise_ms:
            value += 0.6 * noise.next() * (1 - t * 1000 / noise_ms)
        samples[n] = gain * value
    return samples


def mix(*layers):
    length = max(len(layer) for layer in layers)
    return [sum(layer[n] for layer in layers if n < len(layer)) for n in range(length)]


def normalised(samples):
    top = max(abs(s) for s in samples) or 1.0
    fade = int(RATE * 0.002)  # no click of our own at the cut
    out = [s * PEAK / top for s in samples]
    for i in range(fade):
        out[-1 - i] *= i / fade
    return out


def wav(samples):
    data = b''.join(struct.pack('<h', int(round(s * 32767))) for s in samples)
    fmt = struct.pack('<HHIIHH', 1, 1, RATE, RATE * 2, 2, 16)
    return (b'RIFF' + struct.pack('<I', 4 + 8 + len(fmt) + 8 + len(data)) + b'WAVE' +
            b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)) + data)


# Regular keys: a single high, short tick.
def tick(frequency, length_ms, seed):
    return strike(length_ms, [(frequency, 1.0, 4.0), (frequency * 1.6, 0.5, 2.5)], 1.0, seed)


# Capital letters: lower and fuller, with a body that rings a little longer.
def clack(frequency, length_ms, seed):
    return strike(length_ms, [(frequency, 1.0, 9.0), (frequency * 2.3, 0.4, 5.0), (190, 0.5, 12.0)], 2.0, seed)


# Typewriter: a noisy strike with a metallic ring.
def typebar(frequency, ring_ms, length_ms, seed):
    return strike(length_ms, [(frequency, 0.7, ring_ms), (frequency * 2.7, 0.35, ring_ms / 2), (140, 0.6, 10.0)],
                  7.0, seed)


SOUNDS = {
    # The driver's own defaults: regular, and capital or modifier.
    'hwandsw.wav': lambda: tick(3200, 30, 1),
    'Default.wav': lambda: mix(strike(60, [(1500, 1.0, 5.0)], 1.5, 2),
                               strike(60, [(1500, 1.0, 5.0)], 1.5, 3, delay_ms=22, gain=0.7)),
    # The settings program's default regular sound.
    'start.wav': lambda: tick(2600, 35, 4),
    # Scheme 1: crisp keyboard clicks.
    'KeyClick1.wav': lambda: tick(4100, 25, 5),
    'KeyClick2.wav': lambda: clack(1900, 45, 6),
    # Scheme 2: soft keys.
    'Key1.wav': lambda: strike(40, [(2900, 0.8, 3.5), (1200, 0.6, 5.0)], 1.0, 7),
    'Key2.wav': lambda: clack(900, 55, 8),
    # Scheme 3: typewriter.
    'TypeWriter1.wav': lambda: typebar(4700, 8.0, 60, 9),
    'TypeWriter2.wav': lambda: typebar(1100, 20.0, 90, 10),
}


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / 'driver' / 'Media'
    folder.mkdir(parents=True, exist_ok=True)
    for name, make in SOUNDS.items():
        (folder / name).write_bytes(wav(normalised(make())))


if __name__ == '__main__':
    main()
