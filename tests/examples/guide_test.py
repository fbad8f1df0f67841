#!/usr/bin/env python3
"""The guide's code against the tree: a C++ block that starts with #include
is a whole program and must compile; any other quotes an example and must
stand in one of examples/*.cpp as written (indentation aside).
    guide_test.py SOURCE COMPILER..."""
import pathlib
import re
import subprocess
import sys
import tempfile

source = pathlib.Path(sys.argv[1])
compiler = sys.argv[2:]


def lines(text):
    return "\n".join(line.strip() for line in text.splitlines() if line.strip())


examples = [lines(path.read_text()) for path in sorted((source / "examples").glob("*.cpp"))]
failures = 0
for block in re.findall(r"```cpp\n(.*?)```", (source / "docs/guide.md").read_text(), re.S):
    if block.startswith("#include"):
        with tempfile.NamedTemporaryFile("w", suffix=".cpp") as program:
            program.write(block)
            program.flush()
            good = subprocess.run(compiler + ["-std=c++20", "-fsyntax-only", f"-I{source}", program.name]).returncode == 0
    else:
        good = any(lines(block) in example for example in examples)
    if not good:
        print("FAIL: the guide's block starting", repr(block.splitlines()[0]))
        failures += 1
sys.exit(1 if failures else 0)
