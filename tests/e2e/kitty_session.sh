# Shared by the end-to-end scripts that run kitty: an Xvfb of its own,
# kitty on it with software OpenGL, screenshots searched for pictures, and
# the counts of passed and failed checks, in a scratch folder of its own
# ($work). Source it after setting label, python and here (this folder).

work=$(mktemp -d)
pass=0
faults=0
kitty_pid=

keep_shot() {
    mkdir -p e2e_failures
    cp "$work/shot.ppm" "e2e_failures/${label}_$1.ppm" 2>/dev/null &&
        echo "  screenshot: $PWD/e2e_failures/${label}_$1.ppm"
}
ok() { pass=$((pass + 1)); }
# bad MESSAGE NAME: a failed check, its screenshot kept as NAME.
bad() {
    faults=$((faults + 1))
    echo "$1"
    keep_shot "$2"
}
fail() {
    echo "FAIL ($label): $*"
    [ -s "$work/kitty.log" ] && sed 's/^/  kitty: /' "$work/kitty.log"
    exit 1
}
. "$here/xvfb_session.sh"
cleanup() {
    exec 4>&- 2>/dev/null
    [ -n "$kitty_pid" ] && kill "$kitty_pid" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

# kitty_start KITTY TITLE SCRIPT [-o OPTION]...: kitty runs bash SCRIPT
# in a window of that title, with a 10-point font, no padding and a cursor
# that does not blink. kitty draws with OpenGL 3.3, which Mesa gives
# without a GPU in software.
kitty_start() {
    local kitty=$1 title=$2 script=$3
    shift 3
    env LIBGL_ALWAYS_SOFTWARE=1 KITTY_CONFIG_DIRECTORY="$work" XDG_CACHE_HOME="$work" \
        "$kitty" --config NONE -o font_size=10 -o window_padding_width=0 -o cursor_blink_interval=0 \
        -o update_check_interval=0 "$@" -T "$title" bash "$script" >"$work/kitty.log" 2>&1 &
    kitty_pid=$!
}

# wait_file FILE SECONDS WHAT: fails unless FILE has something in it
# within SECONDS; WHAT says what did not happen.
wait_file() {
    local end=$((SECONDS + $2))
    until [ -s "$1" ]; do
        ((SECONDS < end)) || fail "$3"
        sleep 0.1
    done
}

shoot() { import -window root -depth 8 "ppm:$work/shot.ppm" 2>/dev/null; }

# wait_picture PPM [gone|coarse]: takes screenshots until the picture
# shows (gone: until it does not; coarse: to the top five bits of each
# component), for up to 30 seconds. Where it was found goes to
# $work/where.
wait_picture() {
    local end=$((SECONDS + 30)) found coarse=
    [ "${2:-}" = coarse ] && coarse=--coarse
    while :; do
        shoot && "$python" "$here/find_picture.py" "$1" "$work/shot.ppm" $coarse >"$work/where" && found=1 || found=0
        [ "${2:-}" = gone ] && found=$((1 - found))
        ((found)) && return 0
        ((SECONDS < end)) || return 1
        sleep 0.3
    done
}
