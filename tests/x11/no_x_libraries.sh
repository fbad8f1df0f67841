#!/usr/bin/env bash
# The program on a machine without usable X or GL libraries, simulated by a
# folder on LD_LIBRARY_PATH that shadows them: once with a library that
# lacks their entry points, once with files that do not load at all.
#   no_x_libraries.sh dice empty_library missing_library_tests
# Checks: nothing of X is linked; with no display and with a live one the
# program says "Error setting video mode!" and ends with 0; the "Null"
# driver still runs the dialogue; the drivers refuse for want of the
# libraries (missing_library_tests), and without libXext alone the "X11"
# driver draws without shared memory.
set -u
dice=$1 empty=$2 unit=$3
pass=0
fail=0
work=$(mktemp -d)
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/../e2e/xvfb_session.sh"
trap 'xvfb_stop; rm -rf "$work"' EXIT
check() {  # description, then 0 for success
    if [ "$2" -eq 0 ]; then
        pass=$((pass + 1))
    else
        fail=$((fail + 1))
        echo "FAIL: $1"
    fi
}

x_libraries=(libX11.so.6 libXext.so.6 libGL.so.1 libGLX.so.0 libOpenGL.so.0)
mkdir "$work/empty" "$work/unloadable" "$work/no_xext"
for lib in "${x_libraries[@]}"; do
    cp "$empty" "$work/empty/$lib"
    : >"$work/unloadable/$lib"
done
cp "$empty" "$work/no_xext/libXext.so.6"

linked=$(ldd "$dice" | grep -E 'lib(X11|Xext|GL|GLX|OpenGL)\.' || true)
check "X libraries linked into the program: $linked" "$([ -z "$linked" ]; echo $?)"

out=$work/out
error_text=$'Error setting video mode!\r'
expect_error() {  # description, env assignments...
    local what=$1
    shift
    timeout 60 env "$@" "$dice" >"$out" 2>&1 </dev/null
    local status=$?
    check "$what: exit $status, output: $(head -c 200 "$out")" \
        "$([ "$status" -eq 0 ] && [ "$(cat "$out")" = "$error_text" ]; echo $?)"
}
null_dialogue() {  # description, env assignments...
    local what=$1
    shift
    printf '12\n' | timeout 60 env "$@" DNGFX=null "$dice" >"$out" 2>&1
    local status=$?
    check "$what: exit $status, output: $(head -c 200 "$out")" "$([ "$status" -eq 0 ] && [ ! -s "$out" ]; echo $?)"
}

for shadow in empty unloadable; do
    libs=LD_LIBRARY_PATH=$work/$shadow
    expect_error "$shadow, no display" -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX "$libs"
    null_dialogue "$shadow, Null driver" -u DISPLAY "$libs"
done

# A live display: now only the libraries can make the drivers refuse.
xvfb_start 1024x768x24
display=DISPLAY=$DISPLAY
for shadow in empty unloadable; do
    libs=LD_LIBRARY_PATH=$work/$shadow
    expect_error "$shadow, live display" -u DNGFX "$display" "$libs"
    expect_error "$shadow, live display, X11 named" "$display" "$libs" DNGFX=X11
    null_dialogue "$shadow, live display, Null driver" "$display" "$libs"
    timeout 120 env -u DNGFX "$display" "$libs" "$unit" --gtest_filter='AllXLibrariesMissing.*' \
        >"$out" 2>&1 </dev/null
    status=$?
    check "$shadow: drivers with the libraries missing: $(tail -n 30 "$out")" "$status"
done
timeout 120 env -u DNGFX "$display" LD_LIBRARY_PATH="$work/no_xext" "$unit" --gtest_filter='XextMissing.*' \
    >"$out" 2>&1 </dev/null
status=$?
check "without libXext: $(tail -n 30 "$out")" "$status"

echo "$pass passed, $fail failed"
[ "$fail" -eq 0 ]
