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
. "$here/xterm_session.sh"
. "$here/dice_report.sh"
bad() {
    faults=$((faults + 1))
    echo "$1"
    screen | awk '{ row[NR] = $0 } NF { last = NR } END { for (i = 1; i <= last; i++) print "    | " row[i] }'
    keep_shots
}

# The rows of the last screenshot, as the calibration's glyphs read them.
screen() { "${cells[@]}" "$work/calibration.ppm" "$work/shot.ppm" "$term_cols" "$term_rows"; }

xterm_start "env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX $(printf '%q' "$dice")"
ok

prompt="NUMERO DE LANZAMIENTOS = ?"
if wait_rows screen "^${prompt//\?/\\?}" 30 prompt; then
    xdotool type --delay 100 12
    xdotool key Return
    if wait_rows screen "^frecuecia absoluta de +6 = +[0-9]+$" 30 report; then
        check_report "report"
        # The final key: the program ends, its results stay on the
        # normal screen above the shell's next line.
        xdotool key x
        if wait_rows screen "^EXIT [0-9]+$" 20 after; then
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
