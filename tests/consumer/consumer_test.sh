#!/usr/bin/env bash
# Installs the library from a build tree into a staging folder and builds
# and runs a program of someone's own against it, out of the tree, as its
# users would: the program reads a typed number on the "Null" driver and
# reports what it drew.
#   consumer_test.sh linux BUILD SOURCE     cmake --install under DESTDIR, then
#                                           find_package and pkg-config builds
#   consumer_test.sh windows BUILD SOURCE EMULATOR...
#                                           the library's zip from cpack,
#                                           unpacked, built against with
#                                           MinGW-w64 and run under Wine
#   consumer_test.sh web BUILD SOURCE       emcmake against the install, a page
#                                           from pantalla_add_page run in
#                                           headless Chromium
set -euo pipefail
kind=$1 build=$(cd "$2" && pwd) source=$(cd "$3" && pwd)
shift 3
runner=("$@")
scratch=$(mktemp -d "$build/consumer.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
consumer=$source/tests/consumer
expected='radius 50, centre ff0000, edge ffff00'

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
quiet() {  # command...: its output only when it fails
    "$@" >"$scratch/log" 2>&1 || { cat "$scratch/log"; echo "FAIL: $*"; exit 1; }
}
# The program's report for a typed 50, on the "Null" driver.
check_run() {  # what, command...
    local what=$1 out rc=0
    shift
    out=$(printf '50\n' | DNGFX=null timeout 120 "$@" 2>&1) || rc=$?
    out=${out//$'\r'/}
    [ "$rc" -eq 0 ] && [ "$out" = "$expected" ] || fail "$what: exit $rc, printed '$out'"
}
configure() {  # prefix, configure command...
    local prefix=$1
    shift
    quiet "$@" -S "$consumer" -B "$scratch/consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix"
    quiet cmake --build "$scratch/consumer"
}

case $kind in
linux)
    DESTDIR=$scratch/stage quiet cmake --install "$build" --prefix /usr --component dev
    configure "$scratch/stage/usr" cmake
    check_run "find_package" "$scratch/consumer/consumer"
    # The display libraries are loaded by name: the program links none.
    ! readelf -d "$scratch/consumer/consumer" | grep -E 'NEEDED.*lib(X|GL)' || fail "the program links X or GL"
    # The same with pkg-config alone.
    pc=$(find "$scratch/stage" -name pantalla.pc)
    quiet g++ -std=c++20 -o "$scratch/consumer-pc" "$consumer/consumer.cpp" \
        $(PKG_CONFIG_LIBDIR=${pc%/*} pkg-config --cflags --libs pantalla)
    check_run "pkg-config" "$scratch/consumer-pc"
    ;;
windows)
    quiet cpack --config "$build/CPackPantallaConfig.cmake" -B "$scratch/out"
    zip=$(echo "$scratch"/out/pantalla-*-win64.zip)
    [ -f "$zip" ] || { echo "FAIL: no pantalla-*-win64.zip made"; exit 1; }
    unzip -q "$zip" -d "$scratch/unpacked"
    [ -f "$scratch/unpacked/$(basename "$zip" .zip)/share/doc/pantalla/COPYING.txt" ] || fail "the zip lacks the GPL's text"
    configure "$scratch/unpacked/$(basename "$zip" .zip)" cmake -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-w64.cmake"
    check_run "zip with MinGW-w64" "${runner[@]}" "$scratch/consumer/consumer.exe"
    ;;
web)
    quiet cmake --install "$build" --prefix "$scratch/stage" --component dev
    # Debian's emscripten links with node modules from there (see README).
    export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
    # emscripten's toolchain looks for packages in its own root only.
    configure "$scratch/stage" emcmake cmake -Dpantalla_DIR="$scratch/stage/lib/cmake/pantalla"
    for file in consumer.html consumer.js consumer.wasm; do
        [ -f "$scratch/consumer/$file" ] || fail "no $file made"
    done
    out=$(timeout 200 node "$consumer/page_run.mjs" "$scratch/consumer" consumer $'50\n' 2>&1) || fail "page run: $out"
    [ "$out" = "title: Consumer & page
$expected
exit: 0" ] || fail "the page printed: $out"
    ;;
*) echo "usage: consumer_test.sh linux|web BUILD SOURCE | windows BUILD SOURCE EMULATOR..." >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "consumer checks passed"
