#!/usr/bin/env python3
"""Writes the program's icon: a white die showing five on a dark square,
32 x 32 pixels at 32 bits, as a one-image .ico file.
    make_icon.py OUT.ico
"""
import struct
import sys

SIZE = 32
PIPS = [(9, 9), (22, 9), (15, 15), (9, 22), (22, 22)]


def pixel(x, y):
    """BGRA of pixel (x, y), y counted from the top."""
    if x < 2 or y < 2 or x >= SIZE - 2 or y >= SIZE - 2:
        return (0, 0, 0, 0)  # transparent margin
    for px, py in PIPS:
        if (x - px - 0.5) ** 2 + (y - py - 0.5) ** 2 <= 2.6 ** 2:
            return (40, 30, 200, 255)  # red pip
    if x < 4 or y < 4 or x >= SIZE - 4 or y >= SIZE - 4:
        return (60, 60, 60, 255)  # edge
    return (245, 245, 245, 255)


def icon_bytes():
    rows = []
    for y in reversed(range(SIZE)):  # bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    colour = b"".join(rows)
    mask_row = 4  # 32 bits per row, already 4-byte aligned
    mask = bytearray()
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += bits.to_bytes(mask_row, "big")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(icon_bytes())


if __name__ == "__main__":
    main()
