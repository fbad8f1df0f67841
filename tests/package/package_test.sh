#!/usr/bin/env bash
# Makes a package with cpack into a scratch folder and checks it as a user
# would receive it.
#   package_test.sh deb BUILD SOURCE ARCH MULTIARCH
#                                      the .deb, built for the Debian
#                                      architecture ARCH: its fields, where
#                                      its files land (dpkg -x), lintian, the
#                                      man page, the installed dice without
#                                      a display; and libpantalla-dev beside
#                                      it, with the library in lib/MULTIARCH
#   package_test.sh zip BUILD SOURCE   the Windows zip: its contents, and
#                                      that dice.exe needs only Windows' DLLs
#   package_test.sh web BUILD SOURCE   the web page's zip: the static folder
#                                      as built, with the texts
set -euo pipefail
kind=$1 build=$(cd "$2" && pwd) source=$(cd "$3" && pwd) arch=${4:-} multiarch=${5:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (tools/install-deps installs it)"; exit 1; }; }

# Same lines in both, order aside; prints what differs.
same_set() {
    local what=$1 expected=$2 actual=$3
    if ! diff <(sort <<<"$expected") <(sort <<<"$actual") >"$scratch/diff"; then
        fail "$what differs (< expected, > actual):"
        cat "$scratch/diff"
    fi
}

make_package() {
    if ! cpack --config "$build/CPackConfig.cmake" -G "$1" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
        cat "$scratch/cpack.log"
        echo "FAIL: cpack -G $1"
        exit 1
    fi
}

check_deb() {
    need dpkg-deb; need lintian; need man; need file; need python3
    make_package DEB
    local deb
    deb=$(echo "$scratch"/out/dice_*.deb)
    [ -f "$deb" ] || { echo "FAIL: no dice_*.deb made"; exit 1; }
    echo "package: ${deb##*/}"
    field() { dpkg-deb -f "$deb" "$1"; }

    local version changelog_version
    version=$(field Version)
    changelog_version=$(dpkg-parsechangelog -l "$source/dist/changelog" -S Version)
    [ "$version" = "$changelog_version" ] ||
        fail "version $version, but dist/changelog's latest entry is $changelog_version"
    [ -n "$arch" ] || { echo "FAIL: no architecture given"; exit 1; }
    [ "${deb##*/}" = "dice_${version}_$arch.deb" ] || fail "file name ${deb##*/}"
    [ "$(field Architecture)" = "$arch" ] || fail "architecture '$(field Architecture)'"
    [ "$(field Section)" = games ] || fail "section '$(field Section)'"
    [[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "maintainer '$(field Maintainer)'"
    [ -n "$(field Description)" ] || fail "no description"

    # Depends comes from dpkg-shlibdeps: the program loads the display
    # libraries by name, so they are only recommended, and a machine
    # without X can install it.
    local depends recommends
    depends=$(field Depends) recommends=$(field Recommends)
    echo "Depends: $depends"
    echo "Recommends: $recommends"
    [[ "$depends" == *libc6* && "$depends" == *libstdc++6* ]] || fail "Depends lacks the C or C++ runtime"
    for p in libx11-6 libxext6 libgl1 libglx0 libopengl0; do
        [[ ! ", $depends," =~ ,\ $p[\ ,] ]] || fail "Depends names $p"
    done
    for p in libx11-6 libxext6 libgl1; do
        [[ ", $recommends," == *", $p,"* ]] || fail "Recommends lacks $p"
    done

    local root=$scratch/root
    dpkg-deb -x "$deb" "$root"

    same_set "installed files" "usr/games/dice
usr/games/gallery
usr/share/applications/dice.desktop
usr/share/doc/dice/changelog.gz
usr/share/doc/dice/copyright
usr/share/icons/hicolor/128x128/apps/dice.png
usr/share/icons/hicolor/256x256/apps/dice.png
usr/share/icons/hicolor/32x32/apps/dice.png
usr/share/icons/hicolor/48x48/apps/dice.png
usr/share/man/man6/dice.6.gz" "$(cd "$root" && find . ! -type d | sed 's|^\./||')"

    for size in 32 48 128 256; do
        file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/dice.png" |
            grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" || fail "the ${size}x${size} icon"
    done

    # The Windows icon and the X11 window's are committed; they must still
    # be what the desktop icons' generator draws.
    local icon
    for icon in dice.ico dice_icon.inc; do
        python3 "$source/tools/icon/make_icon.py" "$scratch/$icon"
        cmp -s "$scratch/$icon" "$source/app/$icon" || fail "app/$icon is not what tools/icon/make_icon.py draws"
    done

    local desktop=$root/usr/share/applications/dice.desktop
    for line in '^Name=' '^Name\[es\]=' '^Comment\[es\]=' '^Categories=Game;Education;$' \
        '^Terminal=false$' '^Exec=dice$' '^Icon=dice$' '^StartupWMClass=dngfxclass_dice$'; do
        grep -q "$line" "$desktop" || fail "dice.desktop has no line matching $line"
    done

    head -n1 "$root/usr/share/doc/dice/copyright" |
        grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
        fail "copyright is not in the machine-readable format"

    # man writes its warnings (and groff's) to standard error.
    LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man6/dice.6.gz" \
        >"$scratch/man.txt" 2>"$scratch/man.err" || fail "man -l failed"
    [ ! -s "$scratch/man.err" ] || { fail "man -l warns:"; cat "$scratch/man.err"; }
    grep -q '^NAME' "$scratch/man.txt" || fail "the man page renders no NAME section"

    # Errors fail; the remaining tags are printed for the record.
    local status=0
    lintian --display-info --fail-on error "$deb" >"$scratch/lintian.txt" 2>&1 || status=$?
    grep -v 'running with root privileges' "$scratch/lintian.txt" || true
    [ "$status" -eq 0 ] || fail "lintian exit $status"

    check_dev_deb "$version" "$root"

    # No display, no driver to ask for, no terminal: the program says so and
    # ends with 0.
    local rc=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u DNGFX "$root/usr/games/dice" </dev/null >"$scratch/run.txt" 2>&1 || rc=$?
    cmp -s "$scratch/run.txt" <(printf 'Error setting video mode!\r\n') ||
        fail "installed dice printed: $(od -An -c "$scratch/run.txt")"
    [ "$rc" -eq 0 ] || fail "installed dice ended with $rc"
}

# The library's -dev package, made beside dice's: its fields, lintian without
# warnings, and no file that dice's package (unpacked in DICE_ROOT) has too,
# so that both install side by side.
check_dev_deb() {  # VERSION DICE_ROOT
    local version=$1 dice_root=$2 dev root=$scratch/dev-root
    dev=$(echo "$scratch"/out/libpantalla-dev_*.deb)
    [ -f "$dev" ] || { fail "no libpantalla-dev_*.deb made"; return; }
    echo "package: ${dev##*/}"
    [ "${dev##*/}" = "libpantalla-dev_${version}_$arch.deb" ] || fail "file name ${dev##*/}"
    [ "$(dpkg-deb -f "$dev" Section)" = libdevel ] || fail "-dev section '$(dpkg-deb -f "$dev" Section)'"
    [ "$(dpkg-deb -f "$dev" Architecture)" = "$arch" ] || fail "-dev architecture"
    [[ "$(dpkg-deb -f "$dev" Depends)" == libc6-dev,\ libstdc++-*-dev\ \|\ libstdc++-dev ]] ||
        fail "-dev Depends '$(dpkg-deb -f "$dev" Depends)'"
    dpkg-deb -x "$dev" "$root"
    local files
    files=$(cd "$root" && find . ! -type d | sed 's|^\./||')
    # The headers programs include, without the drivers' internals.
    for file in include/pantalla/pantalla.hpp include/pantalla/runtime/print.h include/pantalla/gfx/draw.h \
        "lib/$multiarch/libpantalla.a" "lib/$multiarch/pkgconfig/pantalla.pc" \
        "lib/$multiarch/cmake/pantalla/pantalla-config.cmake" share/doc/libpantalla-dev/copyright; do
        grep -qx "usr/$file" <<<"$files" || fail "-dev lacks /usr/$file"
    done
    ! grep -q '/display/' <<<"$files" || fail "-dev installs the drivers' headers"
    local both
    both=$(comm -12 <(sort <<<"$files") <(cd "$dice_root" && find . ! -type d | sed 's|^\./||' | sort))
    [ -z "$both" ] || fail "both packages hold: $both"
    local status=0
    lintian --display-info --fail-on error,warning "$dev" >"$scratch/lintian-dev.txt" 2>&1 || status=$?
    grep -v 'running with root privileges' "$scratch/lintian-dev.txt" | cut -c1-200 || true
    [ "$status" -eq 0 ] || fail "lintian on -dev: exit $status"
}

check_zip() {
    need unzip; need x86_64-w64-mingw32-objdump
    make_package ZIP
    local zip
    zip=$(echo "$scratch"/out/dice-*-win64.zip)
    [ -f "$zip" ] || { echo "FAIL: no dice-*-win64.zip made"; exit 1; }
    echo "package: ${zip##*/}"
    local top
    top=$(basename "$zip" .zip)
    same_set "zip contents" "$top/dice.exe
$top/gallery.exe
$top/README.txt
$top/LICENSE.txt
$top/COPYING.txt
$top/FONTS-NOTICE.txt" "$(unzip -Z1 "$zip" | grep -v '/$')"

    unzip -q "$zip" -d "$scratch/x"
    cmp -s "$scratch/x/$top/FONTS-NOTICE.txt" "$source/tools/fonts/NOTICE" || fail "FONTS-NOTICE.txt is not tools/fonts/NOTICE"
    cmp -s "$scratch/x/$top/README.txt" "$source/dist/README-windows.txt" || fail "README.txt is not dist/README-windows.txt"
    grep -q 'GNU GENERAL PUBLIC LICENSE' "$scratch/x/$top/COPYING.txt" || fail "COPYING.txt is not the GPL"

    # Only DLLs that every Windows has; the runtimes are linked in.
    local dlls bad
    dlls=$(x86_64-w64-mingw32-objdump -p "$scratch/x/$top/dice.exe" | sed -n 's/^\s*DLL Name: //p')
    echo "DLLs: $(echo $dlls)"
    [ -n "$dlls" ] || fail "objdump shows no DLL at all"
    bad=$(grep -viE '^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|ole32|oleaut32|winmm|imm32|version|ws2_32|ntdll|comctl32|comdlg32|ucrtbase)\.dll$|^api-ms-win-' <<<"$dlls" || true)
    [ -z "$bad" ] || fail "dice.exe needs DLLs that Windows does not have: $bad"
}

check_web() {
    need unzip
    make_package ZIP
    local zip top file
    zip=$(echo "$scratch"/out/dice-*-web.zip)
    [ -f "$zip" ] || { echo "FAIL: no dice-*-web.zip made"; exit 1; }
    echo "package: ${zip##*/}"
    top=$(basename "$zip" .zip)
    same_set "zip contents" "$top/dice.html
$top/dice.js
$top/dice.wasm
$top/README.md
$top/LICENSE.txt
$top/COPYING.txt
$top/FONTS-NOTICE.txt" "$(unzip -Z1 "$zip" | grep -v '/$')"
    unzip -q "$zip" -d "$scratch/x"
    for file in dice.html dice.js dice.wasm; do
        cmp -s "$scratch/x/$top/$file" "$build/page/$file" || fail "$file is not the page as built"
    done
}

case $kind in
    deb) check_deb ;;
    zip) check_zip ;;
    web) check_web ;;
    *) echo "usage: package_test.sh deb BUILD SOURCE ARCH | zip|web BUILD SOURCE" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "package checks passed"
