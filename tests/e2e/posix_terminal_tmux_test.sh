#!/usr/bin/env bash
# Drives line_echo on a real terminal (a detached tmux session of fixed
# size) and checks the screen: the editing keys, wrapping, typing into the
# bottom-right cell, and the terminal's settings and cursor after a normal
# end and after Ctrl+C.
# Usage: posix_terminal_tmux_test.sh path/to/line_echo
set -u
program=$1
fail=0
pass=0
. "$(dirname "$0")/tmux_session.sh"

ok() { pass=$((pass + 1)); }
bad() {
    fail=$((fail + 1))
    echo "$1"
    screen | sed 's/^/    | /'
}

# check name expected-line keys...
check() {
    local name=$1 want=$2
    shift 2
    t send-keys -t e2e "$@"
    if wait_line "$want"; then ok; else bad "$name: no line '$want'"; fi
}

typed() { t send-keys -t e2e -l "$1"; }

# The shell survives the Ctrl+C that ends the program (a trap, not an
# ignored signal, which the program would inherit).
cat >"$work/run.sh" <<SCRIPT
trap : INT
stty -g >"$work/before"
$(printf '%q' "$program")
echo "EXIT \$?"
stty -g >"$work/after1"
$(printf '%q' "$program")
echo "EXIT \$?"
stty -g >"$work/after2"
sleep 600
SCRIPT
t new-session -d -s e2e -x 40 -y 12 "bash $work/run.sh"
wait_line "LINE?" 10 || { bad "no prompt"; exit 1; }

check "left, insert" "<1923>" 1 2 3 Left Left 9 Enter
check "home, delete, end" "<bcd>" a b c Home DC End d Enter
check "backspace" "<xz>" x y BSpace z Enter
check "backspace and left at the start" "<q>" BSpace Left q Enter
check "right at the end" "<ab>" a Right Right b Enter
check "tab to the next stop" "<ab      c>" a b Tab c Enter
# An Escape followed at once by a letter is Alt+letter: the user's pause
# after it is what makes it the Escape key.
t send-keys -t e2e j u n k Escape
sleep 0.2
check "escape erases" "LINE? ok" o k
screen | grep -q junk && bad "escape: junk still on the screen"
check "escape result" "<ok>" Enter
check "insert, page up, F1 ignored" "<pq>" p IC PPage F1 q Enter

# 50 characters after the 6 of the prompt wrap at column 40.
long=abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX
typed "$long"
if wait_line "LINE? ${long:0:34}" && wait_line "${long:34}"; then ok; else bad "wrap: no second row"; fi
# Up goes one row back within the text: in front of character 10.
t send-keys -t e2e Up
typed "#"
want="<${long:0:10}#${long:10}>"
check "up on a wrapped line" "${want:40}" Enter
# Down from the start goes one row on: in front of character 40.
typed "$long"
t send-keys -t e2e Home Down
typed "%"
want="<${long:0:40}%${long:40}>"
check "down on a wrapped line" "${want:40}" Enter

# By now the cursor is on the bottom row: text that ends in the
# bottom-right cell scrolls the screen by one row, and typing goes on at the
# start of the new last row.
fill=0123456789012345678901234567890123
typed "$fill"
wait_line "LINE? $fill" || bad "bottom-right: the row is not full"
typed "!"
if wait_line "!"; then
    last=$(screen | tail -n 1)
    if [ "$last" = "!" ]; then ok; else bad "bottom-right: '!' is not on the last row"; fi
else
    bad "bottom-right: '!' not shown"
fi
check "bottom-right result" "<$fill!>" Enter

# An empty line ends the program normally.
check "normal end" "EXIT 0" Enter
sleep 0.3
if cmp -s "$work/before" "$work/after1"; then ok; else bad "normal end: terminal settings changed"; fi

# Ctrl+C in the middle of a line ends the next run by the signal.
wait_line "LINE?" 10
# No line end follows the signal, so the shell's line comes right after.
t send-keys -t e2e h i
wait_line "LINE? hi" 10
t send-keys -t e2e C-c
if wait_line "LINE? hiEXIT 130" 10; then ok; else bad "ctrl+c: the program did not end by SIGINT"; fi
sleep 0.3
if cmp -s "$work/before" "$work/after2"; then ok; else bad "ctrl+c: terminal settings changed"; fi
if [ "$(t display -p -t e2e '#{cursor_flag}')" = 1 ]; then ok; else bad "ctrl+c: cursor left hidden"; fi

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
