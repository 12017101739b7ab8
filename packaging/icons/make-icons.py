#!/usr/bin/env python3
"""Draws the Tensilo Configuration icon at 32x32 and 16x16 pixels in the 16-colour VGA palette and
writes tensilo-32.png, tensilo-16.png and tensilo.ico (both images, 4 bits per pixel). The picture:
three green bars of different heights on white tracks inside a grey window frame, as the window
shows its three outputs. Run it after changing the picture; the results are committed."""
import struct
import zlib
from pathlib import Path

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GREEN, NAVY, SILVER, GREY, WHITE = 0, 2, 4, 7, 8, 15


def draw(size):
    """Returns rows of palette indices."""
    px = [[SILVER] * size for _ in range(size)]
    s = size / 32

    def rect(x0, y0, x1, y1, colour):
        for y in range(round(y0 * s), round(y1 * s)):
            for x in range(round(x0 * s), round(x1 * s)):
                px[y][x] = colour

    rect(0, 0, 32, 32, GREY)
    rect(1, 1, 31, 31, SILVER)
    rect(1, 1, 31, 6, NAVY)          # title bar
    for i, length in enumerate((22, 14, 18)):
        top = 9 + i * 7
        rect(3, top, 29, top + 5, WHITE)          # track
        rect(4, top + 1, 4 + length, top + 4, GREEN)  # bar
    rect(0, 31, 32, 32, BLACK)
    rect(31, 0, 32, 32, BLACK)
    return px


def png(size):
    rows = draw(size)
    raw = b""
    for row in rows:
        packed = bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        raw += b"\x00" + packed

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", bytes(c for rgb in PALETTE for c in rgb))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_entry(size):
    """A 4-bit DIB for an .ico entry: header, palette, XOR bitmap bottom-up, AND mask."""
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = b"".join(bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2)).ljust(xor_stride, b"\0")
                   for row in reversed(rows))
    mask = b"\0" * (and_stride * size)
    return header + palette + xor + mask


def ico(sizes):
    entries = [bmp_entry(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, entries):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(entries)


here = Path(__file__).resolve().parent
(here / "tensilo-32.png").write_bytes(png(32))
(here / "tensilo-16.png").write_bytes(png(16))
(here / "tensilo.ico").write_bytes(ico([32, 16]))
