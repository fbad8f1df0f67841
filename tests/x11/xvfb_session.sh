# Shared by the end-to-end scripts that run a program on an Xvfb of their
# own: source it after setting `label` (for failure messages); it makes
# `work` (a temporary folder removed at exit) and keeps the program's
# process id in `app_pid` and its output in "$work/out".
#   start_xvfb WIDTH HEIGHT DEPTH   sets DISPLAY and xvfb_pid
#   start_app PROGRAM ARGS...       in the background, stdin from /dev/null
#   window_id NAME / geometry WID / wait_geometry NAME W H / focus WID
#   screen_rows DECODE X Y ZOOM COLS ROWS   the text rows of a screenshot
#   expect_exit START_NS LIMIT_MS   the program ended with code 0 (slow: reported)
# Set X11_E2E_SHOTS to a folder to keep the screenshots.
work=$(mktemp -d)
xvfb_pid=
app_pid=
shot=0
cleanup() {
    [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL ($label): $*" >&2
    [ -s "$work/out" ] && sed 's/^/  program: /' "$work/out" >&2
    exit 1
}

start_xvfb() {
    # Xvfb picks a free display number itself and writes it to the descriptor.
    Xvfb -displayfd 3 -screen 0 "$1x$2x$3" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(head -n1 "$work/display")
}

start_app() {
    "$@" >"$work/out" 2>&1 </dev/null &
    app_pid=$!
}

window_id() { timeout 10 xdotool search --sync --name "^$1\$" | head -n1; }
geometry() { xdotool getwindowgeometry --shell "$1" | tr '\n' ' '; }
wait_geometry() {  # NAME WIDTH HEIGHT: the window has been (re-)created at that size
    local wid
    for _ in $(seq 50); do
        wid=$(window_id "$1")
        case "$(geometry "$wid")" in *"WIDTH=$2 HEIGHT=$3 "*) echo "$wid"; return ;; esac
        sleep 0.1
    done
    fail "no window of $2 x $3: $(geometry "$wid")"
}
focus() {  # retried: the window may not be mapped yet
    for _ in $(seq 50); do
        xdotool windowfocus --sync "$1" 2>/dev/null && return
        sleep 0.1
    done
    fail "window $1 cannot take the focus"
}

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
