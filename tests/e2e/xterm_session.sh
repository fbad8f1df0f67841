# Shared by the end-to-end runs of the "Terminal" driver in xterm on an
# Xvfb of its own. Source it after setting work (a scratch folder), label,
# cells (the xterm_cells.py command), term_cols and term_rows; it counts
# with ok and keeps the screenshots of a failed run in e2e_failures/.

pass=0
faults=0
xterm_pid=

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
fail() {
    echo "FAIL ($label): $*"
    [ -s "$work/xterm.log" ] && sed 's/^/  xterm: /' "$work/xterm.log"
    keep_shots
    exit 1
}
. "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"
cleanup() {
    [ -n "$xterm_pid" ] && kill "$xterm_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

shoot() { import -window "$wid" -depth 8 "ppm:$work/shot.ppm" 2>/dev/null; }

# Screenshots until `$1` (a command) prints a row matching $2, up to $3
# seconds; the last one is kept as $4.ppm.
wait_rows() {
    local end=$((SECONDS + $3))
    while :; do
        shoot && $1 | grep -qE -- "$2" && break
        ((SECONDS < end)) || return 1
        sleep 0.2
    done
    cp "$work/shot.ppm" "$work/$4.ppm"
}

# An xterm of term_cols x term_rows cells on a new Xvfb, with the options
# given (after ours: no inner border, so that the cells fill the window; a
# fixed bitmap font; no scroll bar; a cursor that does not blink). It shows
# the calibration text, kept as calibration.ppm once it reads back right,
# then runs $1 (a shell command) on a clear screen between two readings of
# the terminal's settings (before, after) and prints its exit code.
xterm_start() {
    xvfb_start 1024x768x24
    mkfifo "$work/go"
    cat >"$work/run.sh" <<SCRIPT
$(printf '%q ' "${cells[@]}") --print
read -r _ <"$work/go"
printf '\033[H\033[2J'
stty -g >"$work/before"
$1
status=\$?
stty -g >"$work/after"
echo "EXIT \$status"
exec sleep 600
SCRIPT
    shift
    env -u COLORTERM LANG=C.UTF-8 xterm -T xterm_e2e -fn 6x13 -b 0 +sb +bc -u8 "$@" \
        -geometry "${term_cols}x${term_rows}+0+0" -e bash "$work/run.sh" >"$work/xterm.log" 2>&1 &
    xterm_pid=$!
    wid=$(find_windows '^xterm_e2e$' 60 | head -n1) || fail "no xterm window"
    focus_window "$wid" || fail "the xterm window cannot take the focus"
    local end=$((SECONDS + 30))
    until shoot && "${cells[@]}" --check "$work/shot.ppm" "$term_cols" "$term_rows" >"$work/check"; do
        ((SECONDS < end)) || { cp "$work/shot.ppm" "$work/calibration.ppm"; fail "calibration: $(cat "$work/check")"; }
        sleep 0.2
    done
    cp "$work/shot.ppm" "$work/calibration.ppm"
    echo >"$work/go"
}
