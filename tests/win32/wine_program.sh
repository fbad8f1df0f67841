# Shared by the Windows end-to-end scripts: the program under test runs in
# the background through wine_run, which gives it a Wine prefix and server
# of its own and stops them when the program ends or is told to end. Start
# it with `"$wine" program ... &` and set prog_pid=$!.
prog_pid=

stop_program() {
    [ -n "$prog_pid" ] || return 0
    kill "$prog_pid" 2>/dev/null || true
    wait "$prog_pid" 2>/dev/null || true
    prog_pid=
}

# Waits for the program to end by itself (up to a minute), with code 0;
# $1 says after what.
wait_exit() {
    local end=$((SECONDS + 60)) rc=0
    while kill -0 "$prog_pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.05; done
    kill -0 "$prog_pid" 2>/dev/null && fail "still running a minute after $1"
    wait "$prog_pid" || rc=$?
    prog_pid=
    [ "$rc" -eq 0 ] || fail "exit code $rc"
}
