#!/usr/bin/env bash
# Runs start-up benchmarks on one Xvfb of their own, in turn and ROUNDS
# times, so that builds compared side by side share the server and the
# machine's load of the moment. Extra benchmark flags go in BENCH_FLAGS.
#   bench/x11/startup_bench.sh BENCH [BENCH...]
#   e.g. ROUNDS=3 bench/x11/startup_bench.sh before/startup_bench after/startup_bench
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BENCH [BENCH...]" >&2; exit 2; }
rounds=${ROUNDS:-1}

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The dice program's full screen of 800x600 at 16 bits on a larger monitor.
# Without -noreset the server resets whenever its last client leaves, which
# would add a reset to every open: a desktop always has other clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

for round in $(seq "$rounds"); do
    for bench in "$@"; do
        echo "== round $round: $bench (load: $(cut -d' ' -f1-3 /proc/loadavg))"
        # shellcheck disable=SC2086
        "$bench" ${BENCH_FLAGS:-}
    done
done
