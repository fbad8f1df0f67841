#!/usr/bin/env python3
"""Whether a picture shows, pixel for pixel, somewhere on a screenshot,
enlarged by a whole factor or not.
    find_picture.py picture.ppm screenshot.ppm [--coarse]
    find_picture.py picture.ppm screenshot.ppm --at X,Y --tolerance N
--coarse compares only the top 5 bits of each component, for displays that
widen 16-bit pixels their own way. Exit 0 and the place and factor when found, 1 otherwise.
--at compares the picture with the screenshot at X,Y only, for displays that
draw it in fewer colours: each 4 x 4 block's mean of each component (the
span of an ordered dither) within N of the picture's. Prints the largest
difference; exit 0 when within N."""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255", path
    w, h = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + w * h * 3]
    return w, h, [pixels[y * w * 3:(y + 1) * w * 3] for y in range(h)]


def enlarge(rows, w, factor):
    out = []
    for row in rows:
        wide = b"".join(row[x * 3:x * 3 + 3] * factor for x in range(w))
        out.extend([wide] * factor)
    return out


def block_means(rows, x0, y0, w, h):
    means = []
    for by in range(0, h - 3, 4):
        for bx in range(0, w - 3, 4):
            sums = [0, 0, 0]
            for y in range(y0 + by, y0 + by + 4):
                block = rows[y][(x0 + bx) * 3:(x0 + bx + 4) * 3]
                for c in range(3):
                    sums[c] += sum(block[c::3])
            means.append(sums)
    return means


def compare_at(picture, pw, ph, shot, sw, sh, at, tolerance):
    x, y = (int(v) for v in at.split(","))
    if x + pw > sw or y + ph > sh:
        print("outside the screenshot")
        return 1
    want, got = block_means(picture, 0, 0, pw, ph), block_means(shot, x, y, pw, ph)
    worst = max(abs(a - b) for w, g in zip(want, got) for a, b in zip(w, g)) / 16
    print(f"largest difference of 4x4 means {worst:.1f}")
    return 0 if worst <= tolerance else 1


def main():
    pw, ph, picture = read_ppm(sys.argv[1])
    sw, sh, shot = read_ppm(sys.argv[2])
    if "--at" in sys.argv[3:]:
        args = sys.argv[3:]
        return compare_at(picture, pw, ph, shot, sw, sh, args[args.index("--at") + 1],
                          float(args[args.index("--tolerance") + 1]))
    if "--coarse" in sys.argv[3:]:
        top = bytes(b & 0xF8 for b in range(256))
        picture = [row.translate(top) for row in picture]
        shot = [row.translate(top) for row in shot]
    for factor in range(1, 5):
        if pw * factor > sw or ph * factor > sh:
            break
        rows = enlarge(picture, pw, factor) if factor > 1 else picture
        first = rows[0]
        for y in range(sh - len(rows) + 1):
            x = shot[y].find(first)
            while x >= 0:
                if x % 3 == 0 and all(shot[y + k][x:x + len(first)] == rows[k] for k in range(len(rows))):
                    print(f"at {x // 3},{y} enlarged {factor}x")
                    return 0
                x = shot[y].find(first, x + 1)
    return 1


sys.exit(main())
