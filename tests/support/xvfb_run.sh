#!/usr/bin/env bash
# Runs a test program of the browser control on a virtual X display of its
# own (tests/support/on_virtual_display.sh): CTest starts it in front of every
# test of such a program, and the tests run side by side.
# Listing the tests (at build time) needs no display: the program falls back
# to the offscreen platform there.
set -euo pipefail
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done
unset QT_QPA_PLATFORM
exec "$(dirname "$0")/on_virtual_display.sh" 1920x1080x24 "$@"
