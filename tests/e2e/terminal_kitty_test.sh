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
. "$here/kitty_session.sh"

xvfb_start 1024x768x24
cat >"$work/run.sh" <<SCRIPT
env -u DISPLAY -u WAYLAND_DISPLAY DNGFX=terminal DNGFX_TERMINAL_GRAPHICS=kitty GALLERY_DUMP=$(printf '%q' "$work") \
    $(printf '%q' "$gallery") 2>"$work/err"
echo \$? >"$work/status"
exec sleep 600
SCRIPT
# A text area with room for an 800 x 600 page at full size.
kitty_start "$kitty" kitty_gallery "$work/run.sh" -o initial_window_width=1000 -o initial_window_height=740 \
    -o remember_window_size=no
wid=$(find_windows '^kitty_gallery$' 60 | head -n1) || fail "no kitty window"
focus_window "$wid" || fail "the kitty window cannot take the focus"

for screen in 0 1 2 3; do
    wait_file "$work/screen-$screen.ppm" 30 "screen $screen was not drawn"
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
wait_file "$work/status" 20 "no end after the last key"
[ "$(cat "$work/status")" = 0 ] && ok || bad "the gallery ended with $(cat "$work/status")" end
wait_picture "$work/screen-3.ppm" gone && ok || bad "the last screen stayed after the end" end
[ ! -s "$work/err" ] || bad "errors: $(cat "$work/err")" end
echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ] && [ "$pass" -gt 0 ]
