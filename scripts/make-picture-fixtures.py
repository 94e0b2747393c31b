#!/usr/bin/env python3
"""Writes the small picture files the end-to-end tests load.

    scripts/make-picture-fixtures.py OUTPUT_DIR

Every file is built byte by byte with the standard library, so the output
is the same on every run and machine.
"""
import struct
import sys
from pathlib import Path

WIDTH, HEIGHT = 440, 280


def bmp_file(info_header: bytes, palette: bytes, bits: bytes) -> bytes:
    offset = 14 + len(info_header) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset) + info_header + palette + bits


def info_header(width: int, height: int, bpp: int, size_image: int, colors: int = 0) -> bytes:
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, size_image, 3780, 3780, colors, 0)


def scene_pixel(x: int, y: int) -> tuple:
    """(r, g, b) at x, y counted from the top: a sky gradient with a dark house."""
    if 180 <= x < 260 and 140 <= y < 240:
        return (40, 40, 40)
    return (x * 255 // (WIDTH - 1), y * 255 // (HEIGHT - 1), 160)


def scene_bmp() -> bytes:
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom-up
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = scene_pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (-len(row) % 4)
        rows.append(bytes(row))
    bits = b"".join(rows)
    return bmp_file(info_header(WIDTH, HEIGHT, 24, len(bits)), b"", bits)


def small_bmp() -> bytes:
    """8-bit 64x48 with a grey ramp palette; index (x * 4 + y) % 256 at x, y from the top."""
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    bits = b"".join(bytes((x * 4 + y) % 256 for x in range(64)) for y in reversed(range(48)))
    return bmp_file(info_header(64, 48, 8, len(bits)), palette, bits)


def icon_ico() -> bytes:
    """32x32 4-bit: a red disc on a transparent ground, a yellow square in its middle."""
    size = 32
    palette = [(0, 0, 0), (255, 0, 0), (255, 255, 0)] + [(0, 0, 0)] * 13

    def inside(x, y):
        return (x - 15.5) ** 2 + (y - 15.5) ** 2 <= 14 ** 2

    xor_rows, and_rows = [], []
    for y in reversed(range(size)):
        indexes = [(2 if 12 <= x < 20 and 12 <= y < 20 else 1) if inside(x, y) else 0 for x in range(size)]
        xor_rows.append(bytes((indexes[i] << 4) | indexes[i + 1] for i in range(0, size, 2)))
        mask = 0
        for x in range(size):
            mask = (mask << 1) | (0 if inside(x, y) else 1)
        and_rows.append(mask.to_bytes(4, "big"))
    image = (
        struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
        + b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
        + b"".join(xor_rows)
        + b"".join(and_rows)
    )
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    return directory + image


def wmf_record(function: int, *params: int) -> bytes:
    return struct.pack("<IH", 3 + len(params), function) + b"".join(struct.pack("<h", p) for p in params)


def scene_wmf() -> bytes:
    """Placeable, 96 units per inch, so its 440x280 box is 440x280 pixels."""
    records = (
        wmf_record(0x020C, HEIGHT, WIDTH)  # META_SETWINDOWEXT
        + wmf_record(0x041B, 240, 260, 140, 180)  # META_RECTANGLE bottom, right, top, left
        + wmf_record(0x0000)  # META_EOF
    )
    header = struct.pack("<HHHIHIH", 2, 9, 0x0300, (18 + len(records)) // 2, 0, 5, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, WIDTH, HEIGHT, 96, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + struct.pack("<H", checksum) + header + records


def scene_emf() -> bytes:
    """The frame is 440x280 pixels at 96 dpi, in 0.01 mm."""
    rectangle = struct.pack("<II4i", 43, 24, 180, 140, 260, 240)  # EMR_RECTANGLE
    eof = struct.pack("<IIIII", 14, 20, 0, 16, 20)  # EMR_EOF
    total = 88 + len(rectangle) + len(eof)
    header = struct.pack(
        "<II4i4iIIIIHHIIIiiii",
        1, 88,  # EMR_HEADER, its size
        0, 0, WIDTH - 1, HEIGHT - 1,  # bounds, device units
        0, 0, round(WIDTH * 2540 / 96), round(HEIGHT * 2540 / 96),  # frame, 0.01 mm
        0x464D4520, 0x10000, total, 3, 1, 0, 0, 0, 0,
        1920, 1080, 508, 286,  # reference device: pixels, millimetres
    )
    return header + rectangle + eof


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    small = small_bmp()
    icon = icon_ico()
    wmf = scene_wmf()
    files = {
        "scene.bmp": scene_bmp(),
        "small.bmp": small,
        "icon.ico": icon,
        "scene.wmf": wmf,
        "scene.emf": scene_emf(),
        "broken.bmp": small[: len(small) // 2],  # rows cut off
        "broken.ico": icon[:200],  # image shorter than its directory entry
        "broken.wmf": wmf[:-6],  # no META_EOF
    }
    for name, data in files.items():
        (out / name).write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
