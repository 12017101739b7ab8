#!/usr/bin/env python3
"""Draws the Tensilo Configuration icon from one description (SHAPES) and writes, beside itself:
  tensilo-SIZE.png  for SIZE in 16, 24, 32, 48, 64, 128 and 256 (RGBA, the hicolor theme's sizes)
  tensilo.svg       the same shapes, scalable
  tensilo.ico       16, 24, 32, 48 (32-bit bitmaps) and 256 (PNG) pixels, for the Windows programs
The picture: three green bars of different lengths on white tracks inside a window frame with a
navy title bar, as the window shows its three outputs. Edges fall on whole pixels at every size,
so that the small icons stay sharp; the frame's rounded corners are anti-aliased. Run it after
changing the picture; the results are committed. Needs nothing but Python 3."""
import math
import struct
import zlib
from pathlib import Path

PNG_SIZES = (16, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 24, 32, 48, 256)
ICO_PNG_FROM = 256  # entries this large are stored as PNG, as Windows expects

BLACK = (0, 0, 0)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
NAVY = (0, 0, 128)
WHITE = (255, 255, 255)
GREEN = (0, 128, 0)

# The picture on a 32-unit square, back to front: (left, top, right, bottom, colour, corner radius,
# the shape it sits in or None). A shape that sits in another keeps at least one pixel of it
# showing on each side where it is inset, at every size.
SHAPES = [
    (0, 0, 32, 32, BLACK, 2, None),     # the frame's shadow: its right and bottom edge
    (0, 0, 31, 31, GREY, 2, None),      # the frame: its left and top edge
    (1, 1, 31, 31, SILVER, 1.5, None),  # the window
    (1, 1, 31, 6, NAVY, 0, None),       # title bar
]
for length, top in ((22, 8), (14, 16), (18, 24)):
    SHAPES.append((3, top, 29, top + 6, WHITE, 0, None))  # track
    SHAPES.append((4, top + 1, 4 + length, top + 5, GREEN, 0, len(SHAPES) - 1))  # bar
UNITS = 32
SUBSAMPLES = 4  # per pixel side, where a rounded corner crosses the pixel


def snap_box(index, scale, boxes):
    """The shape's box in whole pixels. Edges halfway between two pixels go inwards, so that a
    frame one unit wide still shows at 16 pixels."""
    left, top, right, bottom, _, _, parent = SHAPES[index]
    if parent is None:
        return (math.floor(left * scale + 0.5), math.floor(top * scale + 0.5),
                math.ceil(right * scale - 0.5), math.ceil(bottom * scale - 0.5))
    p_left, p_top, p_right, p_bottom = SHAPES[parent][:4]
    b_left, b_top, b_right, b_bottom = boxes[parent]

    def inset(units):
        return 0 if units == 0 else max(1, math.floor(units * scale + 0.5))

    return (b_left + inset(left - p_left), b_top + inset(top - p_top),
            b_right - inset(p_right - right), b_bottom - inset(p_bottom - bottom))


def coverage(px, py, x0, y0, x1, y1, radius):
    """How much of pixel (px, py) lies inside the rectangle [x0, x1) x [y0, y1) (pixels) whose
    corners are rounded with the radius (pixels): 0 to 1."""
    if not (x0 <= px < x1 and y0 <= py < y1):
        return 0.0
    if radius <= 0:
        return 1.0
    # Only the pixels in a corner's square can be cut by the arc.
    cx = x0 + radius if px < x0 + radius else x1 - radius if px + 1 > x1 - radius else None
    cy = y0 + radius if py < y0 + radius else y1 - radius if py + 1 > y1 - radius else None
    if cx is None or cy is None:
        return 1.0
    inside = 0
    for sy in range(SUBSAMPLES):
        for sx in range(SUBSAMPLES):
            x = px + (sx + 0.5) / SUBSAMPLES
            y = py + (sy + 0.5) / SUBSAMPLES
            inside += (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside / SUBSAMPLES ** 2


def draw(size):
    """Returns size rows of size (red, green, blue, alpha) pixels, straight alpha."""
    scale = size / UNITS
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    boxes = []
    for index, (_, _, _, _, colour, radius, _) in enumerate(SHAPES):
        boxes.append(snap_box(index, scale, boxes))
        x0, y0, x1, y1 = boxes[-1]
        for py in range(y0, y1):
            row = pixels[py]
            for px in range(x0, x1):
                a = coverage(px, py, x0, y0, x1, y1, radius * scale)
                if a == 0:
                    continue
                r, g, b, under = row[px]
                out = a + under * (1 - a)
                mix = [(c * a + d * under * (1 - a)) / out for c, d in zip(colour, (r, g, b))]
                row[px] = (*mix, out)
    return [[tuple(min(255, round(c)) for c in p[:3]) + (round(p[3] * 255),) for p in row]
            for row in pixels]


def png(size):
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in draw(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_entry(size):
    """A 32-bit DIB for an .ico entry: header, BGRA rows bottom-up, and an AND mask that lets the
    alpha channel decide."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(draw(size)) for r, g, b, a in row)
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    return header + colour + mask


def ico(sizes):
    entries = [png(size) if size >= ICO_PNG_FROM else bmp_entry(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, entries):
        # A width and height of 0 stand for 256.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


def svg():
    def colour(rgb):
        return "#%02x%02x%02x" % rgb

    lines = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{UNITS}" height="{UNITS}" '
             f'viewBox="0 0 {UNITS} {UNITS}">']
    for left, top, right, bottom, rgb, radius, _ in SHAPES:
        rounded = f' rx="{radius}"' if radius else ""
        lines.append(f'  <rect x="{left}" y="{top}" width="{right - left}" height="{bottom - top}"'
                     f'{rounded} fill="{colour(rgb)}"/>')
    return "\n".join(lines + ["</svg>", ""])


here = Path(__file__).resolve().parent
for size in PNG_SIZES:
    (here / f"tensilo-{size}.png").write_bytes(png(size))
(here / "tensilo.svg").write_text(svg())
(here / "tensilo.ico").write_bytes(ico(ICO_SIZES))
