#!/usr/bin/env bash
# Keyboard layouts end to end on an Xvfb of their own: the layout loaded
# into the server, physical keys pressed by key code through XTest (dead
# keys, AltGr and Shift as a user presses them), the typed line read back
# from a screenshot as code page 437 bytes.
#   layout_e2e.sh LAYOUT x11_demo screen_text xtest_keys
# LAYOUT: es, de or fr. The program runs with flag 4 (no switching), and
# Alt+Enter at its final wait must not count as a key.
set -euo pipefail
export LC_ALL=C  # the screen's text is compared byte by byte
layout=$1 demo=$2 decode=$3 keys=$4

work=$(mktemp -d)
xvfb_pid=
demo_pid=
cleanup() {
    [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL ($layout): $*" >&2
    [ -s "$work/out" ] && sed 's/^/  program: /' "$work/out" >&2
    exit 1
}

# The key presses (evdev numbers, see xtest_keys) and the bytes they must
# type. The number field makes the program echo what it read as well.
case "$layout" in
    es)
        # 2, n tilde and its capital, inverted ! and ?, c cedilla; dead
        # acute before a e i o u, dead diaeresis before u; AltGr+2 is @,
        # AltGr+E the euro sign, which code page 437 lacks (dropped); dead
        # acute then space and then a consonant, as X's compose rules have
        # them.
        presses=(3 39 shift+39 13 shift+13 43 40 30 40 18 40 23 40 24 40 22 shift+40 22 altgr+3 altgr+18
                 40 57 40 32)
        typed=$'2\xa4\xa5\xad\xa8\x87\xa0\x82\xa1\xa2\xa3\x81@\x27'
        number=2
        ;;
    de)
        # 7, sharp s, a o u with diaeresis, AltGr+Q is @.
        presses=(8 12 40 39 26 altgr+16)
        typed=$'7\xe1\x84\x94\x81@'
        number=7
        ;;
    fr)
        # The digit row types digits with Shift; without it, e acute.
        presses=(shift+2 shift+3 3)
        typed=$'12\x82'
        number=12
        ;;
    *) fail "no rows for layout $layout" ;;
esac

# -noreset: without it the server resets when setxkbmap, its only client,
# disconnects, and the layout with it.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(head -n1 "$work/display")
setxkbmap -layout "$layout" || fail "setxkbmap refused the layout"
setxkbmap -query | grep -q "^layout: *$layout\$" || fail "layout not loaded: $(setxkbmap -query)"

# Flag 4: no switching to full screen, so Alt+Enter must be no key at all.
# The program must type the same whatever locale it starts in: the Spanish
# run gets a UTF-8 one, the others the C locale.
program_locale=C
[ "$layout" = es ] && program_locale=C.UTF-8
LC_ALL=$program_locale "$demo" 4 16 >"$work/out" 2>&1 &
demo_pid=$!
wid=
for _ in $(seq 100); do
    wid=$(xdotool search --name '^x11_demo$' 2>/dev/null | head -n1 || true)
    [ -n "$wid" ] && xdotool windowfocus --sync "$wid" 2>/dev/null && break
    wid=
    sleep 0.1
done
[ -n "$wid" ] || fail "no window"
# The editor's prompt is on the screen once the program reads keys.
x=$(((1024 - 800) / 2)) y=$(((768 - 600) / 2))
row() { import -window root -depth 8 "ppm:$work/shot.ppm" && "$decode" "$work/shot.ppm" "$x" "$y" 1 100 6 | sed -n "$1p"; }
for _ in $(seq 50); do
    [ "$(row 3)" = "NUMBER = ?" ] && break
    sleep 0.1
done
"$keys" "${presses[@]}" 28 || fail "xtest_keys failed"

expected="NUMBER = ? $typed"
got=
for _ in $(seq 30); do
    got=$(row 3)
    [ "$got" = "$expected" ] && [ "$(row 4)" = "GOT  $number" ] && break
    sleep 0.1
done
if [ "$got" != "$expected" ]; then
    cp "$work/shot.ppm" "${TMPDIR:-/tmp}/layout_e2e_${layout}_$$.ppm" 2>/dev/null || true
    fail "typed line was: $(printf '%s' "$got" | od -An -tx1 | tr -s ' ')
expected:           $(printf '%s' "$expected" | od -An -tx1 | tr -s ' ')"
fi
[ "$(row 4)" = "GOT  $number" ] || fail "number read was: $(row 4)"
# The program waits for any key; Alt+Enter is none where switching is off.
"$keys" alt+28
sleep 0.3
kill -0 "$demo_pid" 2>/dev/null || fail "Alt+Enter ended the final wait"
"$keys" 45
for _ in $(seq 100); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.05
done
rc=0
wait "$demo_pid" || rc=$?
demo_pid=
[ "$rc" -eq 0 ] || fail "exit code $rc"
echo "layout $layout: typed line and number read back"
