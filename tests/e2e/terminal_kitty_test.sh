#!/usr/bin/env bash
# The "Terminal" driver showing the gallery's screens as kitty images in
# kitty, on an Xvfb of its own with software OpenGL: each screen's
# framebuffer found pixel for pixel on a screenshot (the 16-bit one to its
# top five bits: the dump widens 565 pixels without repeating their high
# bits, the driver with), then the exit code and no picture left after the
# end.
# Usage: terminal_kitty_test.sh path/to/gallery kitty python3
set -u
gallery=$1 kitty=$2 python=$3
here=$(cd "$(dirname "$0")" && pwd)
label=terminal_kitty
work=$(mktemp -d)
pass=0
faults=0
kitty_pid=

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
    [ -n "$kitty_pid" ] && kill "$kitty_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

shoot() { import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null; }
# Takes screenshots until picture $1 shows (with "gone": until it does
# not; with "coarse": to the top five bits), for up to 30 seconds.
wait_picture() {
    local end=$((SECONDS + 30)) found coarse=
    [ "${2:-}" = coarse ] && coarse=--coarse
    while :; do
        shoot && "$python" "$here/find_picture.py" "$1" "$work/shot.ppm" $coarse >"$work/where" && found=1 || found=0
        [ "${2:-}" = gone ] && found=$((1 - found))
        ((found)) && return 0
        ((SECONDS < end)) || return 1
        sleep 0.5
    done
}

xvfb_start 1024x768x24
cat >"$work/run.sh" <<SCRIPT
env -u DISPLAY -u WAYLAND_DISPLAY DNGFX=terminal DNGFX_TERMINAL_GRAPHICS=kitty GALLERY_DUMP=$(printf '%q' "$work") \
    $(printf '%q' "$gallery") 2>"$work/err"
echo \$? >"$work/status"
exec sleep 600
SCRIPT
# A text area with room for an 800 x 600 page at full size.
env LIBGL_ALWAYS_SOFTWARE=1 KITTY_CONFIG_DIRECTORY="$work" XDG_CACHE_HOME="$work" \
    "$kitty" --config NONE -o font_size=10 -o window_padding_width=0 -o cursor_blink_interval=0 \
    -o initial_window_width=1000 -o initial_window_height=740 -o remember_window_size=no \
    -o update_check_interval=0 -T kitty_gallery bash "$work/run.sh" >"$work/kitty.log" 2>&1 &
kitty_pid=$!
wid=$(find_windows '^kitty_gallery$' 60 | head -n1) || fail "no kitty window"
focus_window "$wid" || fail "the kitty window cannot take the focus"

for screen in 0 1 2 3; do
    end=$((SECONDS + 30))
    until [ -s "$work/screen-$screen.ppm" ]; do
        ((SECONDS < end)) || fail "screen $screen was not drawn"
        sleep 0.1
    done
    how=
    [ "$screen" = 1 ] && how=coarse
    if wait_picture "$work/screen-$screen.ppm" $how; then
        ok
        echo "screen $screen: $(cat "$work/where")"
    else
        bad "screen $screen does not show" "screen-$screen"
    fi
    xdotool key space
done
end=$((SECONDS + 20))
until [ -s "$work/status" ]; do
    ((SECONDS < end)) || fail "no end after the last key"
    sleep 0.1
done
[ "$(cat "$work/status")" = 0 ] && ok || bad "the gallery ended with $(cat "$work/status")" end
wait_picture "$work/screen-3.ppm" gone && ok || bad "the last screen stayed after the end" end
[ ! -s "$work/err" ] || bad "errors: $(cat "$work/err")" end
echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ] && [ "$pass" -gt 0 ]
