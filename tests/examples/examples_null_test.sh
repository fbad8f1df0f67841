#!/usr/bin/env bash
# Each example on the "Null" driver, keys from a pipe: exit code 0 and the
# text its screen shows at the end as expected/NAME.txt; where
# expected/NAME.png exists, its picture too (both kept in BUILD_DIR when
# they differ).
# Usage: examples_null_test.sh BUILD_DIR EXPECTED_DIR [emulator...]
set -u
bin=$1 expected=$2
shift 2
runner=("$@")
pass=0 fail=0
out=$(mktemp)
trap 'rm -f "$out"' EXIT

run() {  # name, keys (printf format)
    local picture=() shot="$bin/$1-actual.ppm" same=1
    [ -f "$expected/$1.png" ] && picture=("$shot")
    printf "$2" | timeout 60 env DNGFX=null "${runner[@]}" "$bin/example_$1_null" "${picture[@]}" >"$out" 2>&1
    local status=$?
    if [ ${#picture[@]} -gt 0 ]; then
        if [ "$(compare -metric AE "$shot" "$expected/$1.png" null: 2>&1)" = 0 ]; then
            rm -f "$shot"
        else
            same=0
            cp "$expected/$1.png" "$bin/$1-expected.png"
            echo "$1: the picture differs: $shot against $bin/$1-expected.png"
        fi
    fi
    if [ "$status" -eq 0 ] && [ "$same" = 1 ] && diff -u "$expected/$1.txt" "$out" >/dev/null; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "$1: exit $status"
        diff -u "$expected/$1.txt" "$out" | head -40
    fi
}

run hello 'Ana\n30\nx'
run keys 'a7 \r\t\033'
run ball ''
run drawing 'x'
run mouse ''
run palette 'x'
# No throws: the mean of nothing is not a number.
run dice '0\nx'
# No display at all: the program says so on the terminal, and the exit
# code is the one its main returned.
env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX "${runner[@]}" "$bin/example_hello_null" </dev/null >"$out" 2>&1
status=$?
if [ "$status" -eq 1 ] && cmp -s "$out" <(printf 'No screen could be opened.\r\n'); then
    pass=$((pass + 1))
else
    fail=$((fail + 1))
    echo "hello without a display: exit $status, output: $(od -An -c "$out" | head -3)"
fi
echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
