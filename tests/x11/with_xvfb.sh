#!/usr/bin/env bash
# Runs a command against an Xvfb of its own (a free display number that
# Xvfb picks itself), which ends with it.
#   with_xvfb.sh COMMAND [ARGS...]
set -euo pipefail
work=$(mktemp -d)
fail() { echo "$*" >&2; exit 1; }
. "$(dirname "$0")/../e2e/xvfb_session.sh"
trap 'xvfb_stop; rm -rf "$work"' EXIT
xvfb_start 640x480x24
"$@"
