#!/usr/bin/env bash
# The "GDI" driver end to end: Windows programs under Wine on their own
# Xvfb, keys typed with xdotool, the text read back from screenshots with
# the Linux screen_text tool, the close button through wm_close.
#   gdi_e2e.sh RUN wine program.exe screen_text wm_close
# RUN: demo       gdi_demo opens the screen 3 times, then the dialogue; a key ends it
#      close      gdi_demo's final wait ended by the close button (0x6BFF)
#      dice       dice.exe with DNGFX=GDI: the whole dialogue, then a key
#      dice_es    the same on a Spanish keyboard: Wine takes its layout from
#                 the X server's; "2" and Spanish letters pressed by key code
#                 with xtest_keys (the folder of wm_close holds it)
#      nodisplay  dice.exe with no display: the console message, exit code 0
set -euo pipefail
export LC_ALL=C  # screen text is compared byte by byte
run=$1 wine=$2 program=$3 decode=$4 wm_close=$5

work=$(mktemp -d)
xvfb_pid=
prog_pid=
cleanup() {
    [ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null || true
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

export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
# A prefix, and so a wine server, of its own: one left running for another
# display would serve this program with the wrong one. The registry is
# copied, the C: drive shared.
base=${WINEPREFIX:-$HOME/.wine}
[ -f "$base/system.reg" ] || fail "no Wine prefix at $base"
export WINEPREFIX=$work/prefix
mkdir -p "$WINEPREFIX/dosdevices"
cp "$base"/*.reg "$WINEPREFIX/"
ln -s "$base/drive_c" "$WINEPREFIX/dosdevices/c:"
ln -s / "$WINEPREFIX/dosdevices/z:"

wait_exit() {
    for _ in $(seq 200); do
        kill -0 "$prog_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$prog_pid" 2>/dev/null && fail "still running after $1"
    local rc=0
    wait "$prog_pid" || rc=$?
    prog_pid=
    [ "$rc" -eq 0 ] || fail "exit code $rc"
}

if [ "$run" = nodisplay ]; then
    unset DISPLAY
    timeout 60 "$wine" "$program" </dev/null >"$work/out" 2>"$work/err" &
    prog_pid=$!
    wait_exit "the message"
    grep -q 'Error setting video mode!' "$work/out" || fail "no message; output: $(cat "$work/out")"
    echo "nodisplay: \"Error setting video mode!\" on the console, exit code 0"
    exit 0
fi

# -noreset keeps a layout that setxkbmap loads after its only client left.
Xvfb -displayfd 3 -noreset -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
export DNGFX=GDI
if [ "$run" = dice_es ]; then
    setxkbmap -layout es || fail "setxkbmap refused the layout"
    setxkbmap -query | grep -q '^layout: *es$' || fail "layout not loaded: $(setxkbmap -query)"
fi

name=$(basename "$program" .exe)
case "$run" in
    demo) "$wine" "$program" 3 >"$work/out" 2>"$work/err" & ;;
    close) "$wine" "$program" 1 >"$work/out" 2>"$work/err" & ;;
    dice | dice_es) "$wine" "$program" >"$work/out" 2>"$work/err" & ;;
    *) fail "unknown run" ;;
esac
prog_pid=$!

# The first start on a new prefix is slow.
wid=$(timeout 60 xdotool search --sync --name "^$name\$" 2>/dev/null | head -n1) || true
[ -n "$wid" ] || fail "no window"
if [ "${run%_es}" != dice ]; then
    opens=$([ "$run" = demo ] && echo 3 || echo 1)
    for _ in $(seq 300); do
        grep -q "^open $opens " "$work/err" 2>/dev/null && break
        sleep 0.1
    done
    grep -q "^open $opens " "$work/err" || fail "the screen was not opened $opens times"
    bad=$(grep '^open ' "$work/err" | tr -d '\r' | grep -v ' driver GDI window ' || true)
    [ -z "$bad" ] || fail "not a GDI window: $bad"
    grep '^open ' "$work/err" | tr -d '\r'
    read -r _ _ _ _ _ _ x y < <(grep "^open $opens " "$work/err" | tr -d '\r')
    wid=$(timeout 30 xdotool search --sync --name "^$name\$" 2>/dev/null | tail -n1)
fi
for _ in $(seq 50); do
    xdotool windowfocus --sync "$wid" 2>/dev/null && break
    sleep 0.1
done
sleep 0.5
typed=12 throws=12
if [ "$run" = dice_es ]; then
    # 2, n tilde, N tilde, inverted ! and ?, dead acute then a; Enter.
    "$(dirname "$wm_close")/xtest_keys" 3 39 shift+39 13 shift+13 40 30 28 || fail "xtest_keys"
    typed=$'2\xa4\xa5\xad\xa8\xa0' throws=2
else
    xdotool type --delay 50 12
    xdotool key Return
fi

shot() {
    import -window root -depth 8 "ppm:$work/shot.ppm"
    # GDI_E2E_SHOTS=DIR keeps the last screenshot of each run.
    if [ -n "${GDI_E2E_SHOTS:-}" ]; then mkdir -p "$GDI_E2E_SHOTS" && cp "$work/shot.ppm" "$GDI_E2E_SHOTS/$run.ppm"; fi
}
if [ "${run%_es}" = dice ]; then
    # The client area's corner is where the heading reads right.
    heading='SIMULADOR DE LANZAMIENTO DE DADOS'
    found=
    for _ in $(seq 30); do
        shot
        for y in $(seq 0 40); do
            for x in $(seq 0 8); do
                [ "$("$decode" "$work/shot.ppm" "$x" "$y" 1 60 1)" = "$heading" ] && found="$x $y" && break 2
            done
        done
        [ -n "$found" ] && break
        sleep 0.3
    done
    [ -n "$found" ] || fail "no heading on the screen"
    read -r x y <<<"$found"
    for _ in $(seq 30); do
        shot
        got=$("$decode" "$work/shot.ppm" "$x" "$y" 1 60 14)
        [ "$(sed -n 14p <<<"$got")" ] && break
        sleep 0.3
    done
    echo "client area at $x, $y; screen text:"
    echo "$got"
    [ "$(sed -n 2p <<<"$got")" = "=================================" ] || fail "second row: $got"
    [ "$(sed -n 3p <<<"$got")" = "NUMERO DE LANZAMIENTOS = ? $typed" ] || fail "prompt row: $got"
    grep -qE '^MEDIA ARITMETICA GLOBAL = +[0-9.]+$' <<<"$(sed -n 6p <<<"$got")" || fail "mean row: $got"
    total=0
    for face in 1 2 3 4 5 6; do
        row=$(sed -n "$((7 + face))p" <<<"$got")
        [[ "$row" =~ ^frecuecia\ absoluta\ de\ +$face\ =\ +([0-9]+)$ ]] || fail "face $face row: $row"
        total=$((total + BASH_REMATCH[1]))
    done
    [ "$total" -eq "$throws" ] || fail "the frequencies add up to $total"
    xdotool key x
    wait_exit "the last key"
    echo "$run: dialogue read back at $x, $y, exit code 0"
    exit 0
fi

expected=$'GDI SCREEN TEST\n===============\nNUMBER = ? 12\nGOT  12\nPRESS A KEY'
got=
for _ in $(seq 50); do
    shot
    got=$("$decode" "$work/shot.ppm" "$x" "$y" 1 100 5)
    [ "$got" = "$expected" ] && break
    sleep 0.2
done
[ "$got" = "$expected" ] || fail "screen text at $x, $y was:
$got"
if [ "$run" = close ]; then
    "$wm_close" "$wid" || fail "wm_close"
    wait_exit "the close button"
    grep -q '^key 6BFF' "$work/err" || fail "not the close code: $(grep '^key' "$work/err")"
else
    xdotool key x
    wait_exit "the last key"
    grep -q '^key 78' "$work/err" || fail "not the key x: $(grep '^key' "$work/err")"
fi
echo "$run: GDI window, text read back, $(grep '^key' "$work/err" | tr -d '\r'), exit code 0"
