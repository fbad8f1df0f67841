#!/usr/bin/env bash
# The Windows display drivers end to end: the cross-built demo under Wine
# on its own Xvfb, keys typed with xdotool, the text read back from
# screenshots with the Linux screen_text tool.
#   display_e2e.sh RUN wine win_gfx_demo.exe screen_text
# RUN: directx  DNGFX=DirectX, flags 1 (full screen, a window if refused)
#      opengl   flag 0x02 in a window, found by the driver search
#      opengl_full  flags 0x03
#      directx_native, opengl_native: flags 1 and 3 on a monitor of
#               800 x 600 already, where the mode switch can succeed
# The driver and mode that opened are printed, for the test log.
set -euo pipefail
run=$1 wine=$2 demo=$3 decode=$4

work=$(mktemp -d)
xvfb_pid=
demo_pid=
cleanup() {
    [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" = "$work/prefix" ] && wineserver -k 2>/dev/null || true
    [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL ($run): $*" >&2
    [ -f "$work/err" ] && sed -n 1,20p "$work/err" >&2
    exit 1
}

monitor=1024x768x24
case "$run" in *_native) monitor=800x600x24 ;; esac
Xvfb -displayfd 3 -screen 0 "$monitor" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
export WINEDEBUG=-all
# A prefix of its own, and so a wine server of its own: a server left
# running by an earlier program would still describe that program's
# display, and refuse a mode this one has. The registry is copied, the
# C: drive shared.
base=${WINEPREFIX:-$HOME/.wine}
[ -f "$base/system.reg" ] || fail "no Wine prefix at $base"
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX/dosdevices"
cp "$base"/*.reg "$base/.update-timestamp" "$WINEPREFIX/" 2>/dev/null || cp "$base"/*.reg "$WINEPREFIX/"
ln -s "$base/drive_c" "$WINEPREFIX/dosdevices/c:"
ln -s / "$WINEPREFIX/dosdevices/z:"

case "$run" in
    directx | directx_native) flags=1 driver=DirectX; export DNGFX=DirectX ;;
    opengl) flags=2 driver=OpenGL; unset DNGFX ;;
    opengl_full | opengl_native) flags=3 driver=OpenGL; unset DNGFX ;;
    *) fail "unknown run" ;;
esac
"$wine" "$demo" "$flags" 16 >"$work/out" 2>"$work/err" &
demo_pid=$!

for _ in $(seq 300); do
    grep -q '^driver ' "$work/err" 2>/dev/null && break
    kill -0 "$demo_pid" 2>/dev/null || fail "ended before opening a screen: $(cat "$work/out")"
    sleep 0.1
done
report=$(grep -m1 '^driver ' "$work/err" | tr -d '\r') || fail "no screen opened"
echo "$report"
read -r _ got_driver mode _ x y <<<"$report"
[ "$got_driver" = "$driver" ] || fail "opened by $got_driver, not $driver"
case "$run" in *_native) [ "$mode" = full ] || fail "a window, though the monitor has the mode" ;; esac

wid=
for _ in $(seq 100); do
    wid=$(xdotool search --name '^win_gfx_demo$' 2>/dev/null | head -n1) && [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || fail "no window"
for _ in $(seq 50); do
    xdotool windowfocus --sync "$wid" 2>/dev/null && break
    sleep 0.1
done
sleep 0.5
xdotool type --delay 50 12
xdotool key Return

expected=$'WIN SCREEN TEST\n===============\nNUMBER = ? 12\nGOT  12\nPRESS A KEY'
got=
for _ in $(seq 50); do
    import -window root -depth 8 "ppm:$work/shot.ppm"
    got=$("$decode" "$work/shot.ppm" "$x" "$y" 1 100 6)
    [ "$got" = "$expected" ] && break
    sleep 0.2
done
[ -n "${WIN_E2E_SHOTS:-}" ] && mkdir -p "$WIN_E2E_SHOTS" && cp "$work/shot.ppm" "$WIN_E2E_SHOTS/$run.ppm"
[ "$got" = "$expected" ] || fail "screen text ($mode at $x, $y) was:
$got"

xdotool key x
for _ in $(seq 100); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$demo_pid" 2>/dev/null && fail "still running after the last key"
rc=0
wait "$demo_pid" || rc=$?
demo_pid=
[ "$rc" -eq 0 ] || fail "exit code $rc"
echo "$run: $driver in $mode mode, text read back, exit code 0"
