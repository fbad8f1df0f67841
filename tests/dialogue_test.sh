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

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
