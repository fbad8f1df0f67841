# Shared by the end-to-end scripts that drive windows: an Xvfb of their own
# on a display number that it picks itself, and waits on windows that
# survive other windows appearing and vanishing meanwhile. Source it after
# making the scratch folder "$work" and defining fail (message...).

xvfb_pid=

# Starts Xvfb with one screen of WIDTHxHEIGHTxDEPTH and points DISPLAY at
# it. Without auto-repeat: on a loaded machine xdotool's release may come
# late enough for the server to repeat the key, and a typed digit would
# come twice. The runs that hold a key turn it on (key_repeat).
xvfb_start() {
    # -noreset keeps a keyboard layout that setxkbmap loads after its only
    # client has left; -r turns key repeat off.
    Xvfb -displayfd 3 -noreset -screen 0 "$1" -nolisten tcp -r 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    local end=$((SECONDS + 30))
    while [ ! -s "$work/display" ] && ((SECONDS < end)); do sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=:$(head -n1 "$work/display")
}

xvfb_stop() {
    [ -n "$xvfb_pid" ] || return 0
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
}

# Prints the ids of the windows whose name matches the regular expression
# $1, one a line, once there is one (waits up to $2 seconds, 60 by
# default). xdotool's own --sync ends with an X error when a window that
# it is looking at vanishes, as Wine's and the drivers' windows do while
# they are set up or switched; a fresh search each time does not.
find_windows() {
    local ids end=$((SECONDS + ${2:-60}))
    while :; do
        ids=$(xdotool search --name "$1" 2>/dev/null) && [ -n "$ids" ] && { echo "$ids"; return 0; }
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# Waits up to 30 seconds for window $1 to have the focus that the program
# asks for itself (no window manager runs here).
has_focus() {
    local end=$((SECONDS + 30))
    until [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# Gives window $1 the focus; retried for up to 30 seconds, as it may not
# be mapped yet.
focus_window() {
    local end=$((SECONDS + 30))
    while :; do
        timeout 10 xdotool windowfocus --sync "$1" 2>/dev/null && return 0
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# Keeps the last screenshot ("$work/shot.ppm") of a failed run in
# e2e_failures/ of the working folder (the build's test folder under
# ctest), named after $1, and says where.
keep_last_shot() {
    [ -s "$work/shot.ppm" ] || return 0
    mkdir -p e2e_failures && cp "$work/shot.ppm" "e2e_failures/$1.ppm" &&
        echo "  last screenshot: $PWD/e2e_failures/$1.ppm" >&2
}
