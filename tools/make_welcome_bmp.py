#!/usr/bin/env python3
"""Draws the welcome picture: a blue-to-teal vertical gradient with a package and a
"V" mark above it. Writes a 100x200, 24 bits per pixel, uncompressed BMP.

Usage: make_welcome_bmp.py [output]   (default: src/resources/welcome.bmp)
"""

import os
import struct
import sys

WIDTH = 100
HEIGHT = 200
SAMPLES = 4  # per axis: 16 samples per pixel smooth the edges

TOP = (24, 52, 128)  # deep blue
BOTTOM = (22, 150, 146)  # teal

# Shapes in pixel coordinates (origin top left), painted in this order.
# The package, seen from slightly above: top face, left face, right face.
BOX_TOP = [(50, 96), (84, 112), (50, 128), (16, 112)]
BOX_LEFT = [(16, 112), (50, 128), (50, 172), (16, 156)]
BOX_RIGHT = [(50, 128), (84, 112), (84, 156), (50, 172)]
# The tape across the lid and over the edge of the right face.
TAPE_TOP = [(29, 106), (37, 102), (71, 118), (63, 122)]
TAPE_FRONT = [(63, 122), (71, 118), (71, 121), (63, 125)]
# The "V" mark floating above the package: two slanted bars meeting at the bottom.
V_LEFT = [(30, 34), (40, 34), (53, 74), (47, 82)]
V_RIGHT = [(60, 34), (70, 34), (53, 82), (47, 74)]
V_TIP = [(47, 74), (53, 74), (53, 82), (47, 82)]

SHAPES = [
    (BOX_LEFT, (236, 240, 246), 1.0),
    (BOX_RIGHT, (188, 200, 218), 1.0),
    (BOX_TOP, (255, 255, 255), 1.0),
    (TAPE_TOP, (22, 150, 146), 0.85),
    (TAPE_FRONT, (22, 150, 146), 0.85),
    (V_LEFT, (255, 255, 255), 1.0),
    (V_RIGHT, (255, 255, 255), 1.0),
    (V_TIP, (255, 255, 255), 1.0),
]


def Inside(polygon, x, y):
    """Even-odd rule: is the point inside the polygon?"""
    inside = False
    count = len(polygon)
    for i in range(count):
        x1, y1 = polygon[i]
        x2, y2 = polygon[(i + 1) % count]
        if (y1 > y) != (y2 > y):
            crossing = x1 + (y - y1) * (x2 - x1) / (y2 - y1)
            if x < crossing:
                inside = not inside
    return inside


def Coverage(polygon, px, py):
    """Share of the pixel (px, py) that the polygon covers, from SAMPLES^2 samples."""
    hits = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            if Inside(polygon, px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def Mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def Render():
    """Returns HEIGHT rows, top row first, each a list of (r, g, b) floats."""
    rows = []
    for y in range(HEIGHT):
        background = Mix(TOP, BOTTOM, y / (HEIGHT - 1))
        rows.append([background] * WIDTH)
    for polygon, colour, opacity in SHAPES:
        xs = [p[0] for p in polygon]
        ys = [p[1] for p in polygon]
        for y in range(max(0, int(min(ys)) - 1), min(HEIGHT, int(max(ys)) + 2)):
            for x in range(max(0, int(min(xs)) - 1), min(WIDTH, int(max(xs)) + 2)):
                cover = Coverage(polygon, x, y) * opacity
                if cover > 0:
                    rows[y][x] = Mix(rows[y][x], colour, cover)
    return rows


def EncodeBmp(rows):
    """Bottom-up BGR rows, each padded to a multiple of four bytes."""
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            pixels += bytes((round(b), round(g), round(r)))
        pixels += bytes(stride - WIDTH * 3)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, "..", "src", "resources", "welcome.bmp")
    target = sys.argv[1] if len(sys.argv) > 1 else default
    with open(target, "wb") as out:
        out.write(EncodeBmp(Render()))


if __name__ == "__main__":
    main()
