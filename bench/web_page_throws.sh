#!/usr/bin/env bash
# The page in headless Chromium answering 2147483647: how long after Enter
# the report stands on the canvas (read back, so within ~0.1 s), and the
# longest gap between two animation frames meanwhile, then the page's busy
# time over 5 s of the final wait for a key.
#   bench/web_page_throws.sh [WEB_BUILD [SCREEN_TEXT]]   (build/web, build/linux/tests/screen_text)
set -euo pipefail
cd "$(dirname "$0")/.."
DICE_WEB_IDLE_MS=5000 exec node tests/web/dice_page_test.mjs "${1:-build/web}/page" "${2:-build/linux/tests/screen_text}" \
    "${TMPDIR:-/tmp}/dice-web-bench" typed 2147483647
