#!/usr/bin/env python3
"""Draws the shop demonstration's photos: 800 x 480 8-bit RGB PNG pictures of
a chart, a sonar history and the two side by side, made from simple shapes so
that they are ours and always the same.

  tools/gen_demo_photos.py OUTDIR     writes CHART.PNG, SONAR.PNG, SPLIT.PNG
"""

import math
import os
import struct
import sys
import zlib

W, H = 800, 480


def png_bytes(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    head = struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def blank(colour):
    return [bytearray(colour * W) for _ in range(H)]


def put(rows, x, y, colour):
    if 0 <= x < W and 0 <= y < H:
        rows[y][3 * x:3 * x + 3] = bytes(colour)


def disc(rows, cx, cy, r, colour):
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(rows, x, y, colour)


def coast(x, seed):
    """Height of a wavy shore line at column x."""
    return (math.sin(x / 53.0 + seed) * 40 + math.sin(x / 17.0 + 2 * seed) * 12 + math.sin(x / 131.0) * 60)


def draw_chart(rows, x0, x1):
    water, shallow, land, sand, grid, track = (40, 90, 170), (90, 150, 210), (120, 160, 80), (220, 200, 140), \
        (70, 110, 180), (230, 60, 40)
    for y in range(H):
        row = rows[y]
        for x in range(x0, x1):
            shore = 150 + coast(x, 0.7)
            depth = y - shore
            if depth < 0:
                c = land if depth < -8 else sand
            elif depth < 25:
                c = shallow
            else:
                c = water
            # Depth contours every 60 rows below the shore.
            if depth > 0 and int(depth) % 60 == 0:
                c = (200, 220, 255)
            if (x - x0) % 100 == 0 or y % 100 == 0:
                c = grid if depth >= 0 else c
            row[3 * x:3 * x + 3] = bytes(c)
    # A track across the water and the boat at its end.
    mid = (x0 + x1) // 2
    for t in range(0, 900):
        x = x0 + 40 + t * (x1 - x0 - 140) // 900
        y = 330 + int(math.sin(t / 120.0) * 30)
        for d in (-1, 0, 1):
            put(rows, x, y + d, track)
    bx, by = x0 + 40 + (x1 - x0 - 140), 330 + int(math.sin(899 / 120.0) * 30)
    for k in range(14):
        for d in range(-k // 2, k // 2 + 1):
            put(rows, bx + 14 - k, by + d, (250, 250, 250))
    # Waypoints.
    for wx, wy in ((mid - 120, 400), (mid + 60, 260), (x1 - 60, 420)):
        disc(rows, wx, wy, 6, (250, 210, 30))
        disc(rows, wx, wy, 2, (20, 20, 20))


def sonar_colour(v):
    """Palette from weak (blue) to strong (red) echoes."""
    stops = [(0.0, (10, 40, 110)), (0.3, (40, 140, 220)), (0.55, (60, 200, 90)), (0.75, (240, 220, 40)),
             (1.0, (230, 40, 30))]
    for (a, ca), (b, cb) in zip(stops, stops[1:]):
        if v <= b:
            f = (v - a) / (b - a)
            return tuple(int(ca[i] + (cb[i] - ca[i]) * f) for i in range(3))
    return stops[-1][1]


def draw_sonar(rows, x0, x1):
    for x in range(x0, x1):
        bottom = 330 + int(math.sin(x / 70.0) * 45 + math.sin(x / 23.0) * 8)
        for y in range(H):
            if y < 12:
                v = 0.8  # surface clutter
            elif y < bottom:
                v = 0.02 + 0.05 * ((x * 7 + y * 13) % 11) / 11
            else:
                v = max(0.0, 1.0 - (y - bottom) / 110.0)
            rows[y][3 * x:3 * x + 3] = bytes(sonar_colour(v))
        # Depth ticks along the right edge.
    for y in range(0, H, 60):
        for x in range(x1 - 20, x1):
            put(rows, x, y, (240, 240, 240))
    # Fish arches.
    for fx, fy in ((x0 + 90, 180), (x0 + 200, 240), (x0 + 260, 150), (x1 - 150, 210), (x1 - 90, 270)):
        for t in range(-14, 15):
            y = fy + (t * t) // 12
            for d in range(3):
                put(rows, fx + t, y + d, sonar_colour(0.85 + 0.01 * d))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    chart = blank((0, 0, 0))
    draw_chart(chart, 0, W)
    sonar = blank((0, 0, 0))
    draw_sonar(sonar, 0, W)
    split = blank((0, 0, 0))
    draw_chart(split, 0, W // 2)
    draw_sonar(split, W // 2, W)
    for y in range(H):
        split[y][3 * (W // 2 - 1):3 * (W // 2 + 1)] = bytes((255, 255, 255) * 2)
    for name, rows in (("CHART.PNG", chart), ("SONAR.PNG", sonar), ("SPLIT.PNG", split)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png_bytes(rows))


if __name__ == "__main__":
    main()
