#!/usr/bin/env bash
# The whole dialogue through the program, with the number of throws on
# standard input. Usage: dialogue_test.sh path/to/dice [emulator...]
set -u
dice=$1
shift
fail=0
pass=0

# Prints the dialogue for input $1 with CR LF line ends turned into LF.
dialogue() { printf '%s\n' "$1" | "${runner[@]}" "$dice" | tr -d '\r'; }
runner=("$@")
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT

check() {  # input, expected throws, [expected mean]
    local input=$1 throws=$2 mean=${3:-}
    local out status
    printf '%s\n' "$input" | "${runner[@]}" "$dice" >"$tmp"
    status=$?
    out=$(tr -d '\r' <"$tmp")
    local -a lines
    mapfile -t lines <<<"$out"
    local problems=()
    [ "$status" -eq 0 ] || problems+=("exit code $status")
    [ "${lines[0]}" = "SIMULADOR DE LANZAMIENTO DE DADOS" ] || problems+=("heading: ${lines[0]}")
    [ "${lines[1]}" = "=================================" ] || problems+=("underline: ${lines[1]}")
    [ "${lines[2]}" = "NUMERO DE LANZAMIENTOS = ? $input" ] || problems+=("prompt line: ${lines[2]}")
    [ -z "${lines[3]}" ] && [ -z "${lines[4]}" ] && [ -z "${lines[6]}" ] || problems+=("empty lines")
    [[ "${lines[5]}" == "MEDIA ARITMETICA GLOBAL = "* ]] || problems+=("mean line: ${lines[5]}")
    [ -z "$mean" ] || [ "${lines[5]}" = "MEDIA ARITMETICA GLOBAL = $mean" ] || problems+=("mean: ${lines[5]}")
    local sum=0 weighted=0 face
    for face in 1 2 3 4 5 6; do
        local line=${lines[6 + face]}
        local count=${line#"frecuecia absoluta de  $face =  "}
        if [ "$count" = "$line" ] || ! [[ "$count" =~ ^[0-9]+$ ]]; then
            problems+=("face line $face: $line")
            continue
        fi
        sum=$((sum + count))
        weighted=$((weighted + face * count))
    done
    [ "$sum" -eq "$throws" ] || problems+=("$sum throws counted, $throws expected")
    [ "${#lines[@]}" -eq 13 ] || problems+=("${#lines[@]} lines")
    if [ "$throws" -gt 0 ] && [ -z "$mean" ]; then
        local expected
        expected=$(awk -v s="$weighted" -v n="$throws" 'BEGIN { printf "%.14g", s / n }')
        local got=${lines[5]#"MEDIA ARITMETICA GLOBAL = "}
        awk -v a="$got" -v b="$expected" 'BEGIN { d = a - b; exit !(d < 1e-12 && d > -1e-12) }' ||
            problems+=("mean $got, expected about $expected")
    fi
    if [ ${#problems[@]} -eq 0 ]; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        printf 'input %q: %s\n' "$input" "${problems[*]}"
    fi
}

check 12 12
check "" 0 " nan"
check "letters" 0 " nan"
check -3 0 "-0"
check 0 0 " nan"
check 1 1
check 7.9 7
check "  25abc" 25
check 1,5 1
check 1000 1000

# A single throw prints the face itself as the mean, without a point.
out=$(dialogue 1)
face=$(printf '%s\n' "$out" | sed -n 's/^frecuecia absoluta de  \([1-6]\) =  1$/\1/p')
if [ "$(printf '%s\n' "$out" | sed -n 6p)" = "MEDIA ARITMETICA GLOBAL =  $face" ]; then
    pass=$((pass + 1))
else
    fail=$((fail + 1)); echo "one throw: mean is not the face $face"
fi

# Output is the exact bytes, CR LF line ends included.
bytes=$(printf '2\n' | "${runner[@]}" "$dice" | head -c 36 | od -An -c | tr -d ' \n')
if [ "$bytes" = 'SIMULADORDELANZAMIENTODEDADOS\r\n=' ]; then
    pass=$((pass + 1))
else
    fail=$((fail + 1)); echo "heading bytes: $bytes"
fi

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
