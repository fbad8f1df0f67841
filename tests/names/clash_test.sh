#!/usr/bin/env bash
# Runs the clash program on the "Null" driver with a line on standard input.
# Usage: clash_test.sh path/to/name_clash [emulator...]
set -u
out=$(printf 'Ana\n' | DNGFX=null timeout 60 "${@:2}" "$1" 2>&1)
status=$?
if [ "$status" -ne 0 ]; then
    echo "exit $status, output: $out"
    exit 1
fi
