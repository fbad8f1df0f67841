#!/usr/bin/env bash
# Drives line_echo through a real terminal in a detached tmux session: the
# editing keys, a line that wraps, and Ctrl+C leaving the terminal as it was.
# Usage: line_echo_tmux_test.sh path/to/line_echo [emulator...]
set -u
program=$1
shift
runner=$(printf '%q ' "$@")
fail=0
pass=0
. "$(dirname "$0")/tmux_session.sh"

# The shell around the program records the terminal settings before and
# after, and the exit, so that Ctrl+C can be checked.
cat >"$work/run.sh" <<SCRIPT
stty -g >"$work/before"
WINEDEBUG=-all $runner$(printf '%q' "$program")
echo "EXIT \$?"
stty -g >"$work/after"
sleep 600
SCRIPT
t new-session -d -s e2e -x 40 -y 12 "bash $work/run.sh"

# The first start of Wine takes a while.
if ! wait_line "LINE?" 60; then
    echo "no prompt"
    screen
    exit 1
fi

check "left, insert" "<1923>" 1 2 3 Left Left 9 Enter
# tmux types Home and End as ESC [1~ and ESC [4~, which Wine's console does
# not decode; an xterm types them as ESC [H and ESC [F.
home=$'\e[H'
end=$'\e[F'
check "home, delete, end" "<bcd>" a b c "$home" DC "$end" d Enter
check "backspace" "<xz>" x y BSpace z Enter
check "backspace and left at the start" "<q>" BSpace Left q Enter
check "delete in the middle" "<helo>" h e l l o Left Left Left Left Right DC Enter
check "tab to the next stop" "<ab      c>" a b Tab c Enter
# A lone ESC is told from the start of a sequence by the pause after it.
t send-keys -t e2e j u n k Escape
sleep 0.5
check "escape erases" "LINE? ok" o k
if screen | grep -q junk; then
    fail=$((fail + 1)); echo "escape: junk still on the screen"
else
    pass=$((pass + 1))
fi
check "escape result" "<ok>" Enter
check "insert, page up and F1 ignored" "<pq>" p IC PPage F1 q Enter

# 50 characters after the 6 of the prompt wrap at column 40.
long=abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX
t send-keys -t e2e -l "$long"
if wait_line "LINE? ${long:0:34}" && wait_line "${long:34}"; then
    pass=$((pass + 1))
else
    fail=$((fail + 1)); echo "wrap: the line does not continue on the next row"; screen
fi
check "wrapped line" "${long:39}>" Enter
# Home goes back over the wrap to the first character.
t send-keys -t e2e -l "$long"
wait_line "${long:34}"
check "home on a wrapped line" "<Z${long:0:38}" "$home" Z Enter

# Ctrl+C ends the program and leaves the terminal as it found it.
wait_line "LINE?" 5
t send-keys -t e2e C-c
if wait_match 'EXIT [0-9]+$' 20; then
    sleep 0.5
    if cmp -s "$work/before" "$work/after"; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1)); echo "ctrl+c: terminal settings changed"
        cat "$work/before" "$work/after"
    fi
else
    fail=$((fail + 1)); echo "ctrl+c: the program did not end"; screen
fi

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
