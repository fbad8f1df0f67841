#!/usr/bin/env bash
# The final wait of the dice program: processor time over 5 s of it (all
# threads), and the time from a key to the program's exit. The 5 s start
# only once the results are on the screen, so that the line editor's wait
# is never what is measured.
#   bench/key_wait_cpu.sh BACK_END [program]
# BACK_END, run from the top of the source tree:
#   x11               build/linux/app/dice in a window on a private Xvfb
#   opengl            build/linux/tests/key_poll on a full screen opened
#                     with flag 0x02, which only the "OpenGL" driver takes
#                     (the dice program never asks for it)
#   null              the "Null" driver reading a pipe
#   terminal          build/linux/tests/key_poll (polls without a screen,
#                     after a line typed to it)
#   terminal-driver   dice with DNGFX=terminal
#   wine-directx      build/windows/app/dice.exe full screen under Wine
#   wine-gdi          build/windows/tests/key_poll.exe in a window (the
#                     "GDI" driver takes no full screen, so dice.exe
#                     never reaches it while "DirectX" opens)
#   wine-opengl       key_poll.exe as for opengl
#   wine-console      key_poll.exe in Wine's console, after a line
#   wine-null         dice.exe with DNGFX=null reading a pipe
#   wine-terminal     dice.exe with DNGFX=terminal in Wine's console
# The key_poll screens wait, as the dice program's final wait does, with
# a text on the screen; the driver that opened is checked. Every terminal
# and console is a private tmux server. Wine runs in a
# prefix of its own (a copy of build/windows/wine-template, made if it is
# missing; WINE_TEMPLATE names another), whose own processes (wineserver,
# explorer.exe, services.exe, ...) are measured beside the program and
# reported apart from it; so is Xvfb.
set -euo pipefail
back_end=$1
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
prog_pid= tmux_socket=
fail() {
    echo "$back_end: $*" >&2
    exit 1
}
. "$here/tests/e2e/xvfb_session.sh"
cleanup() {
    [ -n "$prog_pid" ] && kill -9 "$prog_pid" 2>/dev/null || true
    [ -n "$tmux_socket" ] && tmux -S "$tmux_socket" kill-server 2>/dev/null || true
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT

# Nanoseconds of processor time used so far by a process, its ended
# threads included (fields 14 and 15 of its stat, in clock ticks); empty
# once it has gone.
cpu_ns() {
    local stat fields
    stat=$(cat /proc/"$1"/stat 2>/dev/null) || return 0
    read -r -a fields <<<"${stat##*) }"
    echo $(((fields[11] + fields[12]) * 1000000000 / $(getconf CLK_TCK)))
}
now_ns() { echo $((${EPOCHREALTIME/./} * 1000)); }
percent() { echo "$(($1 / 50000000)).$(($1 / 5000000 % 10))%"; }  # of 5 s

# The processes of this run's Wine prefix, wineserver among them (not the
# tmux server, which inherits the prefix from this script).
wine_processes() {
    local pid
    for pid in $(pgrep -d ' ' '^wine|\.exe$'); do
        { tr '\0' '\n' </proc/"$pid"/environ; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
    return 0
}
# The process of this prefix that runs the Windows program $1 (its name,
# as Wine names the process; the wine command hands over to it), once
# there is one.
wine_process() {
    local pid name end=$((SECONDS + 60))
    while ((SECONDS < end)); do
        for pid in $(wine_processes); do
            grep -q '^State:.*Z' /proc/"$pid"/status 2>/dev/null && continue
            name=$(cat /proc/"$pid"/comm 2>/dev/null) || continue
            [ "$name" = "${1:0:15}" ] && { echo "$pid"; return 0; }
        done
        sleep 0.2
    done
    fail "no process for $1"
}
wine_prefix() {
    export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
    bash "$here/tests/win32/wine_run.sh" "$(realpath -m "${WINE_TEMPLATE:-build/windows/wine-template}")" --prefix "$WINEPREFIX" ||
        fail "no Wine prefix"
}

companions=()  # measured beside the program: Wine's processes and Xvfb

# --- Windows on Xvfb ---------------------------------------------------------
shot() { import -window root -depth 8 "ppm:$work/shot.ppm"; }
screen_rows() { build/linux/tests/screen_text "$work/shot.ppm" "$1" "$2" 1 60 14; }
# Waits for the dialogue's heading and prompt, then types 12 and Return into
# window $1 and waits for the last row of the results.
dialogue_in_window() {
    local heading='SIMULADOR DE LANZAMIENTO DE DADOS' found= got= x y end
    focus_window "$1" || fail "window $1 cannot take the focus"
    end=$((SECONDS + 60))
    while [ -z "$found" ] && ((SECONDS < end)); do
        shot
        for y in $(seq 0 40); do
            for x in $(seq 0 8); do
                [ "$(build/linux/tests/screen_text "$work/shot.ppm" "$x" "$y" 1 60 1)" = "$heading" ] &&
                    found="$x $y" && break 2
            done
        done
        [ -n "$found" ] || sleep 0.3
    done
    [ -n "$found" ] || fail "no heading on the screen"
    read -r x y <<<"$found"
    end=$((SECONDS + 60))
    until [ "$(screen_rows "$x" "$y" | sed -n 3p)" = 'NUMERO DE LANZAMIENTOS = ?' ]; do
        ((SECONDS < end)) || fail "no prompt on the screen"
        sleep 0.2
        shot
    done
    # The window takes keys once it has the focus; the heading shows that
    # the program is past its start-up.
    focus_window "$1" || fail "window $1 cannot take the focus"
    [ "$(xdotool getwindowfocus)" = "$1" ] || fail "window $1 lost the focus"
    xdotool type --delay 50 12
    xdotool key Return
    end=$((SECONDS + 60))
    while ((SECONDS < end)); do
        shot
        got=$(screen_rows "$x" "$y")
        [ -n "$(sed -n 13p <<<"$got")" ] && break
        sleep 0.3
    done
    [ "$(sed -n 3p <<<"$got")" = 'NUMERO DE LANZAMIENTOS = ? 12' ] || fail "prompt row: $got"
    grep -qE '^frecuecia absoluta de +6 = +[0-9]+$' <<<"$(sed -n 13p <<<"$got")" || fail "no results: $got"
}

# Waits until key_poll's screen in window $1 was opened by driver $2 (its
# text follows at once), then gives the window the focus.
window_waits() {
    local end=$((SECONDS + 60))
    until grep -q "^driver: " "$work/driver" 2>/dev/null; do
        ((SECONDS < end)) || fail "no screen: $(cat "$work/driver" 2>/dev/null)"
        sleep 0.2
    done
    tr -d '\r' <"$work/driver" | grep -qx "driver: $2" || fail "the screen opened with another driver: $(cat "$work/driver")"
    focus_window "$1" || fail "window $1 cannot take the focus"
}

# --- terminals and consoles in tmux ---------------------------------------
pane() { tmux -S "$tmux_socket" capture-pane -p; }
press() { tmux -S "$tmux_socket" send-keys x; }
start_in_tmux() {  # COMMAND...
    tmux_socket=$work/tmux
    tmux -S "$tmux_socket" -f /dev/null new-session -d -x 80 -y 25 "$*"
}
wait_pane() {  # PATTERN (extended)
    local end=$((SECONDS + 60))
    until pane | grep -qE "$1"; do
        ((SECONDS < end)) || fail "no \"$1\" in the pane: $(pane)"
        sleep 0.2
    done
}
# key_poll on a console reads a line first, as the dice program's final
# wait comes after its answer: under Wine the first key a fresh console
# takes reaches the program 100-200 ms late, whatever the program does.
# KEY_WAIT_FIRST_KEY=1 measures that first key instead.
first_line=line
[ -n "${KEY_WAIT_FIRST_KEY:-}" ] && first_line=
answer_line() {
    [ -n "$first_line" ] || return 0
    wait_pane LINE
    tmux -S "$tmux_socket" send-keys 12 Enter
}
dialogue_in_tmux() {
    wait_pane 'NUMERO DE LANZAMIENTOS = [?]'
    tmux -S "$tmux_socket" send-keys 12 Enter
    wait_pane 'frecuecia absoluta de +6 = +[0-9]+'
}

case $back_end in
    x11)
        xvfb_start 800x600x24
        "${2:-build/linux/app/dice}" >/dev/null 2>&1 &
        prog_pid=$!
        wid=$(find_windows '^dice$' | head -n1) || fail "no window"
        dialogue_in_window "$wid"
        press() { xdotool key space; } ;;
    opengl)
        xvfb_start 800x600x24
        "${2:-build/linux/tests/key_poll}" screen full opengl >/dev/null 2>"$work/driver" &
        prog_pid=$!
        wid=$(find_windows '^key_poll' | head -n1) || fail "no window"
        window_waits "$wid" OpenGL
        press() { xdotool key space; } ;;
    wine-directx)
        xvfb_start 800x600x24
        wine_prefix
        export DNGFX=directx
        wine "${2:-build/windows/app/dice.exe}" >/dev/null 2>&1 &
        wid=$(find_windows '^dice$' | head -n1) || fail "no window"
        prog_pid=$(wine_process dice.exe)
        dialogue_in_window "$wid"
        press() { xdotool key space; } ;;
    wine-gdi | wine-opengl)
        xvfb_start 800x600x24
        wine_prefix
        if [ "$back_end" = wine-gdi ]; then
            export DNGFX=gdi
            wine "${2:-build/windows/tests/key_poll.exe}" screen >/dev/null 2>"$work/driver" &
        else
            wine "${2:-build/windows/tests/key_poll.exe}" screen full opengl >/dev/null 2>"$work/driver" &
        fi
        wid=$(find_windows '^key_poll' | head -n1) || fail "no window"
        prog_pid=$(wine_process key_poll.exe)
        [ "$back_end" = wine-gdi ] && window_waits "$wid" GDI || window_waits "$wid" OpenGL
        press() { xdotool key space; } ;;
    null)
        mkfifo "$work/keys"
        DNGFX=null "${2:-build/linux/app/dice}" <"$work/keys" >/dev/null &
        prog_pid=$!
        exec 4>"$work/keys"
        printf '12\n' >&4
        sleep 2  # the pipe gives no sign of the results; 12 throws take no time
        press() { printf 'x' >&4; } ;;
    terminal)
        start_in_tmux "echo \$\$ > $work/pid; exec ${2:-build/linux/tests/key_poll} $first_line"
        answer_line
        wait_pane WAITING
        prog_pid=$(cat "$work/pid") ;;
    terminal-driver)
        start_in_tmux "echo \$\$ > $work/pid; export DNGFX=terminal; exec ${2:-build/linux/app/dice}"
        dialogue_in_tmux
        prog_pid=$(cat "$work/pid") ;;
    wine-console)
        wine_prefix
        program=${2:-build/windows/tests/key_poll.exe}
        start_in_tmux "env WINEPREFIX=$WINEPREFIX WINEDEBUG=-all wine $program $first_line"
        answer_line
        wait_pane WAITING
        prog_pid=$(wine_process "$(basename "$program")") ;;
    wine-null)
        wine_prefix
        mkfifo "$work/keys"
        DNGFX=null wine "${2:-build/windows/app/dice.exe}" <"$work/keys" >/dev/null 2>&1 &
        exec 4>"$work/keys"
        prog_pid=$(wine_process dice.exe)
        printf '12\n' >&4
        sleep 2
        press() { printf 'x' >&4; } ;;
    wine-terminal)
        wine_prefix
        program=${2:-build/windows/app/dice.exe}
        start_in_tmux "env WINEPREFIX=$WINEPREFIX WINEDEBUG=-all DNGFX=terminal wine $program"
        dialogue_in_tmux
        prog_pid=$(wine_process "$(basename "$program")") ;;
    *) echo "unknown back end $back_end" >&2; exit 2 ;;
esac

sleep 1  # the last drawing has settled
if [ -n "${WINEPREFIX:-}" ]; then
    for pid in $(wine_processes); do [ "$pid" != "$prog_pid" ] && companions+=("$pid"); done
fi
[ -n "${xvfb_pid:-}" ] && companions+=("$xvfb_pid")
declare -A before
for pid in "$prog_pid" "${companions[@]}"; do before[$pid]=$(cpu_ns "$pid"); done
sleep 5
program_ns=$(($(cpu_ns "$prog_pid") - before[$prog_pid]))
wine_ns=0 others=
for pid in "${companions[@]}"; do
    after=$(cpu_ns "$pid")
    [ -n "$after" ] && [ -n "${before[$pid]}" ] || continue
    used=$((after - before[$pid]))
    name=$(cat /proc/"$pid"/comm 2>/dev/null || echo "$pid")
    others+=" $name $(percent "$used"),"
    [ "$name" != Xvfb ] && wine_ns=$((wine_ns + used))
done
line="$back_end: program $(percent "$program_ns") of a core over 5 s of the final wait"
[ -n "${WINEPREFIX:-}" ] && line+="; with Wine's processes $(percent $((program_ns + wine_ns)))"
echo "$line"
[ -n "$others" ] && echo "  beside it:${others%,}"
# Timed from the moment the sender returns: xdotool and tmux themselves
# take tens of milliseconds on a loaded machine, before the key is sent.
press
pressed=$(now_ns)
[ -n "${KEY_WAIT_DEBUG:-}" ] && { $KEY_WAIT_DEBUG "$prog_pid" & }
# Ended when its process has gone or is a zombie (its parent need not
# be this script, nor reap it at once); looked at every millisecond.
mkfifo "$work/tick"
exec 5<>"$work/tick"
while :; do
    { read -r stat </proc/"$prog_pid"/stat; } 2>/dev/null || break
    [[ "${stat##*) }" == Z* ]] && break
    (($(now_ns) - pressed < 5000000000)) || fail "no exit within 5 s of the key"
    read -r -t 0.001 -u 5 || true
done
echo "$back_end: exit $((($(now_ns) - pressed) / 1000000)) ms after the key was sent (the sender returned)"
prog_pid=
