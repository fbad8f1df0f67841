"""Reads the text of a terminal emulator's window back from a screenshot.

The emulator first shows the calibration text (printed by `--print`): every
printable ASCII character in known cells, plain, then again in other colours.
The plain rows teach each glyph's bitmap; the other rows check that a cell's
glyph is found whatever its colours. A pixel belongs to the glyph when it
differs from the cell's most common colour, so reverse video, coloured text
and a block cursor over a letter all read the same.

  xterm_cells.py --print                       the calibration text, for the terminal
  xterm_cells.py --check CALIB.ppm COLS ROWS   the calibration screenshot reads back right
  xterm_cells.py CALIB.ppm SHOT.ppm COLS ROWS  the rows of SHOT, trailing blanks dropped

The window must have no border inside (xterm -b 0), so that COLS x ROWS cells
fill it exactly. A cell that matches no glyph reads as UNKNOWN.
"""

import collections
import sys

TEXT = "".join(chr(c) for c in range(32, 127))
LINES = [TEXT[:48], TEXT[48:]]  # fits 80 columns
# {name, SGR}: every style shows LINES; the first one is where glyphs are learnt.
STYLES = [
    ("plain", ""),
    ("reverse video", "7"),
    ("bright white on blue", "97;44"),
    ("yellow on red", "93;41"),
]
UNKNOWN = "\u2592"


def read_ppm(path):
    """Width, height and the RGB bytes of a binary PPM (as ImageMagick writes it)."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at : at + 1].isspace():
            at += 1
        if data[at : at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end : end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1 : at + 1 + 3 * width * height]


class Screen:
    def __init__(self, path, cols, rows):
        self.width, height, self.pixels = read_ppm(path)
        if self.width % cols or height % rows:
            sys.exit(f"{path}: {self.width} x {height} is not {cols} x {rows} whole cells")
        self.cw, self.ch = self.width // cols, height // rows
        self.cols, self.rows = cols, rows

    def mask(self, col, row):
        """The cell's pixels that differ from its most common colour, as a bit string."""
        pixels = []
        for y in range(row * self.ch, (row + 1) * self.ch):
            at = 3 * (y * self.width + col * self.cw)
            line = self.pixels[at : at + 3 * self.cw]
            pixels += [line[i : i + 3] for i in range(0, len(line), 3)]
        background = collections.Counter(pixels).most_common(1)[0][0]
        return "".join("0" if p == background else "1" for p in pixels)

    def text(self, glyphs, row):
        cells = (glyphs.get(self.mask(col, row), UNKNOWN) for col in range(self.cols))
        return "".join(cells).rstrip(" ")


def learn(calibration):
    """Each glyph's mask, from the plain calibration rows."""
    glyphs = {}
    for row, line in enumerate(LINES):
        for col, char in enumerate(line):
            glyphs.setdefault(calibration.mask(col, row), char)
    return glyphs


def check(calibration):
    glyphs = learn(calibration)
    faults = []
    if len(glyphs) != len(TEXT):
        found = "".join(sorted(glyphs.values()))
        faults.append(f"only {len(glyphs)} distinct glyphs: the font draws some alike ({found})")
    for number, (name, _) in enumerate(STYLES):
        for i, line in enumerate(LINES):
            got = calibration.text(glyphs, number * len(LINES) + i)
            if got != line:
                faults.append(f"{name}, row {i + 1}: read {got!r}")
    return faults


def main(args):
    if args == ["--print"]:
        rows = (f"\033[{sgr}m{line}\033[m\n" for _, sgr in STYLES for line in LINES)
        sys.stdout.write("".join(rows))
        return 0
    if len(args) == 4 and args[0] == "--check":
        faults = check(Screen(args[1], int(args[2]), int(args[3])))
        print("\n".join(faults) or f"{len(TEXT)} glyphs, {len(STYLES)} styles read back")
        return 1 if faults else 0
    if len(args) == 4:
        cols, rows = int(args[2]), int(args[3])
        glyphs = learn(Screen(args[0], cols, rows))
        shot = Screen(args[1], cols, rows)
        text = "".join(shot.text(glyphs, row) + "\n" for row in range(rows))
        sys.stdout.buffer.write(text.encode())
        return 0
    sys.exit(__doc__)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
