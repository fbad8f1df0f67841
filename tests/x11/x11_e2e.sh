#!/usr/bin/env bash
# The X11 driver end to end on its own Xvfb: a real window (or the whole
# monitor), keys typed with xdotool, the text read back from screenshots.
#   x11_e2e.sh RUN XVFB_DEPTH x11_demo screen_text wm_close [FLAGS]
# RUN: window  type a number, read the text, a key ends the program
#      close   the same, then the close button ends the final wait
#      toggle  Alt+Enter to full screen and back, the text stays
#      hold    Alt+Enter held at the prompt with key repeat on: one switch
#      full    opened full screen on a monitor twice as large: enlarged
#      lost    the X server ends during the final wait
# FLAGS: added to the screen's flags; 2 (OpenGL) runs the "OpenGL" driver,
#        which alone accepts it.
# Set X11_E2E_SHOTS to a folder to keep the screenshots. KEY_REPEAT names
# the key_repeat tool (for hold).
set -euo pipefail
run=$1 depth=$2 demo=$3 decode=$4 closer=$5 extra_flags=${6:-0}

work=$(mktemp -d)
demo_pid=
fail() {
    echo "FAIL ($run at depth $depth): $*" >&2
    [ -s "$work/out" ] && sed 's/^/  program: /' "$work/out" >&2
    keep_last_shot "x11_${run}_${depth}_$extra_flags"
    exit 1
}
. "$(dirname "$0")/../e2e/xvfb_session.sh"
cleanup() {
    [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

monitor_w=1024 monitor_h=768
[ "$run" = full ] && monitor_w=1600 monitor_h=1200
xvfb_start "${monitor_w}x${monitor_h}x${depth}"

flags=$extra_flags
[ "$run" = full ] && flags=$((flags | 1))
"$demo" "$flags" 16 >"$work/out" 2>&1 &
demo_pid=$!

geometry() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | tr '\n' ' '; }
# Prints the program's window once it has WIDTH x HEIGHT (waits up to
# SECONDS); the driver re-creates the window when it switches.
sized_window() {  # WIDTH HEIGHT SECONDS
    local wid end=$((SECONDS + $3))
    while :; do
        for wid in $(find_windows '^x11_demo$' 1); do
            case "$(geometry "$wid")" in *"WIDTH=$1 HEIGHT=$2 "*) echo "$wid"; return 0 ;; esac
        done
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}
wait_geometry() {  # WIDTH HEIGHT
    sized_window "$1" "$2" 60 || fail "no window of $1 x $2: $(for w in $(find_windows '^x11_demo$' 1); do geometry "$w"; done)"
}
focus() { has_focus "$1" || fail "window $1 did not take the focus (it has $(xdotool getwindowfocus -f 2>&1))"; }

# Alt+Enter until the window is re-created at WIDTH x HEIGHT. The key is
# sent again only after a long wait without a switch, as a second press
# taken by a slow program would switch back.
toggle_to() {  # WID WIDTH HEIGHT
    local wid=$1
    for _ in 1 2; do
        focus "$wid"
        xdotool key alt+Return
        sized_window "$2" "$3" 20 && return 0
    done
    wait_geometry "$2" "$3"
}

expected=$'X11 SCREEN TEST\n===============\nNUMBER = ? 12\nGOT  12\nPRESS A KEY'
shot=0
expect_text() {  # X Y ZOOM: where the screen shows on the monitor
    local got= end=$((SECONDS + 30))
    while ((SECONDS < end)); do
        shot=$((shot + 1))
        import -window root -depth 8 "ppm:$work/shot.ppm"
        got=$("$decode" "$work/shot.ppm" "$1" "$2" "$3" 100 6)
        if [ -n "${X11_E2E_SHOTS:-}" ]; then
            mkdir -p "$X11_E2E_SHOTS"
            cp "$work/shot.ppm" "$X11_E2E_SHOTS/${run}_${depth}_$shot.ppm"
        fi
        [ "$got" = "$expected" ] && return
        sleep 0.1
    done
    fail "screen text at ($1, $2) x$3 was:
$got"
}

# The program must end with code 0 after the last event. How long it took
# is reported, not judged: the machine may be loaded.
expect_exit() {
    local start=$1 rc=0 i
    for ((i = 0; i < 3000; i++)); do
        kill -0 "$demo_pid" 2>/dev/null || break
        sleep 0.01
    done
    kill -0 "$demo_pid" 2>/dev/null && fail "still running 30 s after the end was asked"
    wait "$demo_pid" || rc=$?
    demo_pid=
    local ms=$((($(date +%s%N) - start) / 1000000))
    [ "$rc" -eq 0 ] || fail "exit code $rc: $(cat "$work/out")"
    echo "ended with code 0 after $ms ms"
}
end_with_key() {
    local start
    start=$(date +%s%N)
    xdotool key x
    expect_exit "$start"
}

if [ "$run" = full ]; then
    wid=$(wait_geometry "$monitor_w" "$monitor_h")
    zoom=$((monitor_w / 800 < monitor_h / 600 ? monitor_w / 800 : monitor_h / 600))
    x=$(((monitor_w - 800 * zoom) / 2)) y=$(((monitor_h - 600 * zoom) / 2))
else
    wid=$(wait_geometry 800 600)
    zoom=1 x=$(((monitor_w - 800) / 2)) y=$(((monitor_h - 600) / 2))
fi
focus "$wid"
if [ "$run" = hold ]; then
    # Held past the repeat delay, released Enter first so that no Enter
    # repeats without Alt. Every repeat that switched would re-create the
    # window; the typed number reaches the last one after all of them, so
    # once it shows, the window must be the full-screen one.
    "${KEY_REPEAT:?}" on || fail "key repeat cannot be turned on"
    xdotool keydown alt+Return
    # Watched while held: a window back at its old size after the full
    # screen showed is a second switch.
    seen_full= back=
    end=$(($(date +%s%N) + 1500000000))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        case "$(for w in $(xdotool search --name '^x11_demo$' 2>/dev/null); do geometry "$w"; done)" in
            *"WIDTH=$monitor_w HEIGHT=$monitor_h "*) seen_full=1 ;;
            *"WIDTH=800 HEIGHT=600 "*) [ -n "$seen_full" ] && back=1 ;;
        esac
    done
    xdotool keyup Return
    xdotool keyup alt
    "$KEY_REPEAT" off || fail "key repeat cannot be turned off"
    [ -z "$back" ] || fail "a held Alt+Enter switched more than once"
    wid=$(sized_window "$monitor_w" "$monitor_h" 20) || fail "no full-screen window after a held Alt+Enter"
    focus "$wid"
fi
xdotool type --delay 30 12
xdotool key Return
expect_text "$x" "$y" "$zoom"

case "$run" in
    close)
        start=$(date +%s%N)
        "$closer" "$wid"
        expect_exit "$start"
        ;;
    lost)
        # The server goes away at the final wait: no abort, no hang, code 0.
        start=$(date +%s%N)
        xvfb_stop
        expect_exit "$start"
        ;;
    hold)
        now=$(for w in $(find_windows '^x11_demo$' 1); do geometry "$w"; done)
        case "$now" in
            *"WIDTH=$monitor_w HEIGHT=$monitor_h "*) ;;
            *) fail "a held Alt+Enter switched more than once: $now" ;;
        esac
        wid=$(toggle_to "$wid" 800 600)
        focus "$wid"
        expect_text "$x" "$y" 1
        end_with_key
        ;;
    toggle)
        wid=$(toggle_to "$wid" "$monitor_w" "$monitor_h")
        focus "$wid"
        expect_text "$x" "$y" 1
        wid=$(toggle_to "$wid" 800 600)
        focus "$wid"
        expect_text "$x" "$y" 1
        ;&
    *) end_with_key ;;
esac
