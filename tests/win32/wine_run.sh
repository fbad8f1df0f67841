#!/usr/bin/env bash
# Runs Windows programs under Wine so that runs beside each other (ctest -j,
# other checkouts) share nothing: each run gets a prefix of its own, and so
# a registry and a wine server of its own, which would otherwise serve every
# program with the display and settings of whichever started it. A private
# prefix is a copy of the registry of a template prefix, made once per build
# tree, whose C: drive it shares.
#   wine_run.sh TEMPLATE --template        make the template if it is missing
#   wine_run.sh TEMPLATE --prefix DIR      make DIR a private prefix
#   wine_run.sh TEMPLATE program.exe [args...]
#                                          run it in a private prefix, stop
#                                          its server, remove the prefix;
#                                          exits with the program's code
set -u
template=$1
shift
export WINEDEBUG=${WINEDEBUG:--all}
# No desktop menu entries, and no offer to download Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="

make_template() {
    [ -f "$template/.update-timestamp" ] && return 0
    mkdir -p "$(dirname "$template")"
    (
        flock 9
        [ -f "$template/.update-timestamp" ] && exit 0
        rm -rf "$template.new"
        # Built aside and moved into place, so that a run that is cut short
        # leaves no half-made template behind.
        WINEPREFIX=$template.new env -u DISPLAY wineboot -i >/dev/null 2>&1
        WINEPREFIX=$template.new wineserver -w
        [ -f "$template.new/system.reg" ] && [ -f "$template.new/.update-timestamp" ] &&
            mv "$template.new" "$template"
    ) 9>"$template.lock"
    [ -f "$template/.update-timestamp" ] || { echo "wine_run: could not make $template" >&2; return 1; }
}

make_prefix() {  # DIR
    make_template || return 1
    mkdir -p "$1/dosdevices" || return 1
    # The timestamp keeps Wine from updating the prefix, which would write
    # to the shared drive.
    cp "$template"/*.reg "$template/.update-timestamp" "$1/" &&
        ln -s "$template/drive_c" "$1/dosdevices/c:" &&
        ln -s / "$1/dosdevices/z:"
}

case "${1:-}" in
    --template) make_template; exit ;;
    --prefix) make_prefix "$2"; exit ;;
esac

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/wine_run.XXXXXX") || exit 1
export WINEPREFIX
cleanup() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
make_prefix "$WINEPREFIX" || exit 1
wine "$@"
