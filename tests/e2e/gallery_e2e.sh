#!/usr/bin/env bash
# The gallery program end to end, on each kind of display:
#   gallery_e2e.sh RUN gallery [emulator...]
# RUN: null      the "Null" driver, keys on standard input: each screen's
#                framebuffer hash equals the pinned one
#      window    its own Xvfb, the X11 driver (or, with an emulator, GDI):
#                each screen's framebuffer shows on a screenshot pixel for
#                pixel (under Wine, whose GDI widens 16-bit pixels its own
#                way, to the top 5 bits of each component), a key moves on
#      terminal  the "Terminal" driver in tmux: half blocks show, a key
#                moves on, the program ends with 0
set -euo pipefail
run=$1 gallery=$2
shift 2
runner=("$@")
here=$(dirname "$0")

work=$(mktemp -d)
prog_pid=
fail() {
    echo "FAIL (gallery $run): $*" >&2
    [ -s "$work/err" ] && sed -n 1,20p "$work/err" >&2
    exit 1
}

# Framebuffer hashes of the four screens (FNV-1a of the visible page).
pinned='0 b594f223d9cba419
1 432502cb13d40bd0
2 fd3c67dbb8174c95
3 317cf75d82300f4d'

case "$run" in
null)
    trap 'rm -rf "$work"' EXIT
    printf 'abcd' | DNGFX=null GALLERY_DUMP=$work timeout 60 "${runner[@]}" "$gallery" >"$work/out" 2>"$work/err" ||
        fail "exit $?"
    [ "$(cat "$work/hashes")" = "$pinned" ] || fail "hashes differ: $(cat "$work/hashes")"
    echo "null: 4 screens, hashes as pinned"
    ;;
window)
    . "$here/xvfb_session.sh"
    stop() {
        [ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null || true
        xvfb_stop
        rm -rf "$work"
    }
    trap stop EXIT
    xvfb_start 1024x768x24
    export WINEDEBUG=-all
    coarse=
    if [ ${#runner[@]} -gt 0 ]; then
        export DNGFX=GDI
        coarse=--coarse
    else
        unset DNGFX
    fi
    GALLERY_DUMP=$work "${runner[@]}" "$gallery" 0 >"$work/out" 2>"$work/err" &
    prog_pid=$!
    for screen in 0 1 2 3; do
        end=$((SECONDS + 60))
        while [ ! -s "$work/screen-$screen.ppm" ]; do
            ((SECONDS < end)) || fail "screen $screen was not drawn"
            sleep 0.1
        done
        shown=
        while ((SECONDS < end)); do
            import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null || true
            if where=$(python3 "$here/find_picture.py" "$work/screen-$screen.ppm" "$work/shot.ppm" $coarse); then
                shown=1
                break
            fi
            sleep 0.5
        done
        [ -n "$shown" ] || { mkdir -p e2e_failures && cp "$work/shot.ppm" "e2e_failures/gallery_$screen.ppm"; fail "screen $screen not on the screenshot"; }
        echo "screen $screen shown $where"
        wid=$(find_windows '^gallery$' 10 | tail -n1) || fail "no window"
        focus_window "$wid" || true
        xdotool key --window "$wid" space
        [ "$screen" = 3 ] || sleep 0.5
    done
    end=$((SECONDS + 30))
    while kill -0 "$prog_pid" 2>/dev/null; do
        ((SECONDS < end)) || fail "no end after the last key"
        sleep 0.1
    done
    wait "$prog_pid" || fail "exit status $?"
    prog_pid=
    ;;
terminal)
    . "$here/tmux_session.sh"
    runs=$(printf '%q ' "${runner[@]}" "$gallery")
    printf '%s\n' "env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX LANG=C.UTF-8 WINEDEBUG=-all $runs 2>$work/err" \
        'echo "EXIT $?"' 'sleep 600' >"$work/run.sh"
    t new-session -d -s e2e -x 160 -y 60 "bash $work/run.sh"
    for name in '800X600 8 BITS' '800X600 16 BITS' '800X600 32 BITS' '320X200 8 BITS'; do
        wait_match "$name - PRESS A KEY" 30 || fail "no $name screen: $(screen | tail -3)"
        screen | grep -q '[▀▄█]' || fail "$name: no half blocks"
        t send-keys -t e2e x
    done
    wait_line "EXIT 0" 30 || fail "no normal end: $(screen | tail -3)"
    [ ! -s "$work/err" ] || fail "errors: $(cat "$work/err")"
    echo "terminal: 4 screens in half blocks, exit 0"
    ;;
*) fail "unknown run" ;;
esac
