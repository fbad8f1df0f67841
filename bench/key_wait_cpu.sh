#!/usr/bin/env bash
# The final wait of the dice program: processor time over 5 s of it (all
# threads), and the time from a key to the program's exit.
#   bench/key_wait_cpu.sh BACK_END [program]
# BACK_END: x11, opengl (the drivers on a private Xvfb), null (the "Null"
# driver reading a pipe), wine-gdi, wine-directx, wine-opengl (dice.exe under
# Wine on a private Xvfb), terminal and wine-console (build/*/tests/key_poll,
# which polls without a screen, in a private tmux server).
set -euo pipefail
back_end=$1
work=$(mktemp -d)
xvfb_pid= prog_pid= tmux_socket=
cleanup() {
    [ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null || true
    [ -n "$tmux_socket" ] && tmux -L "$tmux_socket" kill-server 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Nanoseconds of processor time used so far by a process, its ended
# threads included (fields 14 and 15 of its stat, in clock ticks).
cpu_ns() {
    local fields
    read -r -a fields < <(sed 's/.*) //' /proc/"$1"/stat)
    echo $(( (fields[11] + fields[12]) * 1000000000 / $(getconf CLK_TCK) ))
}
now_ns() { date +%s%N; }

start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=:$(head -n1 "$work/display")
}
# Types into the window named NAME once it is there.
type_into() {  # NAME KEYS...
    local name=$1 wid
    shift
    wid=$(timeout 60 xdotool search --sync --name "$name" | head -n1)
    sleep 3  # a first start under Wine is slow to take keys
    for _ in $(seq 50); do xdotool windowfocus --sync "$wid" 2>/dev/null && break; sleep 0.1; done
    xdotool type --delay 50 "$@"
    xdotool key Return
}

# The Windows process that Wine started for PROGRAM on this run's display
# (the wine command itself hands over and ends).
wine_process() {
    local pid found=
    sleep 2  # the launcher has handed over by then
    for pid in $(pgrep -f "$1"); do
        grep -q '^State:.*Z' /proc/"$pid"/status 2>/dev/null && continue
        tr '\0' '\n' < /proc/"$pid"/environ 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" && found=$pid
    done
    echo "$found"
}

case $back_end in
    x11|opengl)
        start_xvfb
        [ "$back_end" = opengl ] && export DNGFX=opengl
        "${2:-build/linux/app/dice}" > /dev/null 2>&1 &
        prog_pid=$!
        type_into '^dice' 12
        press() { xdotool key space; } ;;
    wine-gdi|wine-directx|wine-opengl)
        start_xvfb
        export WINEDEBUG=-all DNGFX=${back_end#wine-}
        wine "${2:-build/windows/app/dice.exe}" > /dev/null 2>&1 &
        type_into '^dice' 12
        prog_pid=$(wine_process dice.exe)
        press() { xdotool search --name '^dice' windowfocus --sync key space; } ;;
    null)
        mkfifo "$work/keys"
        DNGFX=null "${2:-build/linux/app/dice}" < "$work/keys" > /dev/null &
        prog_pid=$!
        exec 4>"$work/keys"
        printf '12\n' >&4
        press() { printf 'x' >&4; } ;;
    terminal|wine-console)
        tmux_socket=keywait$$
        program=${2:-build/linux/tests/key_poll}
        [ "$back_end" = wine-console ] && program="env WINEDEBUG=-all wine ${2:-build/windows/tests/key_poll.exe}"
        tmux -L "$tmux_socket" -f /dev/null new-session -d -x 80 -y 25 \
            "echo \$\$ > $work/pid; exec $program"
        for _ in $(seq 100); do [ -s "$work/pid" ] && break; sleep 0.1; done
        prog_pid=$(cat "$work/pid")
        press() { tmux -L "$tmux_socket" send-keys x; } ;;
    *) echo "unknown back end $back_end" >&2; exit 2 ;;
esac

sleep 3  # into the final wait
before=$(cpu_ns "$prog_pid")
sleep 5
after=$(cpu_ns "$prog_pid")
echo "$back_end: $(( (after - before) / 50000000 )).$(( (after - before) / 5000000 % 10 ))% of a core over 5 s of the final wait"
# Timed from the moment the sender returns: xdotool and tmux themselves
# take tens of milliseconds on a loaded machine, before the key is sent.
press
pressed=$(now_ns)
timeout 5 tail --pid="$prog_pid" -s 0.001 -f /dev/null || { echo "$back_end: no exit within 5 s of the key"; exit 1; }
echo "$back_end: exit $(( ($(now_ns) - pressed) / 1000000 )) ms after the key was sent (the sender returned)"
prog_pid=
