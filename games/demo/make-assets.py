#!/usr/bin/env python3
"""Builds the pictures, music and sound effects of the demo game "霧の灯台".

    python3 games/demo/make-assets.py

Every file is drawn or synthesised here with the standard library and written
next to this script.  Noise comes from seeded generators, so the output is the
same bytes on every run.
"""
import array
import math
import random
import struct
import sys
from pathlib import Path

OUT = Path(__file__).resolve().parent
W, H = 440, 280
RATE = 22050


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def hash01(x, y, seed=0):
    """Stable per-pixel noise in [0, 1]; independent of any library's generator."""
    h = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0


# ---------------------------------------------------------------- hama.bmp

HORIZON = 148
MOON_X, MOON_Y, MOON_R = 352.0, 52.0, 13.0
BAYER4 = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))

SKY_TOP = (13, 18, 30)
SKY_LOW = (62, 72, 87)
FOG = (124, 134, 146)
MOON = (234, 231, 214)
HALO = (150, 158, 166)
SEA_FAR = (50, 60, 74)
SEA_NEAR = (21, 29, 41)
WAVE = (112, 126, 138)
FOAM = (186, 190, 186)
WET_SAND = (62, 63, 66)
SAND_BACK = (112, 107, 97)
SAND_FRONT = (160, 150, 131)
LAND = (30, 36, 46)
TOWER = (18, 22, 29)

# A few deliberate wave crests: (row, thickness, brightness, phase)
WAVE_LINES = ((152, 1, 0.45, 0.3), (157, 1, 0.55, 2.1), (164, 1, 0.65, 4.0),
              (173, 2, 0.7, 1.2), (185, 2, 0.6, 5.3))


def shore_y(x):
    return 199 + 5 * math.sin(x / 53 + 0.7) + 2.5 * math.sin(x / 19 + 2.0)


def headland_top(x):
    """Row of the headland's ridge at column x (HORIZON where there is none)."""
    if x < 58:
        h = 27 - 7 * ((58 - x) / 58) ** 2
    else:
        t = (x - 58) / 128
        if t >= 1:
            return HORIZON
        h = 27 * (1 - t * t)
    h += (1.4 * math.sin(x / 5.3) + 0.8 * math.sin(x / 2.1 + 1)) * h / 27
    return HORIZON - h


def in_lighthouse(x, y):
    """Silhouette of the distant lighthouse standing on the headland."""
    cx = 60.5
    dx = abs(x + 0.5 - cx)
    if 92 <= y <= 122:  # tapered tower
        return dx <= 3.2 + (y - 92) / 30 * 1.8
    if 90 <= y < 92:  # gallery
        return dx <= 5.5
    if 83 <= y < 90:  # lantern room, its glass dark
        return dx <= 3.2
    if 78 <= y < 83:  # roof
        return dx <= (y - 78) / 5 * 4.2
    if 75 <= y < 78:  # vent spike
        return dx <= 0.5
    return False


ROCKS = ((34, 264, 26, 13), (70, 271, 11, 7), (402, 268, 16, 9))


def rock_light(x, y):
    """Moonlit shading of a rock half sunk in the sand, or None off the rocks."""
    for cx, cy, rx, ry in ROCKS:
        nx, ny = (x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry
        if ny <= 0.35 and nx * nx + ny * ny <= 1:
            nz = math.sqrt(max(0.0, 1 - nx * nx - ny * ny))
            return clamp(0.15 + 0.5 * nx - 0.55 * ny + 0.35 * nz - 0.3)
    return None


def rock_shadow(x, y):
    for cx, cy, rx, ry in ROCKS:
        nx, ny = (x + 0.5 - cx + rx * 0.35) / (rx * 1.15), (y + 0.5 - cy - ry * 0.35) / (ry * 0.45)
        if nx * nx + ny * ny <= 1:
            return 1 - 0.35 * (1 - nx * nx - ny * ny) ** 0.5
    return 1.0


def beach_pixel(x, y, shore, ridge, stars):
    fx, fy = x + 0.5, y + 0.5
    dm = math.hypot(fx - MOON_X, fy - MOON_Y)
    glow = 0.38 * math.exp(-max(0.0, dm - MOON_R) / 16) + 0.2 * math.exp(-max(0.0, dm - MOON_R) / 80)
    fog_col = mix(FOG, HALO, clamp(glow * 1.6))

    if y < HORIZON:
        t = (y / HORIZON) ** 1.3
        c = mix(SKY_TOP, SKY_LOW, t)
        s = stars.get((x, y))
        if s:
            c = mix(c, (200, 205, 210), s)
        c = mix(c, HALO, clamp(glow))
        if dm < MOON_R + 1:
            a = clamp((MOON_R + 0.8 - dm) / 1.6)
            # two soft darker patches so the moon reads as a moon, not a lamp
            shade = 1 - 0.07 * smoothstep(5.5, 2.0, math.hypot(fx - MOON_X + 4, fy - MOON_Y + 3)) \
                      - 0.06 * smoothstep(4.5, 1.5, math.hypot(fx - MOON_X - 3, fy - MOON_Y - 4))
            c = mix(c, (MOON[0] * shade, MOON[1] * shade, MOON[2] * shade), a)
        if y >= ridge or in_lighthouse(x, y):
            c = TOWER if in_lighthouse(x, y) else LAND
    elif y < shore:
        s = (y - HORIZON) / max(1.0, shore - HORIZON)
        c = mix(SEA_FAR, SEA_NEAR, s ** 0.6)
        # the headland's dim reflection
        if y - HORIZON < (HORIZON - ridge) * 0.45:
            c = mix(c, LAND, 0.55)
        moon_col = math.exp(-((fx - MOON_X) / (5 + 0.5 * (y - HORIZON))) ** 2)
        c = mix(c, WAVE, 0.3 * moon_col * (0.6 + 0.4 * math.sin(x * 0.9 + y * 2.3)))
        for row, thick, bright, phase in WAVE_LINES:
            if row <= y < row + thick:
                seg = (0.5 + 0.5 * math.sin(x / (9 + row - HORIZON) + phase)) * \
                      (0.5 + 0.5 * math.sin(x / (4 + 0.4 * (row - HORIZON)) + 2 * phase))
                a = smoothstep(0.25, 0.6, seg) * bright
                a = max(a, smoothstep(0.1, 0.5, seg) * moon_col * 0.9)
                c = mix(c, mix(WAVE, MOON, moon_col * 0.5), a)
        # shallow wash just before the shore, then the foam edge
        c = mix(c, (74, 84, 94), smoothstep(shore - 7, shore - 1, fy) * 0.7)
        foam = smoothstep(shore - 2.2, shore - 0.4, fy)
        broken = 0.55 + 0.45 * math.sin(x / 7.0 + 1.3 * math.sin(x / 23.0))
        c = mix(c, FOAM, foam * broken)
    else:
        d = fy - shore
        t = clamp((y - shore) / (H - shore))
        c = mix(SAND_BACK, SAND_FRONT, t ** 0.8)
        ripple = 0.035 * math.sin((y + 5 * math.sin(x / 41)) * 0.75) + 0.04 * math.sin(x / 61 + y / 23)
        c = (c[0] * (1 + ripple), c[1] * (1 + ripple), c[2] * (1 + ripple))
        c = mix(c, WET_SAND, (1 - smoothstep(0, 10, d)) * 0.85)
        moon_col = math.exp(-((fx - MOON_X) / 14) ** 2)
        c = mix(c, (150, 156, 160), moon_col * (1 - smoothstep(0, 9, d)) * 0.45)
        g = (hash01(x, y, 7) - 0.5) * 12 * (0.4 + 0.6 * t)
        c = (c[0] + g, c[1] + g, c[2] + g * 0.9)
        if hash01(x, y, 3) > 0.997:  # pebbles
            c = (c[0] * 0.78, c[1] * 0.78, c[2] * 0.8)
        sh = rock_shadow(x, y)
        c = (c[0] * sh, c[1] * sh, c[2] * sh)
        r = rock_light(x, y)
        if r is not None:
            c = mix((22, 24, 30), (126, 128, 132), r)
        # the key, a single warm glint in the sand
        kd = abs(x - 168) + abs(y - 241)
        if kd == 0:
            c = (238, 214, 150)
        elif kd == 1:
            c = mix(c, (210, 180, 110), 0.55)
        elif kd == 2 and (x == 168 or y == 241):
            c = mix(c, (200, 175, 115), 0.22)

    # fog: thick over the horizon, a few drifting bands, clear foreground
    f = 0.05 + 0.42 * math.exp(-((fy - HORIZON + 3) / 24) ** 2)
    b1 = 112 + 6 * math.sin(x / 71 + 1)
    f += 0.22 * (0.6 + 0.4 * math.sin(x / 53 + 2)) * math.exp(-((fy - b1) / 8) ** 2)
    b2 = 58 + 5 * math.sin(x / 90 + 4)
    f += 0.2 * (0.5 + 0.5 * math.sin(x / 37 + 0.5)) * math.exp(-((fy - b2) / 6) ** 2)
    b3 = 168 + 3 * math.sin(x / 60)
    f += 0.14 * (0.5 + 0.5 * math.sin(x / 45 + 3)) * math.exp(-((fy - b3) / 5) ** 2)
    f *= 1 - smoothstep(shore - 6, shore + 40, fy) * 0.9
    c = mix(c, fog_col, clamp(f))

    vig = 1 - 0.30 * (((fx - 230) / 270) ** 2 + ((fy - 140) / 210) ** 2)
    return (c[0] * vig, c[1] * vig, c[2] * vig)


def make_beach():
    rng = random.Random(1)
    stars = {}
    for _ in range(26):
        x, y = int(rng.random() * W), int(rng.random() * 95)
        if math.hypot(x - MOON_X, y - MOON_Y) > 45:
            stars[(x, y)] = 0.15 + 0.35 * rng.random()
    shores = [shore_y(x) for x in range(W)]
    ridges = [headland_top(x) for x in range(W)]
    rows = []
    for y in reversed(range(H)):  # bottom-up
        row = bytearray()
        bay = BAYER4[y & 3]
        for x in range(W):
            r, g, b = beach_pixel(x, y, shores[x], ridges[x], stars)
            d = bay[x & 3] / 16 - 0.47
            row += bytes((int(clamp(b + d, 0, 255)), int(clamp(g + d, 0, 255)), int(clamp(r + d, 0, 255))))
        rows.append(bytes(row))  # 440 * 3 is a multiple of 4: no padding
    bits = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(bits), 2834, 2834, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(bits), 0, 0, 54) + info + bits


# ---------------------------------------------------------------- kagi.ico

KEY_PALETTE = [
    (0, 0, 0),        # 0 transparent (masked)
    (44, 26, 10),     # 1 outline
    (92, 58, 22),     # 2 brass, deepest shade
    (130, 86, 32),
    (168, 120, 44),
    (200, 156, 64),
    (224, 190, 102),
    (244, 226, 166),
    (255, 250, 228),  # 8 glint
    (70, 100, 82),    # 9 verdigris
    (104, 136, 108),  # 10 verdigris, lit
] + [(0, 0, 0)] * 5

S2 = math.sqrt(0.5)
LIGHT = (-0.55, -0.65, 0.55)
_ln = math.sqrt(sum(v * v for v in LIGHT))
LIGHT = tuple(v / _ln for v in LIGHT)


def key_part(px, py):
    """(normal, part) of the key at a point in icon pixels, or None outside."""
    dx, dy = px - 16.0, py - 16.0
    u = dx * S2 + dy * S2          # along the key, bow -> tip
    v = -dx * S2 + dy * S2         # across it, towards the bit
    nx, ny = -S2, S2               # screen direction of +v
    # collar between bow and shaft
    if -2.4 <= u <= -0.6 and abs(v) <= 2.6:
        t = v / 2.6
        return (t * nx, t * ny, math.sqrt(1 - t * t)), "collar"
    # shaft with a rounded tip
    if -3 <= u <= 13.3 and abs(v) <= 1.55 or math.hypot(u - 13.3, v) <= 1.55:
        t = clamp(v / 1.55, -1, 1)
        return (t * nx, t * ny, math.sqrt(1 - t * t)), "shaft"
    # bow: a ring
    ru, rv = u + 8.6, v
    rho = math.hypot(ru, rv)
    if 3.1 <= rho <= 7.0:
        s = clamp((rho - 5.05) / 1.95, -1, 1)
        rx = (ru * S2 - rv * S2) / rho   # radial direction back in screen space
        ry = (ru * S2 + rv * S2) / rho
        return (s * rx, s * ry, math.sqrt(1 - s * s)), "bow"
    # bit with one notch
    if 7.2 <= u <= 12.8 and 1.4 <= v <= 6.6 and not (9.2 <= u <= 10.9 and v >= 4.0):
        return (0.0, 0.0, 1.0), "bit"
    return None


def make_key_icon():
    size = 32
    fill = [[False] * size for _ in range(size)]
    parts = {}
    for y in range(size):
        for x in range(size):
            hits = 0
            for sy in range(4):
                for sx in range(4):
                    if key_part(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4):
                        hits += 1
            if hits >= 8:
                fill[y][x] = True
                parts[(x, y)] = key_part(x + 0.5, y + 0.5) or ((0.0, 0.0, 1.0), "bit")

    def inside(x, y):
        return 0 <= x < size and 0 <= y < size and fill[y][x]

    index = [[0] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if inside(x, y):
                (nx, ny, nz), part = parts[(x, y)]
                diffuse = max(0.0, nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2])
                b = 0.12 + 0.72 * diffuse + 0.45 * diffuse ** 14
                # bevel on the edges of flat pieces
                if not inside(x - 1, y) or not inside(x, y - 1):
                    b += 0.16
                if not inside(x + 1, y) or not inside(x, y + 1):
                    b -= 0.2
                level = 2 + int(round(clamp(b) * 6))
                # old brass: verdigris settles in the darker hollows
                if level <= 4 and part in ("bow", "bit") and \
                        math.sin(x * 1.3 + y * 0.7) + math.sin(x * 0.45 - y * 1.1) > 1.05:
                    level = 9 if level <= 3 else 10
                index[y][x] = level
            elif any(inside(x + ox, y + oy) for ox in (-1, 0, 1) for oy in (-1, 0, 1)):
                index[y][x] = 1
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up
        xor_rows.append(bytes((index[y][i] << 4) | index[y][i + 1] for i in range(0, size, 2)))
        mask = 0
        for x in range(size):
            mask = (mask << 1) | (0 if index[y][x] else 1)
        and_rows.append(mask.to_bytes(4, "big"))
    xor_bits, and_bits = b"".join(xor_rows), b"".join(and_rows)
    image = (struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor_bits) + len(and_bits), 0, 0, 16, 0)
             + b"".join(bytes((b, g, r, 0)) for r, g, b in KEY_PALETTE)
             + xor_bits + and_bits)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    return directory + image


# ---------------------------------------------------------------- metafiles


class Objects:
    """Slot table shared by both metafile kinds: a new object takes the lowest free slot."""

    def __init__(self, first):
        self.first, self.used, self.peak = first, set(), 0

    def take(self):
        i = self.first
        while i in self.used:
            i += 1
        self.used.add(i)
        self.peak = max(self.peak, i - self.first + 1)
        return i

    def give(self, i):
        self.used.discard(i)


class Painter:
    """Pen/brush bookkeeping: select the new object, then delete the old one."""

    def __init__(self, first_slot):
        self.objects = Objects(first_slot)
        self.current = {"pen": None, "brush": None}

    def _use(self, kind, key):
        old = self.current[kind]
        if old and old[0] == key:
            return
        slot = self.objects.take()
        (self.create_pen if kind == "pen" else self.create_brush)(slot, *key)
        self.select(slot)
        if old:
            self.delete(old[1])
            self.objects.give(old[1])
        self.current[kind] = (key, slot)

    def fill(self, color):
        self._use("pen", (0, 1, color))
        self._use("brush", (0, color))

    def line(self, color, width=1):
        self._use("pen", (0, width, color))
        self._use("brush", (1, (0, 0, 0)))

    def fill_outlined(self, color, edge, width=1):
        self._use("pen", (0, width, edge))
        self._use("brush", (0, color))

    def finish(self):
        for kind in ("pen", "brush"):
            if self.current[kind]:
                self.delete(self.current[kind][1])
                self.objects.give(self.current[kind][1])
                self.current[kind] = None


def colorref(c):
    return struct.pack("<BBBB", int(c[0]), int(c[1]), int(c[2]), 0)


class Wmf(Painter):
    def __init__(self):
        super().__init__(0)
        self.records = []

    def rec(self, function, payload=b""):
        self.records.append(struct.pack("<IH", 3 + len(payload) // 2, function) + payload)

    def words(self, function, *params):
        self.rec(function, b"".join(struct.pack("<h", p) for p in params))

    def create_pen(self, slot, style, width, color):
        self.rec(0x02FA, struct.pack("<Hhh", style, width, 0) + colorref(color))

    def create_brush(self, slot, style, color):
        self.rec(0x02FC, struct.pack("<H", style) + colorref(color) + struct.pack("<H", 0))

    def select(self, slot):
        self.words(0x012D, slot)

    def delete(self, slot):
        self.words(0x01F0, slot)

    def rect(self, l, t, r, b):
        self.words(0x041B, b, r, t, l)

    def round_rect(self, l, t, r, b, w, h):
        self.words(0x061C, h, w, b, r, t, l)

    def ellipse(self, l, t, r, b):
        self.words(0x0418, b, r, t, l)

    def polygon(self, pts):
        self.words(0x0324, len(pts), *[int(round(v)) for p in pts for v in p])

    def polyline(self, pts):
        self.words(0x0325, len(pts), *[int(round(v)) for p in pts for v in p])

    def data(self):
        self.finish()
        self.rec(0x0000)  # META_EOF
        body = b"".join(self.records)
        max_record = max(len(r) // 2 for r in self.records)
        header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, self.objects.peak, max_record, 0)
        placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, W, H, 96, 0)
        checksum = 0
        for (word,) in struct.iter_unpack("<H", placeable):
            checksum ^= word
        return placeable + struct.pack("<H", checksum) + header + body


class Emf(Painter):
    def __init__(self):
        super().__init__(1)
        self.records = []

    def rec(self, kind, payload=b""):
        self.records.append(struct.pack("<II", kind, 8 + len(payload)) + payload)

    def create_pen(self, slot, style, width, color):
        self.rec(38, struct.pack("<IIii", slot, style, width, 0) + colorref(color))

    def create_brush(self, slot, style, color):
        self.rec(39, struct.pack("<II", slot, style) + colorref(color) + struct.pack("<I", 0))

    def select(self, slot):
        self.rec(37, struct.pack("<I", slot))

    def delete(self, slot):
        self.rec(40, struct.pack("<I", slot))

    def rect(self, l, t, r, b):
        self.rec(43, struct.pack("<iiii", l, t, r, b))

    def ellipse(self, l, t, r, b):
        self.rec(42, struct.pack("<iiii", int(round(l)), int(round(t)), int(round(r)), int(round(b))))

    def _poly16(self, kind, pts):
        pts = [(int(round(x)), int(round(y))) for x, y in pts]
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.rec(kind, struct.pack("<iiiiI", min(xs), min(ys), max(xs), max(ys), len(pts))
                 + b"".join(struct.pack("<hh", *p) for p in pts))

    def polygon(self, pts):
        self._poly16(86, pts)

    def polyline(self, pts):
        self._poly16(87, pts)

    def data(self):
        self.finish()
        self.rec(14, struct.pack("<III", 0, 16, 20))  # EMR_EOF
        body = b"".join(self.records)
        header_size = 88
        frame_r, frame_b = round(W * 2540 / 96), round(H * 2540 / 96)
        header = struct.pack(
            "<II4i4iIIIIHHIII2i2i",
            1, header_size,
            0, 0, W - 1, H - 1,
            0, 0, frame_r, frame_b,
            0x464D4520, 0x10000,
            header_size + len(body), len(self.records) + 1,
            self.objects.peak + 1, 0,
            0, 0, 0,
            1024, 768, 270, 203)
        assert len(header) == header_size
        return header + body


def arch(cx, spring, radius, bottom, steps=14):
    """Outline of an upright arch: two jambs and a semicircular head."""
    pts = [(cx - radius, bottom)]
    for i in range(steps + 1):
        a = math.pi * i / steps
        pts.append((cx - radius * math.cos(a), spring - radius * math.sin(a)))
    pts.append((cx + radius, bottom))
    return pts


def arch_top(cx, spring, radius, x):
    d = x - cx
    return spring - math.sqrt(max(0.0, radius * radius - d * d))


def make_door():
    rng = random.Random(2)
    m = Wmf()
    m.words(0x0103, 8)          # MM_ANISOTROPIC
    m.words(0x020B, 0, 0)       # window origin (y, x)
    m.words(0x020C, H, W)       # window extent (height, width)
    m.words(0x0102, 1)          # TRANSPARENT

    # night sky, banded
    top, low = (14, 19, 32), (70, 80, 96)
    for i in range(24):
        y0 = i * 10
        m.fill(mix(top, low, (i / 23) ** 1.2))
        m.rect(0, y0, W, y0 + 11)
    for _ in range(14):
        x, y = int(rng.random() * W), int(rng.random() * 110)
        if 100 < x < 340:
            continue
        m.fill((120, 128, 140))
        m.rect(x, y, x + 2, y + 2)
    # fog drifting behind the tower
    banks = ((-60, 118, 190, 20, (66, 76, 92)), (260, 110, 520, 18, (64, 74, 90)),
             (-40, 150, 260, 26, (80, 90, 104)), (200, 158, 500, 24, (84, 94, 108)),
             (-80, 190, 200, 30, (94, 104, 116)), (160, 196, 520, 28, (98, 108, 120)),
             (-40, 214, 480, 30, (106, 114, 124)))
    for x0, y, x1, h, c in banks:
        m.fill(c)
        m.round_rect(x0, y, x1, y + h, 2 * h, h)
    # the lowest fog lies flat on the ground, so nothing shows between it and the grass
    m.fill((106, 114, 124))
    m.rect(0, 228, W, 262)

    # the tower's base, slightly tapering, with a moonlit right edge
    ground = 236

    def tower_half(y):
        return 106 + 14 * y / ground

    m.fill((120, 126, 138))  # mortar
    m.polygon([(220 - tower_half(0), 0), (220 + tower_half(0), 0),
               (220 + tower_half(ground), ground), (220 - tower_half(ground), ground)])
    tones = [(150, 156, 168), (166, 172, 182), (180, 185, 193), (192, 196, 202)]
    row_h = 17
    for r, y0 in enumerate(range(0, ground, row_h)):
        y1 = min(y0 + row_h, ground)
        left = 220 - tower_half(y0) + 2
        right = 220 + tower_half(y0) - 2
        x = left - (rng.random() * 26 if r % 2 else 0)
        while x < right:
            w = 30 + int(rng.random() * 22)
            x0, x1 = max(x, left), min(x + w, right)
            if x1 - x0 > 5:
                # curvature of the tower: stones darken towards its left edge
                pos = (0.5 * (x0 + x1) - left) / (right - left)
                shade = min(3, max(0, int(pos * 3.2 + rng.random() * 1.2 - 0.3)))
                m.fill(tones[shade])
                m.rect(int(x0), y0 + 1, int(x1) - 2, y1 - 1)
            x += w
    m.fill((206, 210, 214))
    m.polygon([(220 + tower_half(0) - 5, 0), (220 + tower_half(0), 0),
               (220 + tower_half(ground), ground), (220 + tower_half(ground) - 6, ground)])
    m.fill((74, 80, 94))
    m.polygon([(220 - tower_half(0), 0), (220 - tower_half(0) + 7, 0),
               (220 - tower_half(ground) + 8, ground), (220 - tower_half(ground), ground)])

    # small window above the door
    m.fill((112, 118, 130))
    m.round_rect(202, 24, 238, 80, 36, 36)
    m.fill((26, 32, 46))
    m.round_rect(208, 30, 232, 74, 24, 24)
    m.line((96, 100, 112), 2)
    m.polyline([(220, 31), (220, 73)])
    m.polyline([(209, 50), (231, 50)])
    m.line((70, 80, 100))
    m.polyline([(213, 66), (226, 36)])

    # stone arch around the door, with its voussoirs
    cx, spring, bottom = 220, 158, ground
    m.fill((126, 130, 140))
    m.polygon(arch(cx, spring, 50, bottom))
    m.line((96, 100, 112))
    for i in range(1, 9):
        a = math.pi * i / 9
        m.polyline([(cx - 40 * math.cos(a), spring - 40 * math.sin(a)),
                    (cx - 50 * math.cos(a), spring - 50 * math.sin(a))])
    m.fill((36, 30, 30))
    m.polygon(arch(cx, spring, 40, bottom))

    # the wooden door itself
    wood, grain, strap = (98, 64, 38), (62, 40, 24), (42, 42, 48)
    m.fill(wood)
    m.polygon(arch(cx, spring, 36, bottom - 2))
    m.line(grain, 2)
    for px in range(cx - 24, cx + 25, 12):
        m.polyline([(px, arch_top(cx, spring, 36, px) + 3), (px, bottom - 3)])
    m.line((120, 82, 50))
    for px in range(cx - 22, cx + 27, 12):
        m.polyline([(px, arch_top(cx, spring, 36, px) + 5), (px, bottom - 4)])
    for y in (146, 212):
        half = 36 if y >= spring else math.sqrt(36 * 36 - (spring - y) ** 2)
        m.fill(strap)
        m.round_rect(int(cx - half + 3), y, int(cx + half - 3), y + 7, 4, 4)
        m.fill((96, 98, 106))
        for rx in (cx - half + 8, cx - 6, cx + half - 12):
            m.ellipse(int(rx), y + 2, int(rx) + 4, y + 6)
    # lock plate, keyhole and a ring pull
    m.fill_outlined((132, 104, 56), (70, 54, 30))
    m.round_rect(234, 170, 248, 196, 5, 5)
    m.fill((10, 8, 8))
    m.ellipse(238, 176, 245, 183)
    m.polygon([(240, 181), (243, 181), (245, 191), (238, 191)])
    m.line((60, 60, 66), 2)
    m.ellipse(226, 182, 236, 194)

    # stone step
    m.fill((110, 114, 124))
    m.rect(160, ground - 2, 280, ground + 8)
    m.fill((88, 92, 102))
    m.rect(150, ground + 8, 290, ground + 16)

    # grass, tufts and rocks at the foot of the tower
    m.fill((36, 48, 42))
    pts = [(0, H)]
    for x in range(0, W + 1, 20):
        pts.append((x, ground + 2 + 5 * math.sin(x / 37) + (8 if x < 140 or x > 300 else 14)))
    pts.append((W, H))
    m.polygon(pts)
    m.fill((28, 38, 34))
    m.polygon([(0, H), (0, 262), (120, 268), (220, 272), (330, 266), (W, 260), (W, H)])
    for rx, ry, rw, rh in ((40, 238, 54, 26), (342, 246, 40, 18), (372, 232, 30, 16), (92, 256, 24, 12)):
        m.fill((70, 74, 84))
        m.ellipse(rx, ry, rx + rw, ry + rh)
        m.line((110, 116, 126))
        m.polyline([(rx + rw * 0.2, ry + rh * 0.35), (rx + rw * 0.45, ry + 2), (rx + rw * 0.75, ry + rh * 0.25)])
    tufts = (60, 80, 64)
    for _ in range(40):
        x = rng.random() * W
        if 150 < x < 290:
            continue
        y = 250 + rng.random() * 26
        m.line(tufts if rng.random() < 0.6 else (46, 62, 50))
        h = 6 + rng.random() * 8
        m.polyline([(x - 4, y - h * 0.7), (x, y), (x + 1, y - h), (x + 1.5, y), (x + 5, y - h * 0.6)])
    return m.data()


def make_interior():
    rng = random.Random(3)
    e = Emf()
    e.rec(18, struct.pack("<I", 1))  # EMR_SETBKMODE TRANSPARENT

    # curved stone wall: lit in the middle, falling into shadow at the sides
    centre, edge = (92, 68, 46), (24, 18, 16)
    strips = 40
    for i in range(strips):
        x0, x1 = i * W // strips, (i + 1) * W // strips
        t = abs((x0 + x1) / 2 - 220) / 220
        e.fill(mix(centre, edge, t ** 1.5))
        e.rect(x0, 0, x1 + 1, H)
    # stone courses bend with the wall
    for y0 in range(14, 250, 22):
        e.line((50, 36, 28))
        e.polyline([(x, y0 - 10 * (1 - ((x - 220) / 260) ** 2)) for x in range(0, W + 1, 40)])

    # window in the right wall with fog outside
    wx, wspring, wr, wbottom = 376, 132, 24, 198
    e.fill((40, 30, 24))
    e.polygon(arch(wx, wspring, wr + 8, wbottom + 8))
    fog_top, fog_low = (108, 120, 134), (150, 158, 166)
    band = 6
    for y0 in range(wspring - wr, wbottom, band):
        y1 = min(y0 + band, wbottom)
        pts = []
        for y in (y0, y1):
            half = wr if y >= wspring else math.sqrt(max(0.0, wr * wr - (wspring - y) ** 2))
            pts.append((y, half))
        e.fill(mix(fog_top, fog_low, (y0 - (wspring - wr)) / (wbottom - wspring + wr)))
        (ya, ha), (yb, hb) = pts
        e.polygon([(wx - ha, ya), (wx + ha, ya), (wx + hb, yb + 1), (wx - hb, yb + 1)])
    e.fill((164, 170, 176))
    e.ellipse(wx - 20, 150, wx + 6, 158)
    e.ellipse(wx - 6, 172, wx + 22, 180)
    e.line((36, 28, 22), 3)
    e.polyline([(wx, wspring - wr + 1), (wx, wbottom)])
    e.polyline([(wx - wr, 160), (wx + wr, 160)])

    # floor
    e.fill((46, 32, 22))
    e.polygon([(0, 246), (W, 246), (W, H), (0, H)])
    e.line((30, 20, 14))
    for x in range(-200, W + 200, 44):
        e.polyline([(220 + (x - 220) * 0.45, 246), (x, H)])
    # the window's pale light falling across the boards
    e.fill((62, 54, 46))
    e.polygon([(wx - 40, 250), (wx + 8, 250), (wx - 30, 279), (wx - 104, 279)])

    # spiral staircase around a central column
    cx, R, squash, rise, turns = 220.0, 118.0, 22.0, 150.0, 1.75
    base_y, steps = 252.0, 28
    sweep = turns * 2 * math.pi

    def at(theta, radius, height):
        return (cx + radius * math.sin(theta), base_y - height + squash * math.cos(theta) * radius / R)

    def step_parts(i):
        th0, th1 = sweep * i / steps, sweep * (i + 1) / steps
        h0, h1 = rise * i / steps, rise * (i + 1) / steps
        tread = [at(th0, 10, h1), at(th0, R, h1), at(th1, R, h1), at(th1, 10, h1)]
        riser = [at(th0, 10, h0), at(th0, R, h0), at(th0, R, h1), at(th0, 10, h1)]
        return th0, tread, riser

    def rail_line(front, lift, color, width):
        seg = []
        for i in range(8 * steps + 1):
            th = sweep * i / (8 * steps)
            if (math.cos(th) > 0) == front:
                seg.append(at(th, R, rise * th / sweep + lift))
            else:
                if len(seg) > 1:
                    e.line(color, width)
                    e.polyline(seg)
                seg = []
        if len(seg) > 1:
            e.line(color, width)
            e.polyline(seg)

    def stairs(front):
        # nearest steps last, so they cover the ones behind them
        order = sorted(range(steps), key=lambda i: math.cos(sweep * (i + 0.5) / steps))
        light = 1.0 if front else 0.55
        for i in order:
            th0, tread, riser = step_parts(i)
            if (math.cos(sweep * (i + 0.5) / steps) > 0) != front:
                continue
            side = 0.75 + 0.25 * math.sin(th0)  # the lit side of the room is on the right
            e.fill(tuple(v * light * side for v in (92, 66, 44)))
            e.polygon(riser)
            e.fill_outlined(tuple(v * light * side for v in (150, 112, 72)),
                            tuple(v * light for v in (60, 42, 28)))
            e.polygon(tread)
        rail = (178, 138, 86) if front else (92, 70, 48)
        for i in range(steps):
            th = sweep * (i + 0.5) / steps
            if (math.cos(th) > 0) == front:
                h = rise * (i + 1) / steps
                e.line(rail, 1)
                e.polyline([at(th, R - 3, h), at(th, R - 3, h + 24)])
        rail_line(front, 26, rail, 2)

    stairs(False)
    for x0, x1, c in ((208, 214, (44, 32, 24)), (214, 226, (78, 58, 40)), (226, 232, (52, 38, 28))):
        e.fill(c)
        e.rect(x0, 100, x1, 262)
    stairs(True)

    # the lantern gallery and the great lens
    e.fill((34, 26, 20))
    e.polygon([(60, 104), (380, 104), (352, 116), (88, 116)])
    e.line((120, 92, 60), 2)
    e.polyline([(60, 104), (380, 104)])
    for x in range(72, 372, 16):
        e.polyline([(x, 104), (x, 88)])
    e.polyline([(64, 88), (376, 88)])
    e.fill((58, 44, 30))
    e.polygon([(196, 104), (244, 104), (236, 92), (204, 92)])
    lcx, lcy = 220, 50
    e.fill_outlined((118, 88, 44), (70, 50, 26), 2)  # brass frame
    e.ellipse(lcx - 47, lcy - 47, lcx + 47, lcy + 47)
    # glass rings of the lens, each a shade brighter towards the bull's-eye
    glass_edge, glass_mid = (96, 100, 96), (196, 182, 142)
    for k, r in enumerate((42, 36, 30, 24, 18, 12, 6)):
        t = k / 6
        e.fill_outlined(mix(glass_edge, glass_mid, t), mix((70, 72, 70), (150, 136, 100), t))
        e.ellipse(lcx - r, lcy - r, lcx + r, lcy + r)
    e.line((96, 76, 44), 2)
    e.polyline([(lcx - 46, lcy), (lcx + 46, lcy)])
    e.polyline([(lcx, lcy - 46), (lcx, lcy - 44)])
    e.line((226, 214, 176))
    e.polyline([(lcx - 30, lcy - 22), (lcx - 18, lcy - 32)])
    e.polyline([(lcx - 38, lcy - 8), (lcx - 34, lcy - 20)])
    # dust motes in the dim air
    for _ in range(18):
        x, y = 40 + rng.random() * 360, 20 + rng.random() * 200
        e.fill((120, 96, 70))
        e.ellipse(int(x), int(y), int(x) + 2, int(y) + 2)
    return e.data()


# ---------------------------------------------------------------- umi.mid

TPQ = 480
BAR = TPQ * 3  # 3/4


def vlq(n):
    assert n >= 0
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def mtrk(events, end):
    events.sort(key=lambda e: (e[0], e[1]))
    data, now = bytearray(), 0
    for tick, _, msg in events:
        data += vlq(tick - now) + msg
        now = tick
    data += vlq(end - now) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def meta_name(name):
    text = name.encode("ascii")
    return b"\xFF\x03" + vlq(len(text)) + text


CHORDS = "Am F C G Am F Dm E F G Em Am Dm Am F Esus".split()
VOICING = {  # pad voicings kept close so the harmony glides
    "Am": (57, 60, 64), "F": (57, 60, 65), "C": (55, 60, 64), "G": (55, 59, 62),
    "Dm": (57, 62, 65), "E": (56, 59, 64), "Em": (55, 59, 64), "Esus": (57, 59, 64),
}
ROOT = {"Am": 45, "F": 41, "C": 48, "G": 43, "Dm": 38, "E": 40, "Em": 40, "Esus": 40}
# melody in eighths: (note or None, length); six eighths per bar
MELODY = [
    [(69, 2), (72, 2), (76, 2)],
    [(74, 4), (72, 2)],
    [(76, 3), (74, 1), (72, 2)],
    [(74, 6)],
    [(69, 2), (72, 2), (76, 2)],
    [(79, 4), (76, 2)],
    [(77, 2), (76, 2), (74, 2)],
    [(71, 4), (None, 2)],
    [(81, 4), (79, 2)],
    [(79, 3), (76, 1), (74, 2)],
    [(76, 4), (74, 1), (71, 1)],
    [(72, 6)],
    [(74, 2), (77, 2), (81, 2)],
    [(79, 3), (76, 1), (72, 2)],
    [(74, 4), (72, 2)],
    [(71, 4), (68, 2)],  # G sharp leads back into the opening A
]


def make_theme():
    eighth = TPQ // 2
    end = BAR * len(CHORDS)
    tempo = 750000  # 80 per minute
    conductor = [
        (0, 0, meta_name("Kiri no Toudai - Umi")),
        (0, 0, b"\xFF\x51\x03" + tempo.to_bytes(3, "big")),
        (0, 0, b"\xFF\x58\x04\x03\x02\x18\x08"),
        (0, 0, b"\xFF\x59\x02\x00\x01"),  # A minor
    ]

    def setup(ch, program, volume, pan, reverb, name):
        return [(0, 0, meta_name(name)),
                (0, 1, bytes((0xC0 | ch, program))),
                (0, 1, bytes((0xB0 | ch, 7, volume))),
                (0, 1, bytes((0xB0 | ch, 10, pan))),
                (0, 1, bytes((0xB0 | ch, 91, reverb))),
                (0, 1, bytes((0xB0 | ch, 93, 20)))]

    def note(events, ch, key, start, length, vel):
        events.append((start, 2, bytes((0x90 | ch, key, vel))))
        events.append((min(start + length, end), 0, bytes((0x80 | ch, key, 0))))

    pad = setup(0, 89, 88, 54, 80, "Pad")
    bass = setup(1, 48, 72, 64, 70, "Strings")
    harp = setup(2, 46, 76, 80, 70, "Harp")
    flute = setup(3, 73, 100, 58, 76, "Flute")
    for bar, chord in enumerate(CHORDS):
        t = bar * BAR
        if chord == "Esus":  # suspension resolves halfway through the last bar
            for k in VOICING["Esus"]:
                note(pad, 0, k, t, BAR // 2, 46)
            for k in VOICING["E"]:
                note(pad, 0, k, t + BAR // 2, BAR // 2, 46)
        else:
            for k in VOICING[chord]:
                note(pad, 0, k, t, BAR, 46)
        note(bass, 1, ROOT[chord], t, BAR, 50)
        r = ROOT[chord] + 12
        third = r + (4 if chord in ("F", "C", "G", "E") else 3)
        arp = [r, r + 7, third + 12, r + 19, third + 12, r + 7]
        if chord == "Esus":  # the fourth falls to G sharp along with the pad
            arp = [r, r + 7, r + 17, r + 19, r + 16, r + 7]
        for i, k in enumerate(arp):
            note(harp, 2, k, t + i * eighth, eighth * 2, 38 if i else 44)
        pos = t
        lift = 8 if 8 <= bar < 14 else 0  # the middle phrases sing a little louder
        for key, length in MELODY[bar]:
            if key is not None:
                note(flute, 3, key, pos, length * eighth - 24, 74 + lift - (4 if length == 1 else 0))
            pos += length * eighth
        assert pos == t + BAR, bar
    tracks = [mtrk(ev, end) for ev in (conductor, pad, bass, harp, flute)]
    return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TPQ) + b"".join(tracks)


# ---------------------------------------------------------------- sounds


def wav(samples, peak):
    """Scales to the given peak (fraction of full scale) and writes 16-bit mono PCM."""
    top = max(abs(s) for s in samples) or 1.0
    k = peak * 32767 / top
    pcm = array.array("h", (int(round(s * k)) for s in samples))
    if sys.byteorder == "big":
        pcm.byteswap()
    data = pcm.tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(data)) + data)


def fade_ends(buf, fade_in=0.002, fade_out=0.03):
    n_in, n_out = int(fade_in * RATE), int(fade_out * RATE)
    for i in range(n_in):
        buf[i] *= i / n_in
    for i in range(n_out):
        buf[-1 - i] *= i / n_out
    buf[0] = buf[-1] = 0.0
    return buf


def add(buf, start, wave, gain=1.0):
    end = min(len(buf), start + len(wave))
    buf[start:end] = [a + gain * b for a, b in zip(buf[start:end], wave)]


def partial(freq, amp, tau, length):
    """A sine with an exponential decay and a 3 ms attack."""
    n = int(length * RATE)
    w = 2 * math.pi * freq / RATE
    k = math.exp(-1 / (tau * RATE))
    att = int(0.003 * RATE)
    out = [amp * math.sin(w * i) * k ** i for i in range(n)]
    for i in range(att):
        out[i] *= i / att
    return out


def bell(freq, length):
    """Music-box tine: strong fundamental, quickly fading overtones."""
    scale = (440 / freq) ** 0.3
    wave = partial(freq, 1.0, 1.0 * scale, length)
    for mult, amp, tau in ((2.0, 0.22, 0.45), (3.0, 0.1, 0.22), (5.4, 0.06, 0.06)):
        if freq * mult < RATE / 2 - 500:
            add(wave, 0, partial(freq * mult, amp, tau * scale, min(length, 6 * tau)))
    return wave


def midi_hz(n):
    return 440 * 2 ** ((n - 69) / 12)


def make_music_box():
    total = 12.0
    buf = [0.0] * int(total * RATE)
    eighth = 0.5
    # four bars of 3/4; the last two eighths rest so the loop breathes
    arps = [
        [57, 64, 69, 72, 76, 72],   # Am
        [53, 60, 65, 69, 72, 69],   # F
        [48, 55, 60, 64, 67, 64],   # C
        [55, 62, 67, 71, None, None],  # G
    ]
    tune = [[(0, 88), (3, 86)], [(0, 84), (3, 81)], [(0, 79), (3, 88)], [(0, 83), (2, 86)]]
    cache = {}

    def play(key, t, gain):
        if key not in cache:
            cache[key] = bell(midi_hz(key), 3.0)
        add(buf, int(t * RATE), cache[key], gain)

    for bar in range(4):
        t0 = bar * 6 * eighth
        for i, key in enumerate(arps[bar]):
            if key is not None:
                play(key + 12, t0 + i * eighth, 0.42 if i else 0.5)
        for i, key in tune[bar]:
            play(key, t0 + i * eighth, 0.55)
    # close the loop: fade the tails to silence over the final second
    n = int(1.0 * RATE)
    for i in range(n):
        buf[-1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / n)
    return wav(fade_ends(buf, 0.0005, 0.001), 0.5)


def lowpass(xs, cutoff):
    """One-pole low-pass; cutoff may be a number or a per-sample list."""
    out, y = [], 0.0
    if isinstance(cutoff, (int, float)):
        a = 1 - math.exp(-2 * math.pi * cutoff / RATE)
        for x in xs:
            y += a * (x - y)
            out.append(y)
    else:
        for x, fc in zip(xs, cutoff):
            y += (1 - math.exp(-2 * math.pi * fc / RATE)) * (x - y)
            out.append(y)
    return out


def resonator(xs, freq, bandwidth):
    r = math.exp(-math.pi * bandwidth / RATE)
    c = 2 * r * math.cos(2 * math.pi * freq / RATE)
    r2, y1, y2, out = r * r, 0.0, 0.0, []
    for x in xs:
        y = x + c * y1 - r2 * y2
        y2, y1 = y1, y
        out.append(y)
    return out


def noise(rng, n):
    r = rng.random
    return [2 * r() - 1 for _ in range(n)]


def make_wave_sfx():
    rng = random.Random(10)
    n = int(1.9 * RATE)
    white = noise(rng, n)
    env, cut = [], []
    for i in range(n):
        t = i / RATE
        e = math.sin(0.5 * math.pi * t / 0.85) ** 2 if t < 0.85 else ((1.9 - t) / 1.05) ** 1.6
        env.append(e)
        cut.append(250 + 1800 * e)
    body = lowpass(lowpass(white, cut), cut)
    hiss = [w - l for w, l in zip(white, lowpass(white, 2500))]
    out = []
    for i in range(n):
        t = i / RATE
        foam = math.exp(-((t - 1.15) / 0.3) ** 2)
        out.append(body[i] * env[i] * 3.0 + hiss[i] * foam * 0.12)
    return wav(fade_ends(out), 0.45)


def make_key_sfx():
    rng = random.Random(11)
    n = int(1.1 * RATE)
    buf = [0.0] * n
    add(buf, 0, partial(2637.0, 1.0, 0.30, 1.1))
    add(buf, 0, partial(3954.0, 0.6, 0.18, 1.1))
    # a lighter second touch a moment later makes it a glint rather than a bell
    start = int(0.075 * RATE)
    add(buf, start, partial(2637.0, 0.35, 0.22, 1.0))
    add(buf, start, partial(3954.0, 0.3, 0.14, 1.0))
    click = noise(rng, int(0.004 * RATE))
    click = [c - l for c, l in zip(click, lowpass(click, 4000))]
    add(buf, 0, [c * (1 - i / len(click)) for i, c in enumerate(click)], 0.5)
    return wav(fade_ends(buf, 0.001, 0.08), 0.4)


def make_door_sfx():
    rng = random.Random(12)
    n = int(1.9 * RATE)
    # creak: stick-slip pulses sliding down in pitch, ringing the wood
    pulses, phase = [0.0] * n, 0.0
    creak_end = 1.2
    for i in range(int(creak_end * RATE)):
        t = i / RATE
        f = 250 * 0.45 ** (t / creak_end) * (1 + 0.08 * math.sin(t * 23) + 0.05 * (rng.random() - 0.5))
        phase += f / RATE
        if phase >= 1:
            phase -= 1
            pulses[i] = 0.6 + 0.4 * rng.random()
    wood = [a + 0.7 * b + 0.5 * c for a, b, c in zip(resonator(pulses, 820, 120),
                                                     resonator(pulses, 1650, 200),
                                                     resonator(pulses, 420, 90))]
    creak = []
    for i, s in enumerate(wood):
        t = i / RATE
        e = smoothstep(0.0, 0.15, t) * (1 - smoothstep(creak_end - 0.25, creak_end + 0.05, t))
        creak.append(s * e * (0.7 + 0.3 * math.sin(t * 9)))
    peak = max(abs(s) for s in creak) or 1.0
    buf = [s * 0.35 / peak for s in creak]
    # thud: the door meets its frame
    t0 = int(1.28 * RATE)
    m = n - t0
    burst = lowpass(lowpass(noise(rng, m), 180), 180)
    thud = []
    for i in range(m):
        t = i / RATE
        att = min(1.0, t / 0.002)
        f = 58 - 12 * min(1.0, t / 0.3)
        thud.append(att * (burst[i] * 14 * math.exp(-t / 0.08)
                           + 0.8 * math.sin(2 * math.pi * f * t) * math.exp(-t / 0.17)))
    tp = max(abs(s) for s in thud) or 1.0
    add(buf, t0, [s / tp for s in thud])
    latch = noise(rng, int(0.012 * RATE))
    latch = [c - l for c, l in zip(latch, lowpass(latch, 3000))]
    add(buf, t0 + int(0.01 * RATE), [c * math.exp(-i / 60) for i, c in enumerate(latch)], 0.25)
    return wav(fade_ends(buf, 0.002, 0.05), 0.6)


def make_fire_sfx():
    rng = random.Random(13)
    n = int(1.7 * RATE)
    white = noise(rng, n)
    # whoosh: band of noise sweeping upward as the flame takes
    centre, env = [], []
    for i in range(n):
        t = i / RATE
        centre.append(300 + 900 * smoothstep(0.0, 0.4, t))
        env.append(smoothstep(0.0, 0.28, t) ** 1.5 * (0.3 + 0.7 * math.exp(-max(0.0, t - 0.3) / 0.25)))
    band = lowpass(lowpass(white, centre), centre)
    band = [b - l for b, l in zip(band, lowpass(band, 150))]
    roar = lowpass(lowpass(noise(rng, n), 220), 220)
    out = []
    for i in range(n):
        t = i / RATE
        tail = 1 - smoothstep(1.1, 1.7, t)
        out.append(band[i] * env[i] * 7.0 + roar[i] * 6.0 * smoothstep(0.1, 0.5, t) * tail)
    # crackle: sparse bright clicks, busiest just after ignition
    t = 0.15
    while t < 1.55:
        t += -math.log(1 - rng.random()) / (28 * math.exp(-(t - 0.15) / 0.6) + 4)
        start = int(t * RATE)
        length = int((0.001 + 0.003 * rng.random()) * RATE)
        amp = 0.6 + 1.6 * rng.random()
        click = noise(rng, length + 1)
        click = [b - a for a, b in zip(click, click[1:])]  # differenced: bright, snappy
        decay = length / 3
        add(out, start, [c * amp * math.exp(-i / decay) for i, c in enumerate(click)])
    return wav(fade_ends(out, 0.002, 0.1), 0.45)


# ---------------------------------------------------------------- main

ASSETS = {
    "hama.bmp": make_beach,
    "kagi.ico": make_key_icon,
    "toudai.wmf": make_door,
    "naka.emf": make_interior,
    "umi.mid": make_theme,
    "toudai.wav": make_music_box,
    "nami.wav": make_wave_sfx,
    "kagi.wav": make_key_sfx,
    "tobira.wav": make_door_sfx,
    "hi.wav": make_fire_sfx,
}


def main():
    only = set(sys.argv[1:])
    for name, build in ASSETS.items():
        if not only or name in only:
            (OUT / name).write_bytes(build())


if __name__ == "__main__":
    main()
