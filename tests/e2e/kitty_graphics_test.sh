#!/usr/bin/env bash
# Kitty's graphics protocol end to end: kitty on an Xvfb of its own
# (software OpenGL), a picture shown by kitty_show in two band images, its
# lower band replaced under the same id, then both deleted, each step read
# back pixel for pixel from a screenshot.
# Usage: kitty_graphics_test.sh path/to/kitty_show kitty python3
set -u
show=$1 kitty=$2 python=$3
here=$(cd "$(dirname "$0")" && pwd)
label=kitty_graphics
. "$here/kitty_session.sh"

# Sends step $1 to kitty_show and waits for it to be written.
step() {
    rm -f "$work/done"
    echo "$1" >&4
    wait_file "$work/done" 20 "kitty_show took no step $1"
}

xvfb_start 800x600x24
mkfifo "$work/go"
# The cell's height in pixels from the terminal, then a blank screen
# without a cursor for the pictures.
cat >"$work/run.sh" <<SCRIPT
cell=\$($(printf '%q' "$python") -c 'import fcntl, struct, termios
rows, cols, width, height = struct.unpack("HHHH", fcntl.ioctl(0, termios.TIOCGWINSZ, bytes(8)))
print(height // rows)')
printf '\033[?25l\033[H\033[2J'
exec $(printf '%q' "$show") $(printf '%q' "$work") "\$cell"
SCRIPT
kitty_start "$kitty" kitty_e2e "$work/run.sh" -o background=#000000
# Read and write: the open does not wait for kitty_show.
exec 4<>"$work/go"

step a
wait_picture "$work/a.ppm" && ok || bad "picture A does not show" a
step b
wait_picture "$work/ab.ppm" && ok || bad "the lower band was not replaced" ab
step d
if wait_picture "$work/top.ppm" gone; then
    # Nothing left but the background.
    [ "$(convert "$work/shot.ppm" -format %k info:)" = 1 ] && ok || bad "the images left pixels behind" deleted
else
    bad "the images were not deleted" deleted
fi

echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ]
