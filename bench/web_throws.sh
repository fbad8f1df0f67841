#!/usr/bin/env bash
# 2147483647 throws on one core: the page's build under node (WebAssembly
# SIMD) beside the native build's SSE2 lanes, in one run. Prints each
# one's own timing and processor time, and the ratio of the latter.
#   bench/web_throws.sh [NATIVE_BUILD [WEB_BUILD]]   (build/linux, build/web)
set -euo pipefail
native=${1:-build/linux}/bench/throw_time
web=${2:-build/web}/bench/throw_time.js
TIMEFORMAT=%U
cpu() {  # prints the program's line, then its user time in seconds
    { time "$@" >&3; } 2>&1
}
exec 3>&1
echo "native sse2:"
n=$(cpu "$native" sse2)
echo "  user ${n} s"
echo "web simd128 under node:"
w=$(cpu node --no-experimental-fetch "$web")
echo "  user ${w} s"
awk -v n="$n" -v w="$w" 'BEGIN { printf "web / native = %.2f\n", w / n }'
