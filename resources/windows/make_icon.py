#!/usr/bin/env python3
"""Draws Vorundel's icon and writes vorundel.ico next to this script.

The drawing is the shape list in `layers` below (unit square, y down):
a page with a folded corner (the chosen file), a crescent moon (suspend)
and a green "run" disc. Images: 16x16 in 16 colours, 32x32 in 256 colours
(flat colours, one sample per pixel so edges stay crisp), 48x48 and
256x256 in 32-bit colour with smoothed edges (the 256 one as PNG).

Run: python3 resources/windows/make_icon.py   (standard library only)
"""

import math
import os
import struct
import zlib

OUTLINE = (0x1C, 0x1C, 0x50)
PAGE = (0xFF, 0xFF, 0xFF)
FOLD = (0xC8, 0xCC, 0xD8)
LINES = (0x8C, 0x9C, 0xC0)
MOON = (0xFF, 0xCC, 0x00)
RUN = (0x10, 0x98, 0x30)
ARROW = (0xFF, 0xFF, 0xFF)

# The 16 colours of the classic VGA palette, for the 16-colour image.
VGA = [
    (0, 0, 0),
    (128, 0, 0),
    (0, 128, 0),
    (128, 128, 0),
    (0, 0, 128),
    (128, 0, 128),
    (0, 128, 128),
    (192, 192, 192),
    (128, 128, 128),
    (255, 0, 0),
    (0, 255, 0),
    (255, 255, 0),
    (0, 0, 255),
    (255, 0, 255),
    (0, 255, 255),
    (255, 255, 255),
]


def box(x0, y0, x1, y1):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0)

    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def half_plane(ax, ay, bx, by):
    """Inside is to the left of a->b as seen on screen (y down)."""
    nx, ny = -(by - ay), bx - ax
    n = math.hypot(nx, ny)
    return lambda x, y: ((x - ax) * nx + (y - ay) * ny) / n


def intersect(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def triangle(p, q, r):
    if (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]) > 0:
        q, r = r, q
    return intersect(half_plane(*p, *q), half_plane(*q, *r), half_plane(*r, *p))


FOLD_SIZE = 0.2
page = intersect(
    box(0.20, 0.06, 0.76, 0.90),
    half_plane(0.76, 0.06 + FOLD_SIZE, 0.76 - FOLD_SIZE, 0.06),
)
fold = triangle(
    (0.76 - FOLD_SIZE, 0.06),
    (0.76 - FOLD_SIZE, 0.06 + FOLD_SIZE),
    (0.76, 0.06 + FOLD_SIZE),
)
moon = subtract(circle(0.24, 0.26, 0.20), circle(0.33, 0.19, 0.16))
# At 16 pixels the thin crescent would vanish: a fuller one, no outline.
small_moon = subtract(circle(0.25, 0.30, 0.24), circle(0.40, 0.18, 0.18))
disc = circle(0.70, 0.72, 0.26)
arrow = triangle((0.62, 0.58), (0.84, 0.72), (0.62, 0.86))


def text_lines(x, y):
    d = min(box(0.30, y0, 0.58, y0 + 0.045)(x, y) for y0 in (0.36, 0.48))
    return d


# Back to front: (shape, fill, outlined, sizes it is drawn at).
ALL = range(0, 1024)
layers = [
    (page, PAGE, True, ALL),
    (fold, FOLD, True, ALL),
    (text_lines, LINES, False, range(32, 1024)),
    (moon, MOON, True, range(32, 1024)),
    (small_moon, MOON, False, range(0, 32)),
    (disc, RUN, True, ALL),
    (arrow, ARROW, False, ALL),
]


def colour_at(x, y, size):
    """The colour at a point, or None where the icon is transparent."""
    width = max(1.0, size / 32) / size
    colour = None
    for shape, fill, outlined, sizes in layers:
        if size not in sizes:
            continue
        d = shape(x, y)
        if d <= 0:
            colour = OUTLINE if outlined and d > -width else fill
    return colour


def render(size, samples):
    """RGBA rows; `samples` per axis per pixel (1: flat, no smoothing)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at(
                        (px + (sx + 0.5) / samples) / size,
                        (py + (sy + 0.5) / samples) / size,
                        size,
                    )
                    if c is not None:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(
                    tuple(round(a / hits) for a in acc)
                    + (round(255 * hits / samples**2),)
                )
        rows.append(row)
    return rows


def nearest(palette, rgb):
    return min(
        range(len(palette)),
        key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], rgb)),
    )


def row_padded(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(rows):
    out = b""
    for row in reversed(rows):
        bits = bytearray((len(row) + 7) // 8)
        for i, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[i // 8] |= 0x80 >> (i % 8)
        out += row_padded(bytes(bits))
    return out


def bmp_header(size, bits, colours):
    return struct.pack(
        "<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0
    )


def paletted(rows, palette, bits):
    size = len(rows)
    indices = [
        [nearest(palette, p[:3]) if p[3] >= 128 else 0 for p in row] for row in rows
    ]
    pixels = b""
    for row in reversed(indices):
        if bits == 4:
            packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        else:
            packed = bytes(row)
        pixels += row_padded(packed)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    table += b"\0" * (4 * (2**bits) - len(table))
    return bmp_header(size, bits, 2**bits) + table + pixels + and_mask(rows)


def true_colour(rows):
    size = len(rows)
    pixels = b"".join(
        bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row
    )
    return bmp_header(size, 32, 0) + pixels + and_mask(rows)


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return (
            struct.pack(">I", len(data))
            + kind
            + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        )

    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def main():
    flat_colours = [(0, 0, 0), OUTLINE, PAGE, FOLD, LINES, MOON, RUN, ARROW]
    images = [
        (16, 16, 4, paletted(render(16, 1), VGA, 4)),
        (32, 0, 8, paletted(render(32, 1), flat_colours, 8)),
        (48, 0, 32, true_colour(render(48, 4))),
        (256, 0, 32, png(render(256, 2))),
    ]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    body = b""
    for size, colours, bits, data in images:
        directory += struct.pack(
            "<BBBBHHII",
            size % 256,
            size % 256,
            colours,
            0,
            1,
            bits,
            len(data),
            offset + len(body),
        )
        body += data
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vorundel.ico")
    with open(target, "wb") as f:
        f.write(directory + body)


if __name__ == "__main__":
    main()
