#!/usr/bin/env python3
"""Draws Torvane's application icon: a lighthouse beam over a night sea.

Writes torvane-64.png and torvane-256.png beside this script, with the
standard library only, the same bytes on every run."""
import math
import os
import struct
import zlib


def lerp(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def pixel(x, y, n):
    """The colour at (x, y) of an n x n icon, as RGBA."""
    u, v = (x + 0.5) / n, (y + 0.5) / n
    cx, cy, r = 0.5, 0.5, 0.47
    d = math.hypot(u - cx, v - cy)
    if d > r:
        return (0, 0, 0, 0)
    alpha = 255 if d < r - 1.0 / n else round(255 * (r - d) * n)
    horizon = 0.66
    if v < horizon:
        col = lerp((18, 24, 58), (58, 74, 120), v / horizon)
        # The beam: a soft wedge from the lamp towards the upper left.
        lamp = (0.62, 0.30)
        ang = math.atan2(v - lamp[1], u - lamp[0])
        off = (ang - math.radians(-172) + math.pi) % (2 * math.pi) - math.pi
        beam = math.exp(-(off / 0.12) ** 2) * (u < lamp[0])
        col = lerp(col, (255, 236, 170), min(1.0, beam * 0.85))
        if math.hypot(u - lamp[0], v - lamp[1]) < 0.045:
            col = (255, 244, 200)
    else:
        col = lerp((22, 44, 82), (8, 16, 36), (v - horizon) / (1 - horizon))
        # Moonlit ripples: short horizontal glints.
        if math.sin(v * 140) > 0.93 and math.sin(u * 23 + v * 57) > 0.2:
            col = lerp(col, (120, 150, 190), 0.55)
    # The tower: a tapering white column with a dark band, on the horizon.
    half = 0.05 + (v - 0.34) * 0.08
    if 0.36 <= v < horizon + 0.02 and abs(u - 0.62) < half:
        col = (230, 232, 236) if int((v - 0.36) / 0.075) % 2 == 0 else (176, 52, 52)
    if 0.33 <= v < 0.36 and abs(u - 0.62) < 0.06:
        col = (40, 40, 48)
    return col + (alpha,)


def png(n):
    rows = b"".join(b"\0" + bytes(c for x in range(n) for c in pixel(x, y, n)) for y in range(n))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


here = os.path.dirname(os.path.abspath(__file__))
for size in (64, 256):
    with open(os.path.join(here, f"torvane-{size}.png"), "wb") as out:
        out.write(png(size))
