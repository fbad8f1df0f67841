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
work=$(mktemp -d)
pass=0
faults=0
kitty_pid=

shoot() { import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null; }
keep_shot() {
    mkdir -p e2e_failures
    cp "$work/shot.ppm" "e2e_failures/${label}_$1.ppm" 2>/dev/null &&
        echo "  screenshot: $PWD/e2e_failures/${label}_$1.ppm"
}
ok() { pass=$((pass + 1)); }
bad() {
    faults=$((faults + 1))
    echo "$1"
    keep_shot "$2"
}
fail() {
    echo "FAIL ($label): $*"
    [ -s "$work/kitty.log" ] && sed 's/^/  kitty: /' "$work/kitty.log"
    exit 1
}
. "$here/xvfb_session.sh"
cleanup() {
    exec 4>&- 2>/dev/null
    [ -n "$kitty_pid" ] && kill "$kitty_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

# Sends step $1 to kitty_show and waits for it to be written.
step() {
    rm -f "$work/done"
    echo "$1" >&4
    local end=$((SECONDS + 20))
    until [ -s "$work/done" ]; do
        ((SECONDS < end)) || fail "kitty_show took no step $1"
        sleep 0.1
    done
}

# Takes screenshots until picture $1 shows (or, with "gone", until it does
# not) for up to 20 seconds.
wait_picture() {
    local end=$((SECONDS + 20)) found
    while :; do
        shoot && "$python" "$here/find_picture.py" "$work/$1.ppm" "$work/shot.ppm" >"$work/where" && found=1 || found=0
        [ "${2:-}" = gone ] && found=$((1 - found))
        ((found)) && return 0
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
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
# kitty draws with OpenGL 3.3, which Mesa gives without a GPU in software.
env LIBGL_ALWAYS_SOFTWARE=1 KITTY_CONFIG_DIRECTORY="$work" XDG_CACHE_HOME="$work" \
    "$kitty" --config NONE -o font_size=10 -o window_padding_width=0 -o cursor_blink_interval=0 \
    -o background=#000000 -o update_check_interval=0 -T kitty_e2e bash "$work/run.sh" >"$work/kitty.log" 2>&1 &
kitty_pid=$!
# Read and write: the open does not wait for kitty_show.
exec 4<>"$work/go"

step a
wait_picture a && ok || bad "picture A does not show" a
step b
wait_picture ab && ok || bad "the lower band was not replaced" ab
step d
if wait_picture top gone; then
    # Nothing left but the background.
    [ "$(convert "$work/shot.ppm" -format %k info:)" = 1 ] && ok || bad "the images left pixels behind" deleted
else
    bad "the images were not deleted" deleted
fi

echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ]
