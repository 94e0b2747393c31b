#!/usr/bin/env python3
"""Draws the pictures the player itself carries: the title picture, the
eleven speaker portraits and the waiting cursor.

    python3 assets/make-assets.py

Everything is drawn here with the standard library and written next to this
script; the same bytes come out on every run.  The files are compiled into
the program as Qt resources (assets/torvane.qrc).

    title.bmp              632 x 426, 24 bits per pixel
    portrait00..10.bmp     160 x 170, 16 bits per pixel (5-5-5)
    OSE01.cur              32 x 32 monochrome cursor, hot spot (0, 0)
"""
import math
import struct
from pathlib import Path

OUT = Path(__file__).resolve().parent
PELS_PER_METRE = 2834  # 72 dots per inch
BAYER4 = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def smoothstep(e0, e1, v):
    t = clamp((v - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def hash01(x, y, seed=0):
    """Stable per-pixel noise in [0, 1], independent of any library's generator."""
    h = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0


# ------------------------------------------------------------------ canvas


class Canvas:
    """Floating-point RGB pixels (0..255) with anti-aliased shapes given as
    signed distance functions: negative inside, in pixels."""

    def __init__(self, w, h, fill=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def gradient(self, stops):
        """Vertical gradient through (y, colour) stops."""
        for y in range(self.h):
            for (y0, c0), (y1, c1) in zip(stops, stops[1:]):
                if y0 <= y <= y1:
                    c = mix(c0, c1, smoothstep(y0, y1, y))
                    break
            else:
                c = stops[0][1] if y < stops[0][0] else stops[-1][1]
            for x in range(self.w):
                self.px[y * self.w + x] = list(c)

    def blend(self, x, y, colour, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        p[0] += (colour[0] - p[0]) * a
        p[1] += (colour[1] - p[1]) * a
        p[2] += (colour[2] - p[2]) * a

    def add(self, x, y, colour, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        for i in range(3):
            p[i] = min(255.0, p[i] + colour[i] * a)

    def shape(self, sdf, box, colour, opacity=1.0, shade=None):
        """Fills the shape; `shade(x, y)` may vary the colour inside it."""
        x0, y0, x1, y1 = (int(math.floor(box[0])) - 1, int(math.floor(box[1])) - 1,
                          int(math.ceil(box[2])) + 1, int(math.ceil(box[3])) + 1)
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                d = sdf(x + 0.5, y + 0.5)
                if d >= 0.5:
                    continue
                a = clamp(0.5 - d) * opacity
                self.blend(x, y, shade(x + 0.5, y + 0.5) if shade else colour, a)

    def rows(self):
        for y in range(self.h):
            yield [tuple(int(clamp(round(c), 0, 255)) for c in self.px[y * self.w + x]) for x in range(self.w)]


# Signed distance functions and their bounding boxes.

def ellipse(cx, cy, rx, ry):
    def sdf(x, y):
        dx, dy = (x - cx) / rx, (y - cy) / ry
        k = math.hypot(dx, dy)
        g = math.hypot(dx / rx, dy / ry)
        return (k - 1) * k / g if g > 1e-9 else -min(rx, ry)
    return sdf, (cx - rx, cy - ry, cx + rx, cy + ry)


def circle(cx, cy, r):
    return (lambda x, y: math.hypot(x - cx, y - cy) - r), (cx - r, cy - r, cx + r, cy + r)


def capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def sdf(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return sdf, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r)


def box(x0, y0, x1, y1, radius=0.0):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius
    return sdf, (x0, y0, x1, y1)


def polygon(points):
    n = len(points)

    def sdf(x, y):
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            ll = ex * ex + ey * ey or 1e-9
            t = clamp(((x - ax) * ex + (y - ay) * ey) / ll)
            d = min(d, math.hypot(x - ax - ex * t, y - ay - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / (by - ay):
                inside = not inside
        return -d if inside else d
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return sdf, (min(xs), min(ys), max(xs), max(ys))


def intersect(a, b):
    return (lambda x, y: max(a[0](x, y), b[0](x, y))), (
        max(a[1][0], b[1][0]), max(a[1][1], b[1][1]), min(a[1][2], b[1][2]), min(a[1][3], b[1][3]))


def subtract(a, b):
    return (lambda x, y: max(a[0](x, y), -b[0](x, y))), a[1]


def union(*shapes):
    return (lambda x, y: min(s[0](x, y) for s in shapes)), (
        min(s[1][0] for s in shapes), min(s[1][1] for s in shapes),
        max(s[1][2] for s in shapes), max(s[1][3] for s in shapes))


def fill(canvas, shape, colour, opacity=1.0, shade=None):
    canvas.shape(shape[0], shape[1], colour, opacity, shade)


# ------------------------------------------------------------- file writers


def bmp_24(path, canvas):
    row_bytes = (canvas.w * 3 + 3) & ~3
    rows = list(canvas.rows())
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(row_bytes - len(line))
    write_bmp(path, canvas.w, canvas.h, 24, data)


def bmp_555(path, canvas):
    """5 bits a channel, ordered dithering so gradients do not band."""
    row_bytes = (canvas.w * 2 + 3) & ~3
    data = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            threshold = (BAYER4[y & 3][x & 3] + 0.5) / 16.0
            rgb = canvas.px[y * canvas.w + x]
            c = [min(31, int(clamp(v, 0, 255) / 8.0 + threshold)) for v in rgb]
            line += struct.pack("<H", c[0] << 10 | c[1] << 5 | c[2])
        data += line + bytes(row_bytes - len(line))
    write_bmp(path, canvas.w, canvas.h, 16, data)


def write_bmp(path, w, h, bits, pixels):
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), PELS_PER_METRE, PELS_PER_METRE, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    path.write_bytes(header + info + pixels)


# ------------------------------------------------------------------ title

TW, TH = 632, 426
HORIZON = 292


def stroke_glyphs():
    """The lettering of "Torvane" as centre lines in a 100-unit cap height,
    x-height 66; each glyph is (advance, [polyline, ...])."""

    def arc(cx, cy, rx, ry, a0, a1, steps=28):
        return [(cx + rx * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
                 cy - ry * math.sin(math.radians(a0 + (a1 - a0) * i / steps))) for i in range(steps + 1)]

    xo = 34  # top of the x-height
    glyphs = {
        "T": (74, [[(0, 0), (68, 0)], [(34, 0), (34, 100)]]),
        "o": (72, [arc(33, 67, 31, 33, 0, 360, 48)]),
        "r": (46, [[(0, xo), (0, 100)], [(0, 66)] + arc(34, 66, 34, 32, 180, 90, 18)[1:] + [(42, xo)]]),
        "v": (64, [[(0, xo), (29, 100), (58, xo)]]),
        "a": (72, [arc(31, 67, 30, 33, 0, 360, 48), [(61, xo), (61, 100)]]),
        "n": (68, [[(0, xo), (0, 100)], [(0, 66)] + arc(29, 64, 29, 30, 180, 0, 24)[1:] + [(58, 100)]]),
        "e": (68, [[(3, 67), (62, 67)] + arc(32, 67, 30, 33, 0, 315, 42)[1:]]),
    }
    return glyphs


def lettering(text, x, y, scale):
    """Segments of the lettering placed at (x, y), cap height 100 * scale."""
    glyphs = stroke_glyphs()
    segments = []
    pen = x
    for ch in text:
        advance, lines = glyphs[ch]
        for line in lines:
            pts = [(pen + px * scale, y + py * scale) for px, py in line]
            segments += list(zip(pts, pts[1:]))
        pen += (advance + 14) * scale
    return segments, pen - 14 * scale - x


def distance_field(w, h, segments, reach):
    """Nearest distance to any segment, for pixels within `reach` of one."""
    field = {}
    for (ax, ay), (bx, by) in segments:
        dx, dy = bx - ax, by - ay
        ll = dx * dx + dy * dy or 1e-9
        for py in range(max(0, int(min(ay, by) - reach)), min(h, int(max(ay, by) + reach) + 2)):
            for px in range(max(0, int(min(ax, bx) - reach)), min(w, int(max(ax, bx) + reach) + 2)):
                x, y = px + 0.5, py + 0.5
                t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
                d = math.hypot(x - ax - dx * t, y - ay - dy * t)
                key = py * w + px
                if d < field.get(key, reach):
                    field[key] = d
    return field


def draw_title():
    c = Canvas(TW, TH)
    c.gradient([(0, (9, 11, 34)), (120, (34, 27, 74)), (215, (108, 56, 98)), (262, (214, 112, 86)),
                (HORIZON, (250, 178, 112))])
    # Stars thin out towards the glow of the horizon.
    for y in range(0, 230):
        for x in range(TW):
            n = hash01(x, y, 7)
            if n > 0.9975:
                bright = (n - 0.9975) / 0.0025 * (1 - y / 230.0)
                c.add(x, y, (255, 244, 220), 0.35 + 0.65 * bright)
                for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                    c.add(nx, ny, (180, 190, 255), 0.18 * bright)
    # A low sun has just set: a warm glow on the horizon, left of centre.
    for y in range(150, HORIZON):
        for x in range(TW):
            d = math.hypot((x - 210) / 2.4, (y - HORIZON) * 1.0)
            c.add(x, y, (255, 150, 80), 0.35 * math.exp(-d / 38.0))
    # The sea: darker towards the viewer, lit by the sky along wave crests.
    for y in range(HORIZON, TH):
        t = (y - HORIZON) / (TH - HORIZON)
        base = mix((74, 52, 78), (10, 16, 38), smoothstep(0, 1, t ** 0.6))
        for x in range(TW):
            phase = x * (0.035 + 0.02 * (1 - t)) + y * 0.9 + math.sin(x * 0.011 + y * 0.3) * 2.0
            crest = max(0.0, math.sin(phase)) ** 8 * (1 - t) * 0.55
            glow = math.exp(-abs(x - 210) / (60 + 140 * t)) * (1 - t) * 0.8
            col = mix(base, (250, 170, 110), clamp(crest * 0.6 + glow * 0.45))
            c.px[y * TW + x] = list(col)
    # The headland and the lighthouse on it, at the right.
    land = polygon([(384, HORIZON + 1), (430, 272), (480, 250), (520, 238), (560, 233), (600, 236),
                    (632, 241), (632, TH + 2), (604, TH + 2), (582, 388), (548, 350), (500, 318), (440, 300)])
    fill(c, land, (18, 14, 30), shade=lambda x, y: mix((30, 22, 44), (10, 8, 20), clamp((y - 230) / 150)))
    for (x0, y0), (x1, y1) in (((470, 262), (540, 246)), ((520, 300), (590, 276)), ((580, 350), (626, 318))):
        fill(c, capsule(x0, y0, x1, y1, 1.2), (58, 40, 66), 0.7)
    tower = polygon([(552, 236), (558, 150), (578, 150), (584, 236)])
    fill(c, tower, (200, 190, 200), shade=lambda x, y: mix((226, 214, 220), (92, 74, 104), clamp((x - 552) / 32)))
    for top in (172, 206):
        band = intersect(tower, box(540, top, 600, top + 14))
        fill(c, band, (150, 40, 52), shade=lambda x, y: mix((178, 52, 60), (70, 22, 40), clamp((x - 552) / 32)))
    fill(c, box(552, 146, 584, 151), (40, 30, 50))
    fill(c, box(557, 130, 579, 146, 1), (255, 236, 170))
    fill(c, polygon([(553, 131), (568, 118), (583, 131)]), (40, 30, 50))
    fill(c, capsule(568, 118, 568, 112, 1.2), (40, 30, 50))
    # The beam sweeps left across the sky, fading with distance.
    lx, ly = 568.0, 138.0
    for y in range(0, HORIZON):
        for x in range(0, 568):
            ang = math.atan2(y - ly, x - lx)
            ang_mid = math.atan2(-40, -420)
            spread = 0.045 + 0.0
            off = abs(ang - ang_mid)
            if off < spread * 2.2:
                dist = math.hypot(x - lx, y - ly)
                a = smoothstep(spread * 2.2, spread * 0.3, off) * math.exp(-dist / 330.0) * 0.55
                c.add(x, y, (255, 226, 150), a)
    for y in range(100, 180):
        for x in range(520, 620):
            d = math.hypot(x - lx, (y - ly) * 1.2)
            c.add(x, y, (255, 220, 140), 0.9 * math.exp(-d / 10.0))
    # The lettering, a soft halo, a shadow and a warm face.
    scale = 0.8
    segments, width = lettering("Torvane", 0, 0, scale)
    ox, oy = (TW - width) / 2 - 62, 88
    segments = [((ax + ox, ay + oy), (bx + ox, by + oy)) for (ax, ay), (bx, by) in segments]
    half = 7.4 * scale
    halo = distance_field(TW, TH, segments, half + 26)
    for key, d in halo.items():
        x, y = key % TW, key // TW
        c.add(x, y, (255, 170, 120), 0.22 * math.exp(-max(0.0, d - half) / 9.0))
    shadow = distance_field(TW, TH, [((ax + 4, ay + 5), (bx + 4, by + 5)) for (ax, ay), (bx, by) in segments],
                            half + 2)
    for key, d in shadow.items():
        c.blend(key % TW, key // TW, (12, 6, 26), clamp(half + 0.5 - d) * 0.65)
    face = distance_field(TW, TH, segments, half + 2)
    for key, d in face.items():
        x, y = key % TW, key // TW
        a = clamp(half + 0.5 - d)
        t = clamp((y - oy) / (100 * scale))
        col = mix((255, 246, 222), (246, 180, 112), t)
        if d > half - 1.8:  # a darker rim gives the strokes an edge
            col = mix(col, (150, 84, 70), 0.45)
        c.blend(x, y, col, a)
    # A thin rule under the name, with a diamond in its middle.
    rule_y = oy + 100 * scale + 24
    mid = ox + width / 2
    for x0, x1 in ((mid - 130, mid - 14), (mid + 14, mid + 130)):
        fill(c, capsule(x0, rule_y, x1, rule_y, 0.9), (255, 220, 180), 0.8)
    fill(c, polygon([(mid - 7, rule_y), (mid, rule_y - 7), (mid + 7, rule_y), (mid, rule_y + 7)]),
         (255, 226, 170))
    return c


# -------------------------------------------------------------- portraits

PW, PH = 160, 170

SKIN = {"light": (246, 212, 186), "warm": (232, 184, 148), "tan": (198, 142, 102), "pale": (238, 226, 220)}


def background(c, top, bottom, pattern=None):
    c.gradient([(0, top), (PH, bottom)])
    for y in range(PH):
        for x in range(PW):
            v = math.hypot((x - 80) / 110.0, (y - 70) / 120.0)
            c.blend(x, y, (0, 0, 0), clamp((v - 0.55) * 0.6))
            if pattern:
                pattern(c, x, y)


def body(c, coat, shade, collar=None, width=62, top=128):
    shoulders = union(ellipse(80, top + 52, width, 56), box(80 - width, top + 40, 80 + width, PH + 2))
    fill(c, shoulders, coat, shade=lambda x, y: mix(coat, shade, clamp((abs(x - 80) / width) ** 2 * 0.8 +
                                                                          (y - top) / 160)))
    if collar:
        fill(c, polygon([(62, top + 2), (80, top + 30), (98, top + 2), (104, top + 12), (80, top + 44),
                         (56, top + 12)]), collar)


def head(c, skin, cx=80, cy=80, rx=30, ry=36, neck=True):
    if neck:
        fill(c, box(cx - 12, cy + 18, cx + 12, cy + 54, 4), mix(skin, (80, 40, 30), 0.18))
    fill(c, ellipse(cx - rx + 1, cy + 4, 5, 8), mix(skin, (120, 60, 40), 0.12))
    fill(c, ellipse(cx + rx - 1, cy + 4, 5, 8), mix(skin, (120, 60, 40), 0.12))
    fill(c, ellipse(cx, cy, rx, ry), skin, shade=lambda x, y: mix(skin, (120, 70, 60), clamp((x - cx) / rx * 0.18)))


def face(c, eye=(40, 30, 30), cx=80, cy=80, mouth=(170, 80, 80), brows=None, smile=0.6, eye_y=0, cheeks=True,
         closed=False):
    ey = cy + 2 + eye_y
    for ex in (cx - 12, cx + 12):
        if closed:
            fill(c, capsule(ex - 5, ey + 1, ex + 5, ey + 1, 1.3), eye)
        else:
            fill(c, ellipse(ex, ey, 4.2, 5.2), (250, 250, 248))
            fill(c, circle(ex + 0.6, ey + 0.6, 3.0), eye)
            fill(c, circle(ex + 1.6, ey - 0.8, 1.0), (255, 255, 255))
        if brows:
            fill(c, capsule(ex - 6, ey - 10, ex + 6, ey - 11 - (1 if ex < cx else -1) * 0.5, 1.6), brows)
    fill(c, capsule(cx - 1, cy + 8, cx + 1, cy + 14, 1.4), (190, 120, 100), 0.6)
    mouth_y = cy + 22
    w = 7
    pts = [(cx - w + i * (2 * w / 8), mouth_y + smile * 3 * math.sin(math.pi * i / 8)) for i in range(9)]
    for a, b in zip(pts, pts[1:]):
        fill(c, capsule(a[0], a[1], b[0], b[1], 1.4), mouth)
    if cheeks:
        for ex in (cx - 19, cx + 19):
            fill(c, ellipse(ex, cy + 14, 6, 3.5), (240, 130, 130), 0.35)


def glasses(c, cx=80, cy=82, colour=(50, 40, 40)):
    for ex in (cx - 12, cx + 12):
        fill(c, subtract(circle(ex, cy, 8.5), circle(ex, cy, 6.9)), colour)
    fill(c, capsule(cx - 4, cy - 1, cx + 4, cy - 1, 1.0), colour)


def portrait_traveller():
    """0: the player, a young traveller in a blue coat and a red scarf."""
    c = Canvas(PW, PH)
    background(c, (150, 196, 200), (60, 112, 130))
    body(c, (44, 72, 128), (20, 32, 70))
    fill(c, union(ellipse(80, 126, 26, 9), box(70, 126, 84, 150, 4)), (198, 46, 52))
    head(c, SKIN["light"])
    hair = union(ellipse(80, 57, 33, 22), polygon([(47, 60), (58, 50), (70, 62), (82, 50), (96, 62), (108, 52),
                                                    (113, 74), (106, 63), (94, 68), (82, 58), (68, 68), (52, 72)]))
    fill(c, hair, (52, 36, 30), shade=lambda x, y: mix((72, 50, 40), (34, 22, 20), clamp((y - 40) / 40)))
    face(c, eye=(40, 60, 90), brows=(52, 36, 30))
    return c


def portrait_fisherman():
    """1: the old fisherman: knit cap, white beard, yellow oilskins."""
    c = Canvas(PW, PH)

    def spray(cv, x, y):
        if hash01(x, y, 11) > 0.992:
            cv.blend(x, y, (230, 236, 240), 0.5)
    background(c, (120, 140, 156), (48, 62, 78), spray)
    body(c, (230, 186, 40), (150, 104, 18), collar=(206, 160, 30), width=66)
    head(c, SKIN["tan"], ry=35)
    beard = union(ellipse(80, 104, 27, 22), ellipse(66, 94, 12, 12), ellipse(94, 94, 12, 12))
    fill(c, beard, (230, 230, 226), shade=lambda x, y: mix((244, 244, 240), (178, 178, 176), clamp((y - 86) / 40)))
    fill(c, ellipse(80, 98, 8, 3), (150, 80, 70))
    fill(c, union(ellipse(70, 93, 11, 5), ellipse(90, 93, 11, 5)), (214, 214, 210))
    face_eyes = [(68, 80), (92, 80)]
    for ex, ey in face_eyes:
        fill(c, capsule(ex - 5, ey, ex + 5, ey - 1, 1.5), (40, 30, 30))
        fill(c, capsule(ex - 7, ey - 8, ex + 6, ey - 9, 2.4), (226, 226, 222))
    fill(c, capsule(79, 84, 81, 90, 2.0), (170, 110, 80), 0.6)
    cap = intersect(ellipse(80, 62, 34, 28), box(40, 30, 120, 66))
    fill(c, cap, (40, 60, 110), shade=lambda x, y: mix((54, 78, 132), (24, 36, 74), clamp((x - 48) / 64)))
    for x in range(50, 112, 6):
        fill(c, capsule(x, 40, x, 62, 0.8), (28, 42, 86), 0.7)
    fill(c, box(46, 58, 114, 70, 4), (34, 52, 98))
    fill(c, circle(80, 32, 6), (200, 60, 60))
    return c


def portrait_keeper_daughter():
    """2: the lighthouse keeper's daughter: long auburn hair, braid, red shawl."""
    c = Canvas(PW, PH)

    def beam(cv, x, y):
        cv.add(x, y, (255, 220, 150), 0.25 * math.exp(-abs((y - 40) - (x - 160) * -0.35) / 14.0))
    background(c, (236, 168, 120), (118, 70, 96), beam)
    back_hair = union(ellipse(80, 80, 40, 50), box(42, 80, 118, 140, 14))
    fill(c, back_hair, (146, 62, 36), shade=lambda x, y: mix((166, 74, 42), (98, 38, 24), clamp((y - 40) / 100)))
    body(c, (240, 236, 226), (176, 170, 166), width=56)
    fill(c, polygon([(24, 146), (60, 128), (80, 160), (100, 128), (136, 146), (140, 172), (20, 172)]),
         (176, 40, 56), shade=lambda x, y: mix((196, 52, 66), (120, 24, 40), clamp((y - 130) / 40)))
    head(c, SKIN["light"], rx=28, ry=34)
    fringe = union(ellipse(80, 58, 31, 22), polygon([(50, 60), (62, 72), (74, 58), (86, 70), (100, 58), (110, 68),
                                                     (110, 52), (50, 52)]))
    fill(c, fringe, (160, 70, 40), shade=lambda x, y: mix((184, 84, 48), (120, 48, 28), clamp((y - 40) / 36)))
    for i in range(6):  # the braid over her shoulder
        fill(c, ellipse(112 + i * 1.5, 100 + i * 11, 7, 7.5), (150, 64, 36) if i % 2 else (170, 76, 44))
    fill(c, circle(121, 166, 4), (60, 110, 170))
    face(c, eye=(60, 110, 80), brows=(130, 56, 32), smile=0.9)
    return c


def portrait_merchant():
    """3: a merchant: bald, moustache, round glasses, green waistcoat."""
    c = Canvas(PW, PH)
    background(c, (218, 190, 120), (140, 100, 50))
    body(c, (240, 238, 228), (190, 186, 176), width=68)
    fill(c, polygon([(30, 140), (64, 128), (80, 170), (30, 172)]), (46, 110, 70))
    fill(c, polygon([(130, 140), (96, 128), (80, 170), (130, 172)]), (46, 110, 70))
    fill(c, polygon([(72, 128), (88, 128), (82, 150), (78, 150)]), (150, 40, 40))
    head(c, SKIN["warm"], rx=32, ry=35)
    fill(c, ellipse(49, 70, 6, 10), (120, 110, 100))
    fill(c, ellipse(111, 70, 6, 10), (120, 110, 100))
    fill(c, ellipse(72, 56, 10, 5), (255, 255, 255), 0.25)
    face(c, eye=(50, 40, 30), brows=(90, 80, 70), smile=0.3)
    glasses(c)
    fill(c, union(ellipse(71, 98, 10, 4), ellipse(89, 98, 10, 4)), (90, 80, 70))
    return c


def portrait_child():
    """4: a child in a yellow raincoat with the hood up."""
    c = Canvas(PW, PH)

    def rain(cv, x, y):
        if (x + y * 3) % 37 == 0 and hash01(x, y // 9, 3) > 0.6:
            cv.blend(x, y, (230, 240, 255), 0.6)
    background(c, (170, 206, 236), (90, 130, 180), rain)
    body(c, (246, 206, 50), (196, 150, 20), width=54, top=132)
    fill(c, ellipse(80, 88, 42, 48), (246, 206, 50), shade=lambda x, y: mix((252, 218, 80), (200, 156, 24),
                                                                              clamp((x - 40) / 84)))
    head(c, SKIN["light"], cy=92, rx=26, ry=30, neck=False)
    fill(c, intersect(ellipse(80, 92, 27, 31), box(40, 50, 120, 76)), (80, 50, 36))
    for x in (96, 110):
        fill(c, capsule(x, 144, x, 150, 2.2), (150, 110, 20))
    face(c, eye=(50, 40, 40), cy=94, smile=1.0, mouth=(200, 70, 80))
    return c


def portrait_innkeeper():
    """5: the innkeeper: grey hair in a bun, purple kimono collar."""
    c = Canvas(PW, PH)
    background(c, (206, 176, 200), (110, 80, 112))
    body(c, (106, 60, 120), (60, 30, 70), width=60)
    fill(c, polygon([(58, 130), (80, 166), (102, 130), (96, 128), (80, 154), (64, 128)]), (240, 232, 220))
    fill(c, circle(80, 40, 15), (176, 176, 180))
    fill(c, capsule(64, 36, 98, 44, 1.5), (150, 90, 50))
    head(c, SKIN["pale"], rx=28, ry=34)
    fill(c, intersect(ellipse(80, 70, 31, 30), box(40, 40, 120, 66)), (184, 184, 188),
         shade=lambda x, y: mix((206, 206, 210), (140, 140, 146), clamp((y - 40) / 26)))
    face(c, eye=(60, 40, 40), closed=True, smile=0.8, mouth=(170, 90, 90))
    for ex in (66, 94):
        fill(c, capsule(ex - 4, 92, ex + 4, 93, 0.6), (190, 150, 140), 0.6)
    return c


def portrait_captain():
    """6: a ship's captain: black beard, peaked cap, navy jacket."""
    c = Canvas(PW, PH)
    background(c, (60, 90, 150), (16, 28, 64))
    body(c, (30, 40, 78), (12, 16, 40), width=68)
    for y in (140, 156):
        for x in (62, 98):
            fill(c, circle(x, y, 3), (230, 190, 80))
    head(c, SKIN["warm"], rx=30, ry=35)
    fill(c, union(ellipse(80, 104, 28, 20), box(52, 84, 108, 104, 8)), (34, 26, 24))
    fill(c, ellipse(80, 104, 8, 3), (170, 90, 80))
    face(c, eye=(30, 30, 40), brows=(34, 26, 24), smile=0.0, cheeks=False)
    fill(c, ellipse(80, 52, 38, 16), (240, 240, 236))
    fill(c, box(46, 56, 114, 66, 2), (20, 22, 40))
    fill(c, ellipse(80, 66, 34, 5), (16, 16, 26))
    fill(c, ellipse(80, 56, 8, 5), (230, 190, 80))
    return c


def portrait_scholar():
    """7: an old scholar: long white hair, spectacles, brown robe."""
    c = Canvas(PW, PH)

    def lines(cv, x, y):
        if y % 14 == 0:
            cv.blend(x, y, (170, 140, 100), 0.35)
    background(c, (236, 222, 186), (184, 160, 116), lines)
    fill(c, union(ellipse(80, 90, 40, 48), box(42, 90, 118, 150, 16)), (236, 236, 232),
         shade=lambda x, y: mix((246, 246, 244), (190, 190, 190), clamp((y - 50) / 100)))
    body(c, (120, 80, 50), (70, 44, 26), width=60)
    head(c, SKIN["pale"], rx=27, ry=34)
    fill(c, intersect(ellipse(80, 70, 30, 28), box(40, 30, 120, 58)), (240, 240, 236))
    face(c, eye=(60, 60, 80), brows=(220, 220, 216), smile=0.2, cheeks=False)
    glasses(c, colour=(140, 110, 40))
    fill(c, polygon([(66, 102), (94, 102), (80, 136)]), (236, 236, 232))
    return c


def portrait_youth():
    """8: a young woodsman: spiky red hair, green tunic."""
    c = Canvas(PW, PH)

    def leaves(cv, x, y):
        n = hash01(x // 6, y // 6, 5)
        if n > 0.82:
            cv.blend(x, y, (120, 170, 90), 0.35)
    background(c, (110, 160, 100), (30, 70, 40), leaves)
    body(c, (60, 130, 60), (24, 70, 30), collar=(150, 110, 60), width=62)
    head(c, SKIN["warm"])
    spikes = [(46, 78), (44, 56), (54, 60), (52, 36), (66, 48), (72, 26), (82, 44), (94, 28), (98, 48), (112, 38),
              (108, 58), (118, 62), (114, 78), (104, 62), (80, 58), (58, 64)]
    fill(c, polygon(spikes), (210, 80, 40), shade=lambda x, y: mix((236, 110, 50), (160, 50, 30), clamp((y - 26) / 50)))
    face(c, eye=(50, 90, 40), brows=(180, 60, 30), smile=1.1)
    fill(c, capsule(96, 92, 102, 90, 1.0), (170, 100, 80), 0.6)
    return c


def portrait_hooded():
    """9: a hooded stranger whose face stays in shadow."""
    c = Canvas(PW, PH)

    def stars(cv, x, y):
        if hash01(x, y, 9) > 0.993:
            cv.add(x, y, (230, 210, 255), 0.8)
    background(c, (70, 40, 100), (14, 8, 30), stars)
    cloak = polygon([(80, 24), (118, 50), (132, 110), (150, 172), (10, 172), (28, 110), (42, 50)])
    fill(c, cloak, (60, 40, 90), shade=lambda x, y: mix((84, 60, 120), (30, 18, 50), clamp((x - 20) / 120)))
    fill(c, ellipse(80, 86, 27, 34), (16, 10, 24))
    for ex in (69, 91):
        fill(c, ellipse(ex, 88, 5, 2.6), (120, 255, 200))
        fill(c, ellipse(ex, 88, 9, 6), (120, 255, 200), 0.2)
    fill(c, capsule(80, 128, 80, 166, 2.0), (200, 170, 90))
    fill(c, circle(80, 132, 5), (200, 170, 90))
    return c


def portrait_doctor():
    """10: the town doctor: short silver hair, white coat, stethoscope."""
    c = Canvas(PW, PH)
    background(c, (184, 230, 214), (90, 150, 140))
    body(c, (246, 248, 248), (190, 200, 204), width=64)
    fill(c, polygon([(66, 128), (80, 170), (94, 128)]), (70, 110, 150))
    fill(c, subtract(ellipse(80, 150, 24, 22), ellipse(80, 148, 21, 19)), (60, 60, 70))
    fill(c, circle(100, 164, 5), (170, 176, 186))
    head(c, SKIN["light"], rx=28, ry=34)
    hair = union(intersect(ellipse(80, 72, 33, 36), box(40, 30, 120, 64)), ellipse(52, 80, 8, 20),
                 ellipse(108, 80, 8, 20), polygon([(60, 60), (96, 50), (110, 66), (80, 62)]))
    fill(c, hair, (176, 190, 210), shade=lambda x, y: mix((206, 216, 230), (120, 136, 160), clamp((y - 36) / 60)))
    face(c, eye=(60, 80, 110), brows=(140, 150, 170), smile=0.5)
    return c


PORTRAITS = [portrait_traveller, portrait_fisherman, portrait_keeper_daughter, portrait_merchant, portrait_child,
             portrait_innkeeper, portrait_captain, portrait_scholar, portrait_youth, portrait_hooded,
             portrait_doctor]


# ------------------------------------------------------------------- cursor

# 5 x 7 letters for the cursor's word.
LETTERS = {
    "P": ["1110", "1001", "1001", "1110", "1000", "1000", "1000"],
    "u": ["0000", "0000", "1001", "1001", "1001", "1011", "0101"],
    "s": ["0000", "0000", "0111", "1000", "0110", "0001", "1110"],
    "h": ["1000", "1000", "1110", "1001", "1001", "1001", "1001"],
    "!": ["1", "1", "1", "1", "1", "0", "1"],
}

# A small hand pressing down: "#" outline (black), "." inside (white).
HAND = [
    "....##..........",
    "...#..#.........",
    "...#..#.........",
    "...#..###.......",
    "...#..#..###....",
    ".###..#..#..##..",
    "#..#..#..#..#.#.",
    "#..#........#.#.",
    "#..............#",
    ".#.............#",
    ".#............#.",
    "..#...........#.",
    "..#..........#..",
    "...#.........#..",
    "...##########...",
]


def cursor_masks():
    """AND and XOR masks, rows from the top: (and, xor) bit per pixel.
    Windows shows AND=1 XOR=0 as transparent, AND=0 XOR=0 black,
    AND=0 XOR=1 white and AND=1 XOR=1 the screen inverted."""
    and_mask = [[1] * 32 for _ in range(32)]
    xor_mask = [[0] * 32 for _ in range(32)]
    x = 1
    for ch in "Push!":
        rows = LETTERS[ch]
        for dy, row in enumerate(rows):
            for dx, bit in enumerate(row):
                if bit == "1":
                    xor_mask[1 + dy][x + dx] = 1  # inverted
        x += len(rows[0]) + 1
    for dy, row in enumerate(HAND):
        for dx, cell in enumerate(row):
            y, px = 13 + dy, 8 + dx
            if cell == "#":
                and_mask[y][px], xor_mask[y][px] = 0, 0
            elif cell == "." and inside_hand(dx, dy):
                and_mask[y][px], xor_mask[y][px] = 0, 1
    return and_mask, xor_mask


def inside_hand(dx, dy):
    """True for a '.' enclosed by the hand's outline on its row."""
    row = HAND[dy]
    return "#" in row[:dx] and "#" in row[dx + 1:] and any(
        HAND[yy][dx] == "#" for yy in range(dy)) and any(HAND[yy][dx] == "#" for yy in range(dy + 1, len(HAND)))


def write_cursor(path):
    and_mask, xor_mask = cursor_masks()

    def packed(mask):
        out = bytearray()
        for row in reversed(mask):  # bottom-up, 4 bytes a row
            for byte in range(4):
                v = 0
                for bit in range(8):
                    v = v << 1 | row[byte * 8 + bit]
                out.append(v)
        return bytes(out)

    image = (struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 256, 0, 0, 2, 0) +
             bytes((0, 0, 0, 0, 255, 255, 255, 0)) + packed(xor_mask) + packed(and_mask))
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 0, 0, len(image), 6 + 16)
    path.write_bytes(header + entry + image)


def main():
    bmp_24(OUT / "title.bmp", draw_title())
    for number, draw in enumerate(PORTRAITS):
        bmp_555(OUT / f"portrait{number:02d}.bmp", draw())
    write_cursor(OUT / "OSE01.cur")


if __name__ == "__main__":
    main()
