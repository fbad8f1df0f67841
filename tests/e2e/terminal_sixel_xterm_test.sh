#!/usr/bin/env bash
# The "Terminal" driver showing the page as sixel images in xterm as a
# VT340, on an Xvfb of its own, read back from screenshots:
#   gallery  each screen's framebuffer at full size where the page stands
#            (centred on whole cells), within the colour registers'
#            rounding at 8 bits and the colour cube's dither at 16 and 32;
#            the 800 x 600 ones' captions read as the X11 tests read text
#   dice     12 typed and Enter, the whole report read from the page's
#            pixels; after the final key the exit code, the terminal's
#            settings and the results as text on xterm's normal screen
# Usage: terminal_sixel_xterm_test.sh RUN program screen_text python3
set -u
run=$1 program=$2 screen_text=$3 python=$4
here=$(cd "$(dirname "$0")" && pwd)
cells=("$python" "$here/xterm_cells.py")
label=terminal_sixel_xterm_$run
work=$(mktemp -d)
# 140 x 50 cells of 6 x 13 pixels: an 840 x 650 text area holds 800 x 600.
term_cols=140 term_rows=50 cell_w=6 cell_h=13
# At 8 bits a register holds a colour to within a percent; at 16 and 32
# bits the 6 x 7 x 6 cube's ordered dither keeps 4 x 4 means close.
tolerance_8=3 tolerance_deep=12
. "$here/xterm_session.sh"
. "$here/dice_report.sh"
bad() {
    faults=$((faults + 1))
    echo "$1"
    keep_shots
}

# Where a page of $1 x $2 pixels stands: centred, on a cell's corner.
page_at() {
    page_x=$(((term_cols * cell_w - $1) / 2 / cell_w * cell_w))
    page_y=$(((term_rows * cell_h - $2) / 2 / cell_h * cell_h))
}
# The text rows of an 800 x 600 page on the last screenshot.
screen() { "$screen_text" "$work/shot.ppm" "$page_x" "$page_y" 1 100 37; }
# The rows of xterm's own text, as the calibration's glyphs read them.
cell_rows() { "${cells[@]}" "$work/calibration.ppm" "$work/shot.ppm" "$term_cols" "$term_rows"; }

# A VT340 with 256 colour registers and room for a whole page.
xterm_start "env -u DISPLAY -u WAYLAND_DISPLAY DNGFX=terminal DNGFX_TERMINAL_GRAPHICS=sixel GALLERY_DUMP=$work \
    $(printf '%q' "$program") 2>$work/err" -ti vt340 -xrm 'XTerm*decTerminalID: vt340' \
    -xrm 'XTerm*numColorRegisters: 256' -xrm 'XTerm*maxGraphicSize: 1600x1200'

case "$run" in
gallery)
    for screen in 0 1 2 3; do
        end=$((SECONDS + 30))
        until [ -s "$work/screen-$screen.ppm" ]; do
            ((SECONDS < end)) || fail "screen $screen was not drawn"
            sleep 0.1
        done
        read -r _ width height _ < <(head -c 20 "$work/screen-$screen.ppm" | tr '\n' ' ')
        page_at "$width" "$height"
        tolerance=$tolerance_deep
        [ "$screen" = 0 ] || [ "$screen" = 3 ] && tolerance=$tolerance_8
        compare() {
            "$python" "$here/find_picture.py" "$work/screen-$screen.ppm" "$work/shot.ppm" \
                --at "$page_x,$page_y" --tolerance "$tolerance" >"$work/compare"
        }
        shown= end=$((SECONDS + 30))
        while ((SECONDS < end)); do
            shoot && compare && { shown=1; break; }
            sleep 0.5
        done
        [ -n "$shown" ] && ok || { cp "$work/shot.ppm" "$work/screen-$screen-shot.ppm"; bad "screen $screen: $(cat "$work/compare")"; }
        # The 8 x 16 font's captions (the 320 x 200 screen's glyphs are 8 x 8).
        if [ "$height" = 600 ]; then
            screen | grep -aq "^800X600 [0-9]* BITS - PRESS A KEY" && ok || bad "screen $screen: no caption"
        fi
        echo "screen $screen (${width}x$height at $page_x,$page_y): $(cat "$work/compare")"
        xdotool key space
    done
    wait_rows cell_rows "^EXIT [0-9]+$" 20 after || fail "no end after the last key"
    cell_rows | grep -qx "EXIT 0" && ok || bad "the program did not end with 0"
    ;;
dice)
    page_at 800 600
    prompt="NUMERO DE LANZAMIENTOS = ?"
    wait_rows screen "^${prompt//\?/\\?}" 30 prompt || fail "no prompt: $(screen | head -3)"
    xdotool type --delay 100 12
    xdotool key Return
    wait_rows screen "^frecuecia absoluta de +6 = +[0-9]+$" 30 report || fail "no report after 12 and Enter"
    check_report "report"
    # The final key: the results stay as text on the normal screen.
    xdotool key x
    wait_rows cell_rows "^EXIT [0-9]+$" 20 after || fail "no end after the final key"
    cell_rows | grep -qx "EXIT 0" && ok || bad "the program did not end with 0"
    screen() { cell_rows; }
    check_report "normal screen, after the end"
    cmp -s "$work/before" "$work/after" && ok || bad "terminal settings changed"
    ;;
*) fail "unknown run $run" ;;
esac
[ ! -s "$work/err" ] || bad "errors: $(cat "$work/err")"
echo "$pass passed, $faults failed"
[ "$faults" -eq 0 ] && [ "$pass" -gt 0 ]
