#!/usr/bin/env python3
"""Draws the programs' icons (a projected keyboard: key caps on a light beam;
the settings program's with an amber dot) and writes them as 32-bit .ico
files with 16x16 and 32x32 images."""
import struct
import sys
from pathlib import Path


def draw(size, accent):
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    s = size / 32.0
    beam = (90, 170, 255, 255)
    for y in range(int(6 * s), int(26 * s)):
        for x in range(int(2 * s), int(30 * s)):
            pixels[y][x] = (30, 40, 70, 255)
    key = int(5 * s) or 1
    gap = max(1, int(1 * s))
    for row in range(3):
        for col in range(4):
            x0 = int(4 * s) + col * (key + gap + int(1 * s))
            y0 = int(8 * s) + row * (key + gap)
            for y in range(y0, min(y0 + key, size)):
                for x in range(x0, min(x0 + key, size)):
                    pixels[y][x] = beam
    if accent:
        r = int(5 * s)
        cx, cy = size - r - 1, size - r - 1
        for y in range(size):
            for x in range(size):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    pixels[y][x] = accent
    return pixels


def bitmap(pixels):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    data = bytearray()
    for row in reversed(pixels):
        for (r, g, b, a) in row:
            data += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    data += bytes(mask_row * size)
    return header + bytes(data)


def write_icon(path, accent):
    images = [bitmap(draw(n, accent)) for n in (16, 32)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, image in zip((16, 32), images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    Path(path).write_bytes(out + b''.join(images))


if __name__ == '__main__':
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else 'driver/service/res')
    folder.mkdir(parents=True, exist_ok=True)
    write_icon(folder / 'driver.ico', None)
    write_icon(folder / 'connected.ico', (60, 200, 80, 255))
    write_icon(folder / 'notconnected.ico', (200, 60, 60, 255))
    settings = Path(sys.argv[2] if len(sys.argv) > 2 else 'settings/res')
    settings.mkdir(parents=True, exist_ok=True)
    write_icon(settings / 'settings.ico', (240, 170, 40, 255))
