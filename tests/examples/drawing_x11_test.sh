#!/usr/bin/env bash
# The drawing example in a real X window on an Xvfb of its own: the window's
# screenshot must match, pixel for pixel, the picture it draws on "Null"
# (expected/drawing.png). Both are kept in e2e_failures/ when they differ.
# Usage: drawing_x11_test.sh path/to/drawing EXPECTED_PNG
set -euo pipefail
drawing=$1 expected=$2
label="drawing example in X"
. "$(dirname "$0")/../x11/xvfb_session.sh"

start_xvfb 1024 768 24
start_app env DNGFX=x11 "$drawing"
wid=$(wait_geometry Drawing 320 240)

# The window shows the picture once its first pass has run: retried until
# it matches or 30 s have passed.
end=$((SECONDS + 30)) diff=
while ((SECONDS < end)); do
    import -window "$wid" -depth 8 "ppm:$work/shot.ppm"
    diff=$(compare -metric AE "$work/shot.ppm" "$expected" null: 2>&1) || true
    [ "$diff" = 0 ] && break
    sleep 0.2
done
if [ "$diff" != 0 ]; then
    mkdir -p e2e_failures
    cp "$expected" e2e_failures/drawing-expected.png
    fail "$diff pixels differ from the picture on Null (e2e_failures/drawing-expected.png)"
fi

start=$(date +%s%N)
xdotool key --window "$wid" x
expect_exit "$start" 10000
echo "1 passed, 0 failed"
