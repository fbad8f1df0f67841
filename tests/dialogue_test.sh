#!/usr/bin/env bash
# The program from the outside. Usage: dialogue_test.sh path/to/dice [emulator...]
#  - with no display to open, it says so on standard output and ends with 0;
#  - on the "Null" driver it takes its keys from standard input, shows
#    nothing, and ends with 0 once the input is used up.
set -u
dice=$1
shift
runner=("$@")
pass=0
fail=0
out=$(mktemp)
trap 'rm -f "$out"' EXIT

expect() {  # description, expected output (printf format), command...
    local what=$1 want=$2
    shift 2
    timeout 60 "$@" >"$out" 2>/dev/null </dev/null
    local status=$?
    if [ "$status" -eq 0 ] && cmp -s "$out" <(printf "$want"); then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "$what: exit $status, output: $(od -An -c "$out" | head -3)"
    fi
}

no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX)
expect "no display" 'Error setting video mode!\r\n' "${no_display[@]}" "${runner[@]}" "$dice"
expect "unknown driver named" 'Error setting video mode!\r\n' \
    "${no_display[@]}" DNGFX=nosuchdriver "${runner[@]}" "$dice"

# Standard output a pipe whose reader has gone: the message is lost, the
# exit code is still 0 (no SIGPIPE). The fifo is opened for reading only
# until the write end is open, so every later write fails.
closed_pipe_run() {  # description, command...
    local what=$1 fifo keep w status
    shift
    fifo=$(mktemp -u) && mkfifo "$fifo" || { fail=$((fail + 1)); echo "$what: no fifo"; return; }
    exec {keep}<>"$fifo"
    exec {w}>"$fifo"
    exec {keep}<&-
    rm -f "$fifo"
    timeout 60 "$@" >&$w 2>/dev/null </dev/null
    status=$?
    exec {w}>&-
    if [ "$status" -eq 0 ]; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "$what: exit $status"
    fi
}
closed_pipe_run "no display, output to a closed pipe" "${no_display[@]}" "${runner[@]}" "$dice"

# On the Null driver: the dialogue runs in memory, fed from a pipe.
null_run() {  # input
    printf '%s' "$1" | timeout 60 env DNGFX=NuLl "${runner[@]}" "$dice" >"$out" 2>/dev/null
    local status=$?
    if [ "$status" -eq 0 ] && [ ! -s "$out" ]; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "null driver with input $(printf %q "$1"): exit $status"
    fi
}
null_run $'12\n'
null_run $'7.9\n'
null_run ''
null_run $'abc'

# Keys written later, on a pipe whose writer stays: the answer and then the
# final key must each be taken as they come, so the program ends on the key
# while the pipe is still open. (A pipe that cannot say how many bytes wait,
# as under Wine, must not hold the program in a read of the next byte.)
later_keys_run() {
    local fifo w pid end status=
    fifo=$(mktemp -u) && mkfifo "$fifo" || { fail=$((fail + 1)); echo "later keys: no fifo"; return; }
    timeout 120 env DNGFX=null "${runner[@]}" "$dice" <"$fifo" >"$out" 2>/dev/null &
    pid=$!
    exec {w}>"$fifo"
    rm -f "$fifo"
    printf '12\n' >&$w
    sleep 1
    printf 'x' >&$w
    end=$((SECONDS + 30))
    while kill -0 "$pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && status=open
    exec {w}>&-
    wait "$pid"
    local code=$?
    if [ -z "$status" ] && [ "$code" -eq 0 ]; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "later keys: ${status:+still running 30 s after the final key, }exit $code"
    fi
}
later_keys_run

# No thread to be had (a process limit, as `ulimit -u` or a container's pid
# limit set): the "Terminal" driver, which needs one, refuses in a terminal
# of script(1), and the program says so and ends with 0 instead of
# aborting. Root is not held by the limit, so root runs it as nobody, from
# a copy in a folder of its own: the build tree may lie where nobody cannot
# reach (a home of mode 0700, a mktemp -d folder).
limited_run() {
    local limited=(prlimit --nproc=1 --) program=$dice copy= status
    if [ "$(id -u)" -eq 0 ]; then
        limited=(setpriv --reuid=65534 --regid=65534 --clear-groups "${limited[@]}")
        copy=$(mktemp -d) && chmod 0755 "$copy" && install -m 0755 "$dice" "$copy/" || {
            fail=$((fail + 1)); echo "no thread to be had: no copy of the program"; return; }
        program=$copy/$(basename "$dice")
    fi
    # The leak checker needs a thread of its own at exit. Nobody may not
    # read a suppressions file in the build's tree, and one thread has no
    # races to suppress.
    local tsan_options=${TSAN_OPTIONS:-}
    [ -z "$copy" ] || tsan_options=$(sed -E 's/(^| )suppressions=[^ ]*//' <<<"$tsan_options")
    env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX TERM=xterm ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        TSAN_OPTIONS="$tsan_options" \
        timeout 60 \
        script -qefc "$(printf '%q ' "${limited[@]}" "$program")" /dev/null </dev/null >"$out" 2>&1
    status=$?
    [ -z "$copy" ] || rm -rf "$copy"
    if [ "$status" -eq 0 ] && grep -q 'Error setting video mode!' "$out"; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "no thread to be had: exit $status, output: $(od -An -c "$out" | head -3)"
    fi
}
[ ${#runner[@]} -eq 0 ] && command -v script prlimit setpriv >/dev/null && limited_run

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
