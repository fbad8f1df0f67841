#!/usr/bin/env bash
# Runs a command against an Xvfb of its own (a free display number that
# Xvfb picks itself), which ends with it.
#   with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
fi
DISPLAY=:$(head -n1 "$work/display") "$@"
