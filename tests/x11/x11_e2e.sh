#!/usr/bin/env bash
# The X11 driver end to end on its own Xvfb: a real window (or the whole
# monitor), keys typed with xdotool, the text read back from screenshots.
#   x11_e2e.sh RUN XVFB_DEPTH x11_demo screen_text wm_close [FLAGS]
# RUN: window  type a number, read the text, a key ends the program
#      close   the same, then the close button ends the final wait
#      toggle  Alt+Enter to full screen and back, the text stays
#      full    opened full screen on a monitor twice as large: enlarged
#      lost    the X server ends during the final wait
# FLAGS: added to the screen's flags; 2 (OpenGL) runs the "OpenGL" driver,
#        which alone accepts it.
# Set X11_E2E_SHOTS to a folder to keep the screenshots.
set -euo pipefail
run=$1 depth=$2 demo=$3 decode=$4 closer=$5 extra_flags=${6:-0}

label="$run at depth $depth"
. "$(dirname "$0")/xvfb_session.sh"

monitor_w=1024 monitor_h=768
[ "$run" = full ] && monitor_w=1600 monitor_h=1200
start_xvfb "$monitor_w" "$monitor_h" "$depth"

flags=$extra_flags
[ "$run" = full ] && flags=$((flags | 1))
start_app "$demo" "$flags" 16

# Alt+Enter until the window is re-created at WIDTH x HEIGHT. A loaded
# server may drop the key while the focus is still moving, so it is sent
# again, but only while the window still has its old size.
toggle_to() {  # WID WIDTH HEIGHT
    local wid=$1 old
    old=$(geometry "$wid")
    for _ in 1 2 3; do
        focus "$wid"
        xdotool key alt+Return
        for _ in $(seq 30); do
            wid=$(window_id x11_demo)
            case "$(geometry "$wid")" in *"WIDTH=$2 HEIGHT=$3 "*) echo "$wid"; return ;; esac
            sleep 0.1
        done
        [ "$(geometry "$wid")" = "$old" ] || break
    done
    wait_geometry x11_demo "$2" "$3"
}

expected=$'X11 SCREEN TEST\n===============\nNUMBER = ? 12\nGOT  12\nPRESS A KEY'
expect_text() {  # X Y ZOOM: where the screen shows on the monitor
    local got=
    for _ in $(seq 30); do
        got=$(screen_rows "$decode" "$1" "$2" "$3" 100 6)
        [ "$got" = "$expected" ] && return
        sleep 0.1
    done
    fail "screen text at ($1, $2) x$3 was:
$got"
}

if [ "$run" = full ]; then
    wid=$(wait_geometry x11_demo "$monitor_w" "$monitor_h")
    zoom=$((monitor_w / 800 < monitor_h / 600 ? monitor_w / 800 : monitor_h / 600))
    x=$(((monitor_w - 800 * zoom) / 2)) y=$(((monitor_h - 600 * zoom) / 2))
else
    wid=$(wait_geometry x11_demo 800 600)
    zoom=1 x=$(((monitor_w - 800) / 2)) y=$(((monitor_h - 600) / 2))
fi
focus "$wid"
xdotool type --delay 30 12
xdotool key Return
expect_text "$x" "$y" "$zoom"

case "$run" in
    close)
        start=$(date +%s%N)
        "$closer" "$wid"
        expect_exit "$start" 1000
        ;;
    lost)
        # The server goes away at the final wait: no abort, no hang, code 0.
        start=$(date +%s%N)
        kill "$xvfb_pid"
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
        expect_exit "$start" 10000
        ;;
    toggle)
        wid=$(toggle_to "$wid" "$monitor_w" "$monitor_h")
        focus "$wid"
        expect_text "$x" "$y" 1
        wid=$(toggle_to "$wid" 800 600)
        focus "$wid"
        expect_text "$x" "$y" 1
        ;&
    *)
        start=$(date +%s%N)
        xdotool key x
        expect_exit "$start" 1000
        ;;
esac
