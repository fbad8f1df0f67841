#!/usr/bin/env bash
# Frame rate of a game loop (key_poll frames: each frame draws the whole
# 800 x 600 page and polls for a key once), with the pacing of empty polls
# on and off, run in turns so that both see the same machine.
#   bench/game_loop.sh [SECONDS [ROUNDS [BACK_END...]]]
# BACK_END, run from the top of the source tree (default: all):
#   null                        the "Null" driver
#   x11, opengl                 a window, and a full screen with flag 0x02,
#                               on a private Xvfb
#   wine-directx, wine-gdi, wine-opengl
#                               build/windows/tests/key_poll.exe under Wine
#                               on that Xvfb: full screen, a window, and a
#                               full screen with flag 0x02
set -euo pipefail
seconds=${1:-3}
rounds=${2:-2}
shift $(($# < 2 ? $# : 2))
back_ends=("$@")
[ ${#back_ends[@]} -gt 0 ] || back_ends=(null x11 opengl wine-directx wine-gdi wine-opengl)
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
fail() {
    echo "game_loop: $*" >&2
    exit 1
}
. "$here/tests/e2e/xvfb_session.sh"
cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

xvfb_start 800x600x24
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
bash "$here/tests/win32/wine_run.sh" "$(realpath -m "${WINE_TEMPLATE:-build/windows/wine-template}")" \
    --prefix "$WINEPREFIX" || fail "no Wine prefix"

# One run: prints "paced: N frames per second" or "unpaced: ...", and
# fails unless the driver expected opened.
run() {
    local back_end=$1 pacing=$2 driver out
    case $back_end in
        null) out=$(DNGFX=null build/linux/tests/key_poll frames "$seconds" $pacing 2>"$work/err" </dev/null) ;;
        x11) out=$(build/linux/tests/key_poll frames "$seconds" $pacing 2>"$work/err") ;;
        opengl) out=$(build/linux/tests/key_poll frames "$seconds" full opengl $pacing 2>"$work/err") ;;
        wine-directx) out=$(DNGFX=directx wine build/windows/tests/key_poll.exe frames "$seconds" full $pacing 2>"$work/err") ;;
        wine-gdi) out=$(DNGFX=gdi wine build/windows/tests/key_poll.exe frames "$seconds" $pacing 2>"$work/err") ;;
        wine-opengl) out=$(wine build/windows/tests/key_poll.exe frames "$seconds" full opengl $pacing 2>"$work/err") ;;
        *) fail "unknown back end $back_end" ;;
    esac
    driver=$(tr -d '\r' <"$work/err" | sed -n 's/^driver: //p')
    case $back_end in
        null) [ "$driver" = Null ] ;;
        x11) [ "$driver" = X11 ] ;;
        opengl | wine-opengl) [ "$driver" = OpenGL ] ;;
        wine-directx) [ "$driver" = DirectX ] ;;
        wine-gdi) [ "$driver" = GDI ] ;;
    esac || fail "$back_end opened ${driver:-no screen}: $(cat "$work/err")"
    tr -d '\r' <<<"$out"
}

for back_end in "${back_ends[@]}"; do
    for ((round = 1; round <= rounds; round++)); do
        for pacing in "" unpaced; do
            echo "$back_end: $(run "$back_end" "$pacing")"
        done
    done
done
