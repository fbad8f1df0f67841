#!/usr/bin/env bash
# The dice program on the "Terminal" driver, with no display, in a real
# terminal (a detached tmux session of fixed size): the dialogue read back
# row by row at several sizes and colour depths, the cursor during the
# line input, the results left on the normal screen, a long paste, a
# resize, a terminal smaller than the text, and every way out (final key,
# Ctrl+C, hang-up)
# with the terminal's settings unchanged. A redirected run still reports
# that no screen could be had.
# With an emulator (Wine) only the dialogue runs, in the console's colours.
# Usage: terminal_driver_tmux_test.sh path/to/dice [emulator...]
set -u
dice=$1
shift
runner=
if [ $# -gt 0 ]; then runner=$(printf '%q ' "$@"); fi
socket=terminal_driver_$$
fail=0
pass=0
. "$(dirname "$0")/tmux_session.sh"
. "$(dirname "$0")/dice_report.sh"

ok() { pass=$((pass + 1)); }
bad() {
    fail=$((fail + 1))
    echo "$1"
    screen | sed 's/^/    | /'
}
info() { t display -p -t e2e "$1"; }

# start cols rows env... : the program in a fresh session, between two
# readings of the terminal's settings.
start() {
    local cols=$1 rows=$2
    shift 2
    t kill-session -t e2e 2>/dev/null
    rm -f "$work/before" "$work/after" "$work/pid"
    cat >"$work/run.sh" <<SCRIPT
trap : INT HUP
stty -g >"$work/before"
env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX LANG=C.UTF-8 WINEDEBUG=-all $* bash -c 'echo \$\$ >"$work/pid"; exec "\$@"' - $runner$(printf '%q' "$dice")
echo "EXIT \$?"
stty -g >"$work/after"
sleep 600
SCRIPT
    t new-session -d -s e2e -x "$cols" -y "$rows" "bash $work/run.sh"
}

prompt="NUMERO DE LANZAMIENTOS = ?"

if [ -n "$runner" ]; then
    # The first start of Wine takes a while.
    start 80 24 TERM=xterm
    if wait_line "$prompt" 60; then
        t send-keys -t e2e 1 2 Enter
        wait_match "^frecuecia absoluta de +6 = " && check_report "console" || bad "console: no report"
        t send-keys -t e2e x
        wait_line "EXIT 0" 20 && check_report "console, after the end" || bad "console: no normal end"
    else
        bad "console: no prompt"
    fi
    echo "$pass passed, $fail failed"
    [ "$fail" -eq 0 ]
    exit
fi

# dialogue name cols rows sgr-pattern env...
dialogue() {
    local name=$1 cols=$2 rows=$3 sgr=$4
    shift 4
    start "$cols" "$rows" "$@"
    wait_line "$prompt" 20 || { bad "$name: no prompt"; return; }
    [ "$(info '#{alternate_on}')" = 1 ] && ok || bad "$name: not on the alternate screen"
    t send-keys -t e2e 1 2
    wait_line "$prompt 12" || { bad "$name: typed text not shown"; return; }
    # The terminal's cursor stands after the typed text.
    local cursor
    for _ in $(seq 40); do
        cursor=$(info '#{cursor_x},#{cursor_y},#{cursor_flag}')
        [ "$cursor" = "29,2,1" ] && break
        sleep 0.05
    done
    [ "$cursor" = "29,2,1" ] && ok || bad "$name: cursor at $cursor during the input"
    t send-keys -t e2e Enter
    wait_match "^frecuecia absoluta de +6 = " || { bad "$name: no report"; return; }
    check_report "$name"
    t capture-pane -e -p -t e2e | head -1 | grep -qF -- "$sgr" && ok || bad "$name: colours are not '$sgr'"
    # The final key: the results stay, on the normal screen.
    t send-keys -t e2e x
    wait_line "EXIT 0" 10 || { bad "$name: no normal end"; return; }
    [ "$(info '#{alternate_on}')" = 0 ] && ok || bad "$name: alternate screen left on"
    check_report "$name (normal screen)"
    t capture-pane -e -p -t e2e | grep -q $'\e\\[[0-9;]*[1-9][0-9;]*m' && bad "$name: results left in colours" || ok
    [ "$(info '#{cursor_flag}')" = 1 ] && ok || bad "$name: cursor left hidden"
    sleep 0.2
    cmp -s "$work/before" "$work/after" && ok || bad "$name: terminal settings changed"
}

dialogue "80x24, 16 colours" 80 24 $'\e[97m' TERM=xterm
dialogue "120x40, 256 colours" 120 40 $'\e[38;5;231m' TERM=xterm-256color
dialogue "80x24, truecolor" 80 24 $'\e[38;2;255;255;255m' TERM=xterm-256color COLORTERM=truecolor
dialogue "120x40, truecolor, asked for" 120 40 $'\e[38;2;255;255;255m' TERM=screen COLORTERM=24bit DNGFX=terminal

# A paste far longer than the screen's key queue: every byte reaches the
# line editor, the answer's first digits too.
start 80 24 TERM=xterm
wait_line "$prompt" 20 || bad "paste: no prompt"
t send-keys -t e2e -l "12$(printf '%40s' '')"
t send-keys -t e2e Enter
if wait_match "^frecuecia absoluta de +6 = "; then check_report "paste"; else bad "paste: no report"; fi
t send-keys -t e2e x
wait_line "EXIT 0" 10 && ok || bad "paste: no normal end"

# A terminal smaller than the text shows the part that holds the cursor;
# growing it shows everything again.
start 40 6 TERM=xterm
wait_line "$prompt" 20 || bad "small: no prompt"
t send-keys -t e2e 1 2 Enter
if wait_match "^frecuecia absoluta de +6 = " && ! screen | grep -q SIMULADOR; then ok; else bad "small: the cursor's rows not shown"; fi
t resize-window -t e2e -x 100 -y 40
if wait_line "SIMULADOR DE LANZAMIENTO DE DADOS"; then check_report "resized"; else bad "resize: not redrawn"; fi
t send-keys -t e2e x
wait_line "EXIT 0" 10 && ok || bad "small: no normal end"

# Ctrl+C during the input ends the program by the signal, everything put back.
start 80 24 TERM=xterm-256color
wait_line "$prompt" 20 || bad "ctrl+c: no prompt"
t send-keys -t e2e 4 C-c
if wait_match "EXIT 130" 10; then ok; else bad "ctrl+c: the program did not end by SIGINT"; fi
sleep 0.2
[ "$(info '#{alternate_on},#{cursor_flag}')" = "0,1" ] && ok || bad "ctrl+c: screen or cursor not restored"
cmp -s "$work/before" "$work/after" && ok || bad "ctrl+c: terminal settings changed"

# A hang-up is the close key: the program ends normally.
start 80 24 TERM=xterm
wait_line "$prompt" 20 || bad "hang-up: no prompt"
kill -HUP "$(cat "$work/pid")"
if wait_line "EXIT 0" 10; then ok; else bad "hang-up: no normal end"; fi
sleep 0.2
[ "$(info '#{alternate_on},#{cursor_flag}')" = "0,1" ] && ok || bad "hang-up: screen or cursor not restored"
cmp -s "$work/before" "$work/after" && ok || bad "hang-up: terminal settings changed"

# The terminal itself goes away: the program ends instead of waiting on.
start 80 24 TERM=xterm
wait_line "$prompt" 20 || bad "kill-session: no prompt"
pid=$(cat "$work/pid")
t kill-session -t e2e
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    bad "kill-session: the program is still running"
    kill -KILL "$pid"
else
    ok
fi

# Output redirected, input a terminal: the message, byte for byte, and 0.
start 80 24 TERM=xterm
t kill-session -t e2e
cat >"$work/run.sh" <<SCRIPT
env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX TERM=xterm $(printf '%q' "$dice") >"$work/out"
echo "EXIT \$?"
sleep 600
SCRIPT
t new-session -d -s e2e -x 80 -y 24 "bash $work/run.sh"
if wait_line "EXIT 0" 20 && cmp -s "$work/out" <(printf 'Error setting video mode!\r\n'); then ok; else
    bad "redirected: $(od -An -c "$work/out" | head -2)"
fi

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
