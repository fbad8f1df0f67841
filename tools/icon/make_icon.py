#!/usr/bin/env python3
"""Draws the program's icon: a white die showing five on a dark square.
    make_icon.py OUT.ico          32 x 32 at 32 bits, one-image .ico file
                                  (app/dice.ico, which dice.exe carries)
    make_icon.py OUT.png SIZE     SIZE x SIZE RGBA PNG (the desktop icons)
    make_icon.py OUT.inc          32 x 32 as C numbers (app/dice_icon.inc,
                                  the X11 window's icon)
The design is laid out on a 32-unit grid; at 32 pixels each pixel takes one
sample, so the .ico stays as it was first drawn. Larger sizes average 4 x 4
samples per pixel, which smooths the pips' edges.
"""
import struct
import sys
import zlib

GRID = 32
PIPS = [(9, 9), (22, 9), (15, 15), (9, 22), (22, 22)]


def sample(u, v):
    """BGRA at grid point (u, v), v counted from the top."""
    if u < 2 or v < 2 or u >= GRID - 2 or v >= GRID - 2:
        return (0, 0, 0, 0)  # transparent margin
    for px, py in PIPS:
        if (u - px - 0.5) ** 2 + (v - py - 0.5) ** 2 <= 2.6 ** 2:
            return (40, 30, 200, 255)  # red pip
    if u < 4 or v < 4 or u >= GRID - 4 or v >= GRID - 4:
        return (60, 60, 60, 255)  # edge
    return (245, 245, 245, 255)


def pixel(x, y, size):
    """BGRA of pixel (x, y) of a size x size image."""
    if size == GRID:
        return sample(x, y)
    n = 4
    scale = GRID / size
    acc = [0, 0, 0, 0]
    for j in range(n):
        for i in range(n):
            b, g, r, a = sample((x + (i + 0.5) / n) * scale - 0.5, (y + (j + 0.5) / n) * scale - 0.5)
            # Colours weighted by coverage, so the transparent margin does
            # not darken the edge.
            acc[0] += b * a
            acc[1] += g * a
            acc[2] += r * a
            acc[3] += a
    if acc[3] == 0:
        return (0, 0, 0, 0)
    return tuple(round(c / acc[3]) for c in acc[:3]) + (round(acc[3] / (n * n)),)


def ico_bytes():
    rows = []
    for y in reversed(range(GRID)):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y, GRID)) for x in range(GRID)))
    colour = b"".join(rows)
    mask_row = 4  # 32 bits per row, already 4-byte aligned
    mask = bytearray()
    for y in reversed(range(GRID)):
        bits = 0
        for x in range(GRID):
            if pixel(x, y, GRID)[3] == 0:
                bits |= 1 << (GRID - 1 - x)
        mask += bits.to_bytes(mask_row, "big")
    header = struct.pack("<IiiHHIIiiII", 40, GRID, GRID * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", GRID, GRID, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png_bytes(size):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter: none
        for x in range(size):
            b, g, r, a = pixel(x, y, size)
            raw += bytes((r, g, b, a))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def inc_text():
    """Width, height, then 0xAARRGGBB pixels, rows from the top."""
    words = [GRID, GRID]
    for y in range(GRID):
        for x in range(GRID):
            b, g, r, a = pixel(x, y, GRID)
            words.append(a << 24 | r << 16 | g << 8 | b)
    lines = ["// Drawn by tools/icon/make_icon.py app/dice_icon.inc: width, height, then",
             "// 0xAARRGGBB pixels, rows from the top.", "%d, %d," % (GRID, GRID)]
    pixels = words[2:]
    for i in range(0, len(pixels), 8):
        lines.append(" ".join("0x%08X," % w for w in pixels[i:i + 8]))
    return ("\n".join(lines) + "\n").encode()


def main():
    args = sys.argv[1:]
    if len(args) == 1 and args[0].endswith(".ico"):
        data = ico_bytes()
    elif len(args) == 1 and args[0].endswith(".inc"):
        data = inc_text()
    elif len(args) == 2 and args[0].endswith(".png") and args[1].isdigit() and 16 <= int(args[1]) <= 1024:
        data = png_bytes(int(args[1]))
    else:
        sys.exit("usage: make_icon.py OUT.ico | OUT.inc | make_icon.py OUT.png SIZE (16 to 1024)")
    with open(args[0], "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
