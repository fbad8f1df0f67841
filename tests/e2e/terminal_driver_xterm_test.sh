#!/usr/bin/env bash
# The dice program on the "Terminal" driver in xterm, a terminal emulator
# that draws its own glyphs, on an Xvfb of its own, without a display for
# the program: 12 typed and Enter, the whole report read back row by row
# from a screenshot of the window, then the final key, the exit code, the
# terminal's settings and the results left on xterm's normal screen.
# The text is read back by xterm_cells.py, which first learns the font's
# glyphs from a calibration text shown in the same xterm.
# Usage: terminal_driver_xterm_test.sh path/to/dice python3 [COLSxROWS]
set -u
dice=$1 python=$2 size=${3:-100x40}
term_cols=${size%x*} term_rows=${size#*x}
here=$(cd "$(dirname "$0")" && pwd)
cells=("$python" "$here/xterm_cells.py")
label=terminal_driver_xterm_$size
work=$(mktemp -d)
pass=0
faults=0
xterm_pid=

# Every screenshot of a failed run stays in e2e_failures/.
keep_shots() {
    local shot
    mkdir -p e2e_failures
    for shot in "$work"/*.ppm; do
        [ -s "$shot" ] || continue
        cp "$shot" "e2e_failures/${label}_${shot##*/}"
        echo "  screenshot: $PWD/e2e_failures/${label}_${shot##*/}"
    done
}
ok() { pass=$((pass + 1)); }
bad() {
    faults=$((faults + 1))
    echo "$1"
    screen | awk '{ row[NR] = $0 } NF { last = NR } END { for (i = 1; i <= last; i++) print "    | " row[i] }'
    keep_shots
}
fail() {
    echo "FAIL ($label): $*"
    [ -s "$work/xterm.log" ] && sed 's/^/  xterm: /' "$work/xterm.log"
    keep_shots
    exit 1
}
. "$here/xvfb_session.sh"
. "$here/dice_report.sh"
cleanup() {
    [ -n "$xterm_pid" ] && kill "$xterm_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

shoot() { import -window "$wid" -depth 8 "ppm:$work/shot.ppm" 2>/dev/null; }
# The rows of the last screenshot, as the calibration's glyphs read them.
screen() { "${cells[@]}" "$work/calibration.ppm" "$work/shot.ppm" "$term_cols" "$term_rows"; }

# Takes screenshots until a row matches the regular expression $1 (up to
# $2 seconds), keeping the last one as $3.ppm.
wait_screen() {
    local end=$((SECONDS + $2))
    while :; do
        shoot && screen | grep -qE -- "$1" && break
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
    cp "$work/shot.ppm" "$work/$3.ppm"
}

xvfb_start 1024x768x24
mkfifo "$work/go"
# The calibration, then, once it has been read, the program on a clear
# screen between two readings of the terminal's settings.
cat >"$work/run.sh" <<SCRIPT
$(printf '%q ' "${cells[@]}") --print
read -r _ <"$work/go"
printf '\033[H\033[2J'
stty -g >"$work/before"
env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX $(printf '%q' "$dice")
status=\$?
stty -g >"$work/after"
echo "EXIT \$status"
exec sleep 600
SCRIPT
# No inner border, so that the cells fill the window; a fixed bitmap font;
# no scroll bar; a cursor that does not blink.
env -u COLORTERM LANG=C.UTF-8 xterm -T xterm_e2e -fn 6x13 -b 0 +sb +bc -u8 \
    -geometry "${term_cols}x${term_rows}+0+0" -e bash "$work/run.sh" >"$work/xterm.log" 2>&1 &
xterm_pid=$!
wid=$(find_windows '^xterm_e2e$' 60 | head -n1) || fail "no xterm window"
focus_window "$wid" || fail "the xterm window cannot take the focus"

end=$((SECONDS + 30))
until shoot && "${cells[@]}" --check "$work/shot.ppm" "$term_cols" "$term_rows" >"$work/check"; do
    ((SECONDS < end)) || { cp "$work/shot.ppm" "$work/calibration.ppm"; fail "calibration: $(cat "$work/check")"; }
    sleep 0.2
done
cp "$work/shot.ppm" "$work/calibration.ppm"
ok
echo >"$work/go"

prompt="NUMERO DE LANZAMIENTOS = ?"
if wait_screen "^${prompt//\?/\\?}" 30 prompt; then
    xdotool type --delay 100 12
    xdotool key Return
    if wait_screen "^frecuecia absoluta de +6 = +[0-9]+$" 30 report; then
        check_report "report"
        # The final key: the program ends, its results stay on the
        # normal screen above the shell's next line.
        xdotool key x
        if wait_screen "^EXIT [0-9]+$" 20 after; then
            screen | grep -qx "EXIT 0" && ok || bad "the program did not end with 0"
            check_report "normal screen, after the end"
            cmp -s "$work/before" "$work/after" && ok || bad "terminal settings changed"
        else
            bad "no end after the final key"
        fi
    else
        bad "no report after 12 and Enter"
    fi
else
    bad "no prompt"
fi

echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ]
