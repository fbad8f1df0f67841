# For the end-to-end scripts that run one program on an Xvfb of their own,
# on top of the shared helpers in ../e2e/xvfb_session.sh: source it after
# setting `label` (for failure messages); it makes `work` (a temporary
# folder removed at exit) and keeps the program's process id in `app_pid`
# and its output in "$work/out".
#   start_xvfb WIDTH HEIGHT DEPTH   sets DISPLAY and xvfb_pid
#   start_app PROGRAM ARGS...       in the background, stdin from /dev/null
#   window_id NAME / geometry WID / wait_geometry NAME W H / focus WID (the program takes it itself)
#   screen_rows DECODE X Y ZOOM COLS ROWS   the text rows of a screenshot
#   expect_exit START_NS LIMIT_MS   the program ended with code 0 (slow: reported)
# Set X11_E2E_SHOTS to a folder to keep the screenshots.
work=$(mktemp -d)
app_pid=
shot=0
fail() {
    echo "FAIL ($label): $*" >&2
    [ -s "$work/out" ] && sed 's/^/  program: /' "$work/out" >&2
    keep_last_shot "${label//[^A-Za-z0-9_-]/_}"
    exit 1
}
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/xvfb_session.sh"
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() { xvfb_start "$1x$2x$3"; }

start_app() {
    "$@" >"$work/out" 2>&1 </dev/null &
    app_pid=$!
}

window_id() { find_windows "^$1\$" 10 | head -n1; }
geometry() { xdotool getwindowgeometry --shell "$1" 2>/dev/null | tr '\n' ' '; }
wait_geometry() {  # NAME WIDTH HEIGHT: the window has been (re-)created at that size
    local wid end=$((SECONDS + 60))
    while :; do
        for wid in $(find_windows "^$1\$" 1); do
            case "$(geometry "$wid")" in *"WIDTH=$2 HEIGHT=$3 "*) echo "$wid"; return ;; esac
        done
        ((SECONDS < end)) || fail "no window of $2 x $3"
        sleep 0.1
    done
}
focus() { has_focus "$1" || fail "window $1 did not take the focus (it has $(xdotool getwindowfocus -f 2>&1))"; }

screen_rows() {  # DECODE X Y ZOOM COLS ROWS
    local decode=$1
    shift
    shot=$((shot + 1))
    import -window root -depth 8 "ppm:$work/shot.ppm"
    if [ -n "${X11_E2E_SHOTS:-}" ]; then
        mkdir -p "$X11_E2E_SHOTS"
        cp "$work/shot.ppm" "$X11_E2E_SHOTS/${label// /_}_$shot.ppm"
    fi
    "$decode" "$work/shot.ppm" "$@"
}

# The program must end with code 0; later than LIMIT_MS after START_NS is
# reported, not failed (a loaded machine may be slow), and only one still
# running after a generous deadline fails.
expect_exit() {
    local start=$1 limit=$2 rc=0
    local deadline=$((start + 30000000000))
    while kill -0 "$app_pid" 2>/dev/null && [ "$(date +%s%N)" -lt "$deadline" ]; do
        sleep 0.01
    done
    kill -0 "$app_pid" 2>/dev/null && fail "still running 30 s after the end was asked"
    wait "$app_pid" || rc=$?
    app_pid=
    local ms=$((($(date +%s%N) - start) / 1000000))
    [ "$rc" -eq 0 ] || fail "exit code $rc"
    if [ "$ms" -le "$limit" ]; then
        echo "ended with code 0 after $ms ms"
    else
        echo "SLOW ($label): ended with code 0 after $ms ms, more than $limit ms"
    fi
}
