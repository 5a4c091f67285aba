#!/usr/bin/env python3
"""Draws the images of the Sounds page's preview buttons: a loudspeaker in
colour (sounds on) and in grey (sounds off), 16x16, as 24-bit .bmp files.
The light grey background (192, 192, 192) becomes the button face colour
when the program loads them with LR_LOADMAP3DCOLORS."""
import struct
import sys
from pathlib import Path

SIZE = 16
FACE = (192, 192, 192)


def draw(body, waves):
    pixels = [[FACE] * SIZE for _ in range(SIZE)]
    for y in range(6, 10):  # the magnet
        for x in range(2, 5):
            pixels[y][x] = body
    for x in range(5, 9):  # the cone widens to the right
        spread = x - 4
        for y in range(6 - spread, 10 + spread):
            pixels[y][x] = body
    for radius in (2, 4):  # sound waves
        cx = 9
        for y in range(8 - radius, 8 + radius):
            dy = y + 0.5 - 8
            dx = int(round((radius * radius - dy * dy) ** 0.5))
            if 0 <= cx + dx + 1 < SIZE:
                pixels[y][cx + dx + 1] = waves
    return pixels


def bmp(pixels):
    row_size = (SIZE * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(row_size - len(line))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / 'settings' / 'res')
    (out / 'sound_off.bmp').write_bytes(bmp(draw((128, 128, 128), (160, 160, 160))))
    (out / 'sound_on.bmp').write_bytes(bmp(draw((20, 40, 120), (0, 120, 215))))


if __name__ == '__main__':
    main()
