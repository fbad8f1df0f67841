#!/usr/bin/env bash
# Keys as people type them on a real terminal (a detached tmux session in a
# UTF-8 locale) into line_echo: Spanish letters as UTF-8, the numeric
# keypad in both of its modes, Escape pressed twice quickly, Shift+Tab.
# Usage: terminal_keys_tmux_test.sh path/to/line_echo
set -u
program=$1
socket=terminal_keys_$$
fail=0
pass=0
. "$(dirname "$0")/tmux_session.sh"

raw() { t send-keys -t e2e -H "$@"; }

cat >"$work/run.sh" <<SCRIPT
export LC_ALL=C.UTF-8
$(printf '%q' "$program")
sleep 600
SCRIPT
t -u new-session -d -s e2e -x 40 -y 12 "bash $work/run.sh"
wait_line "LINE?" 10 || { echo "no prompt"; screen; exit 1; }

# UTF-8 input becomes code page 437 and is shown as UTF-8 again.
t send-keys -t e2e -l "ñ¿á"
check "spanish letters" "<ñ¿á>" Enter
# The keypad as tmux sends it without application mode: digits and
# operators; Enter ends the line.
check "keypad" "<12+3*4-5/6.7>" KP1 KP2 KP+ KP3 KP* KP4 KP- KP5 KP/ KP6 KP. KP7 KPEnter
# In application mode (ESC O and a letter) the same keys give the same.
raw 1b 4f 71 1b 4f 72 1b 4f 6b 1b 4f 77 1b 4f 6e 1b 4f 70
check "keypad in application mode" "<12+7.0>" Enter
raw 1b 4f 79 1b 4f 4d
wait_line "<9>" || { fail=$((fail + 1)); echo "application-mode Enter did not end the line"; screen; }
# Escape twice quickly still erases the line: two Escapes, not Alt+Escape.
t send-keys -t e2e j u n k
raw 1b 1b
sleep 0.3
check "two escapes" "<ok>" o k Enter
# Shift+Tab gives an extended key, which the editor ignores.
check "shift+tab" "<ab>" a BTab b Enter
check "end" "BYE" Enter

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
