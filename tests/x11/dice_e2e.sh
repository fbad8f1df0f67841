#!/usr/bin/env bash
# The dice program itself on its own Xvfb: it opens full screen (the
# monitor, 800 x 600 shown centred), the number of throws is typed, and the
# screen is read back row by row.
#   dice_e2e.sh RUN dice screen_text wm_close [INPUT]
# RUN: typed  type INPUT and Enter, check the report, a key ends the program
#      close  type 12, then the close button ends the final wait
#      lost   the X server ends while the prompt waits
# The counts depend on the clock's seed, so the report is checked for its
# shape and for agreeing with itself: the counts add up to the number of
# throws and the mean is their sum divided by it, as the program formats it.
set -euo pipefail
run=$1 dice=$2 decode=$3 closer=$4 input=${5:-12}
label="dice $run $(printf %q "$input")"
. "$(dirname "$0")/xvfb_session.sh"

start_xvfb 1024 768 24
start_app "$dice"
wid=$(wait_geometry dice 1024 768)
x=112 y=84  # (1024 - 800) / 2, (768 - 600) / 2

prompt_row="NUMERO DE LANZAMIENTOS = ? "
wait_rows() {  # ROWS CHECK: screenshots until CHECK accepts them
    local got= end=$((SECONDS + 30))
    while :; do
        got=$(screen_rows "$decode" "$x" "$y" 1 100 "$1")
        "$2" "$got" && return
        ((SECONDS < end)) || break
        sleep 0.1
    done
    fail "${report_fault:+$report_fault; }screen was:
$got"
}

prompt_shown() {
    [ "$1" = $'SIMULADOR DE LANZAMIENTO DE DADOS\n=================================\n'"${prompt_row% }" ]
}

# The number the program reads: leading blanks, a sign, digits (atoi).
expected_count() {
    local s=$1 sign=1
    s=${s#"${s%%[! ]*}"}
    case "$s" in -*) sign=-1 s=${s:1} ;; +*) s=${s:1} ;; esac
    s=${s%%[!0-9]*}
    echo $((sign * 10#${s:-0}))
}

check_report() {  # SCREEN: the whole report, agreeing with itself
    local -a row
    mapfile -t row <<<"$1"
    [ "${#row[@]}" -ge 13 ] || return 1
    [ "${row[0]}" = "SIMULADOR DE LANZAMIENTO DE DADOS" ] || return 1
    [ "${row[1]}" = "=================================" ] || return 1
    [ "${row[2]}" = "${prompt_row}${input}" ] || [ "${row[2]}" = "${prompt_row}${input% }" ] || return 1
    [ -z "${row[3]}" ] && [ -z "${row[4]}" ] && [ -z "${row[6]}" ] && [ -z "${row[13]:-}" ] || return 1
    local n count sum=0 total=0 face
    n=$(expected_count "$input")
    for face in 1 2 3 4 5 6; do
        local line=${row[$((6 + face))]}
        [[ "$line" =~ ^"frecuecia absoluta de  $face =  "([0-9]+)$ ]] || return 1
        count=${BASH_REMATCH[1]}
        total=$((total + count))
        sum=$((sum + face * count))
    done
    local mean
    if [ "$n" -gt 0 ]; then
        [ "$total" -eq "$n" ] || { report_fault="counts add up to $total, not $n"; return 1; }
        mean=" $(awk -v s="$sum" -v n="$n" 'BEGIN { printf "%.15g", s / n }')"
    else
        [ "$total" -eq 0 ] || { report_fault="$total throws for $n"; return 1; }
        [ "$n" -eq 0 ] && mean=" nan" || mean="-0"
    fi
    [ "${row[5]}" = "MEDIA ARITMETICA GLOBAL = $mean" ] || { report_fault="mean ${row[5]}, not $mean"; return 1; }
}

# A dock ties the window to the installed menu entry and its icon.
desktop_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../dist/dice.desktop")
window_class=$(xprop -id "$wid" WM_CLASS)
[ "$window_class" = "WM_CLASS(STRING) = \"$desktop_class\", \"$desktop_class\"" ] ||
    fail "the desktop entry names class '$desktop_class', the window has $window_class"
icon=$(xprop -id "$wid" -notype 32c _NET_WM_ICON)
[[ "$icon" == "_NET_WM_ICON = 32, 32, "* ]] || fail "no 32 x 32 icon: ${icon:0:80}"
focus "$wid"
wait_rows 3 prompt_shown
case "$run" in
    lost)
        start=$(date +%s%N)
        xvfb_stop
        expect_exit "$start" 10000
        exit 0
        ;;
esac

report_fault=
xdotool type --delay 30 -- "$input"
xdotool key Return
wait_rows 14 check_report
start=$(date +%s%N)
case "$run" in
    close) "$closer" "$wid" ;;
    *) xdotool key x ;;
esac
expect_exit "$start" 1000
