#!/usr/bin/env python3
"""Decodes current-track journal files on their own, from the file format:
a start record <iiH (x, y, depth), then <hhH entries (steps and depth); a gap
is (32767, 32767), (-32768, -32768) and then its step, and a gap right after
the start ends in (1, 1), marking the start itself. Positions fold across
the 180-degree seam and clamp at latitude 79.9.

  journal_decode.py FILE...      one line per point: x y depth gap(0/1)

Files are read in order; the start of a later file is the absolute position
of its first point. A marker pair at the very end, or a partial entry, is
not a point.
"""

import struct
import sys

X_LIMIT = 20038300
CIRCUMFERENCE = 40076600
Y_LIMIT = 15433198


def fold(x):
    while x > X_LIMIT:
        x -= CIRCUMFERENCE
    while x < -X_LIMIT:
        x += CIRCUMFERENCE
    return x


def clamp(y):
    return max(-Y_LIMIT, min(Y_LIMIT, y))


def decode(data, points):
    if len(data) < 10:
        return
    x, y, depth = struct.unpack_from("<iiH", data, 0)
    if not (-X_LIMIT <= x <= X_LIMIT and -Y_LIMIT <= y <= Y_LIMIT):
        return
    entries = [struct.unpack_from("<hhH", data, at) for at in range(10, len(data) - 5, 6)]
    started = False
    i = 0
    while i < len(entries) or not started:
        if i >= len(entries):
            points.append((x, y, depth, 0))
            break
        ex, ey, ed = entries[i]
        gap = 0
        if (ex, ey) == (32767, 32767) and i + 1 < len(entries) and entries[i + 1][:2] == (-32768, -32768):
            if i + 2 >= len(entries):
                if not started:
                    points.append((x, y, depth, 0))
                break
            ex, ey, ed = entries[i + 2]
            gap = 1
            i += 3
            if not started and (ex, ey) == (1, 1):
                points.append((x, y, depth, 1))
                started = True
                continue
        else:
            i += 1
        if not started:
            points.append((x, y, depth, 0))
            started = True
        px, py = points[-1][0], points[-1][1]
        points.append((fold(px + ex), clamp(py + ey), ed, gap))


def main():
    points = []
    for name in sys.argv[1:]:
        with open(name, "rb") as f:
            decode(f.read(), points)
    for p in points:
        print(*p)


if __name__ == "__main__":
    main()
