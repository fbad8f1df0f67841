#!/usr/bin/env bash
# Wall time of the dice program for the largest number of throws: from the
# count's Enter to the end, the final key typed ahead. The program runs on
# the "Terminal" driver in a pseudo-terminal of script(1), with no display
# to open or to hang on ("Null" would do as well, but shows nothing, and
# the time counts only if the report came out: the Terminal driver leaves
# it in the terminal at the end).
# With "sixel" the terminal says it takes sixel images and has an 840 x
# 650 pixel text area (as xterm tells the kernel), so the page goes out as
# images.
# Usage: bench/dice_wall_time.sh [path/to/dice] [sixel]
set -euo pipefail
dice=$(realpath "${1:-build/linux/app/dice}")
run=$(printf %q "$dice")
ready=LANZAMIENTOS  # the prompt has been shown
if [ "${2:-}" = sixel ]; then
    export DNGFX_TERMINAL_GRAPHICS=sixel
    run="python3 -c 'import fcntl, os, struct, sys, termios
fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack(\"HHHH\", 50, 140, 840, 650))
os.execv(sys.argv[1], sys.argv[1:])' $run"
    ready=$'\eP'  # the first image
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/keys"
exec {keys}<>"$work/keys"
env -u DISPLAY -u WAYLAND_DISPLAY DNGFX=terminal TERM=xterm timeout 600 \
    script -qefc "$run" /dev/null <"$work/keys" >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -qF "$ready" "$work/out" 2>/dev/null && break
    sleep 0.1
done
start=$(date +%s%N)
printf '2147483647\rx' >&$keys
rc=0
wait "$pid" || rc=$?
end=$(date +%s%N)
# The text the program left on the normal screen, without its colours.
out=$(<"$work/out")
report=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' <<<"${out##*$'\e[?1049l'}")
echo "$report"
fail() { echo "FAIL: $* (exit code $rc)" >&2; exit 1; }
total=0
for face in 1 2 3 4 5 6; do
    count=$(sed -n "s/^frecuecia absoluta de  $face =  \([0-9]*\)\$/\1/p" <<<"$report")
    [ -n "$count" ] || fail "no count for face $face"
    total=$((total + count))
done
grep -q '^MEDIA ARITMETICA GLOBAL = ' <<<"$report" || fail "no mean in the report"
[ "$total" -eq 2147483647 ] || fail "the counts add up to $total"
[ "$rc" -eq 0 ] || fail "the program failed"
ms=$(((end - start) / 1000000))
printf 'wall time: %d.%03d s for 2147483647 throws\n' $((ms / 1000)) $((ms % 1000))
