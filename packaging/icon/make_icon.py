#!/usr/bin/env python3
"""Draws the program icon and writes it in the two forms the program needs.

  vpo-analyzer.png  255 x 255, RGBA: the window icon (a Qt resource).
  vpo-analyzer.ico  the Windows icon: one image, 255 x 255
                    (the directory says 255), 24 bits per pixel, no palette,
                    a 1-bit mask; 204,040 bytes of image data (a 40-byte
                    BITMAPINFOHEADER with height 510, 255 rows of 768 bytes
                    of colour, 255 rows of 32 bytes of mask).

The picture: a chip (the instrument's embedded software) on a green rounded
square, with a pulse line across it. Only the Python 3 standard library.
Run: python3 packaging/icon/make_icon.py  (writes next to itself).
"""
import math
import os
import struct
import zlib

SIZE = 255
SAMPLES = 4  # per axis, for smooth edges

GREEN_DARK = (20, 110, 52)
GREEN_LIGHT = (46, 160, 80)
CHIP = (244, 248, 242)
PIN = (214, 232, 214)
PULSE = (22, 128, 58)


def rounded_rect(x, y, x0, y0, x1, y1, r):
    """True when (x, y) lies inside the rectangle with corners of radius r."""
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def near_polyline(x, y, points, half_width):
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        if (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2:
            return True
    return False


PULSE_LINE = [(78, 128), (104, 128), (116, 100), (132, 160), (146, 112), (154, 128), (178, 128)]
PINS = []
for i in range(5):
    c = 86 + i * 21
    PINS.append((52, c - 5, 72, c + 5))     # left
    PINS.append((183, c - 5, 203, c + 5))   # right
    PINS.append((c - 5, 52, c + 5, 72))     # top
    PINS.append((c - 5, 183, c + 5, 203))   # bottom


def sample(x, y):
    """Colour and coverage (RGB, alpha 0/1) at a point of the picture."""
    if not rounded_rect(x, y, 6, 6, 249, 249, 44):
        return (0, 0, 0), 0.0
    if near_polyline(x, y, PULSE_LINE, 6.0) and 70 <= x <= 186:
        return PULSE, 1.0
    if rounded_rect(x, y, 70, 70, 185, 185, 12):
        return CHIP, 1.0
    for x0, y0, x1, y1 in PINS:
        if rounded_rect(x, y, x0, y0, x1, y1, 3):
            return PIN, 1.0
    t = (x + y) / (2.0 * SIZE)  # a gentle diagonal gradient
    return tuple(round(a + (b - a) * t) for a, b in zip(GREEN_LIGHT, GREEN_DARK)), 1.0


def render():
    pixels = []
    n = SAMPLES * SAMPLES
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour, cover = sample(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    r += colour[0] * cover
                    g += colour[1] * cover
                    b += colour[2] * cover
                    a += cover
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in pixels)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_ico(path, pixels):
    colour_stride = (SIZE * 3 + 3) // 4 * 4   # 768
    mask_stride = ((SIZE + 31) // 32) * 4      # 32
    colour = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= 128:
                line += bytes((b, g, r))
            else:
                line += b"\x00\x00\x00"
                bits[x // 8] |= 0x80 >> (x % 8)  # 1: transparent
        line += bytes(colour_stride - len(line))
        colour += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 24, 0, len(colour), 0, 0, 0, 0)
    image = header + colour + mask
    assert len(image) == 204040, len(image)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pixels = render()
    write_png(os.path.join(here, "vpo-analyzer.png"), pixels)
    write_ico(os.path.join(here, "vpo-analyzer.ico"), pixels)


if __name__ == "__main__":
    main()
