#!/usr/bin/env bash
# The Windows display drivers end to end: the cross-built demo under Wine
# on its own Xvfb, keys typed with xdotool, the text read back from
# screenshots with the Linux screen_text tool.
#   display_e2e.sh RUN wine_run win_gfx_demo.exe screen_text
# wine_run: the build tree's runner (win32/wine_run.sh with its template)
# RUN: directx  DNGFX=DirectX, flags 1 (full screen, a window if refused)
#      opengl   flag 0x02 in a window, found by the driver search
#      opengl_full  flags 0x03
#      directx_native, opengl_native: flags 1 and 3 on a monitor of
#               800 x 600 already, where the mode switch can succeed
# The driver and mode that opened are printed, for the test log.
set -euo pipefail
run=$1 wine=$2 demo=$3 decode=$4

work=$(mktemp -d)
fail() {
    echo "FAIL ($run): $*" >&2
    [ -f "$work/err" ] && sed -n 1,20p "$work/err" >&2
    keep_last_shot "win32_display_$run"
    exit 1
}
. "$(dirname "$0")/../e2e/xvfb_session.sh"
. "$(dirname "$0")/wine_program.sh"
trap 'stop_program; xvfb_stop; rm -rf "$work"' EXIT

monitor=1024x768x24
case "$run" in *_native) monitor=800x600x24 ;; esac
xvfb_start "$monitor"

case "$run" in
    directx | directx_native) flags=1 driver=DirectX; export DNGFX=DirectX ;;
    opengl) flags=2 driver=OpenGL; unset DNGFX ;;
    opengl_full | opengl_native) flags=3 driver=OpenGL; unset DNGFX ;;
    *) fail "unknown run" ;;
esac
"$wine" "$demo" "$flags" 16 >"$work/out" 2>"$work/err" &
prog_pid=$!

end=$((SECONDS + 60))
while ! grep -q '^driver ' "$work/err" 2>/dev/null && ((SECONDS < end)); do
    kill -0 "$prog_pid" 2>/dev/null || fail "ended before opening a screen: $(cat "$work/out")"
    sleep 0.1
done
report=$(grep -m1 '^driver ' "$work/err" | tr -d '\r') || fail "no screen opened"
echo "$report"
read -r _ got_driver mode _ x y <<<"$report"
[ "$got_driver" = "$driver" ] || fail "opened by $got_driver, not $driver"
case "$run" in *_native) [ "$mode" = full ] || fail "a window, though the monitor has the mode" ;; esac

wid=$(find_windows '^win_gfx_demo$' | head -n1) || fail "no window"
focus_window "$wid" || fail "window $wid cannot take the focus"
sleep 0.5
xdotool type --delay 50 12
xdotool key Return

expected=$'WIN SCREEN TEST\n===============\nNUMBER = ? 12\nGOT  12\nPRESS A KEY'
got= end=$((SECONDS + 60))
while ((SECONDS < end)); do
    import -window root -depth 8 "ppm:$work/shot.ppm"
    got=$("$decode" "$work/shot.ppm" "$x" "$y" 1 100 6)
    [ "$got" = "$expected" ] && break
    sleep 0.2
done
[ -n "${WIN_E2E_SHOTS:-}" ] && mkdir -p "$WIN_E2E_SHOTS" && cp "$work/shot.ppm" "$WIN_E2E_SHOTS/$run.ppm"
[ "$got" = "$expected" ] || fail "screen text ($mode at $x, $y) was:
$got"

xdotool key x
wait_exit "the last key"
echo "$run: $driver in $mode mode, text read back, exit code 0"
