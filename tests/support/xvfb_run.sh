#!/usr/bin/env bash
# Runs a test program of the browser control on a virtual X display of its
# own (xvfb-run): CTest starts it in front of every test of such a program.
# xvfb-run -a picks its display number without a lock, so two starting at
# once can pick the same one: the runs take turns through one lock file.
# Listing the tests (at build time) needs no display: the program falls back
# to the offscreen platform there.
set -euo pipefail
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done
unset QT_QPA_PLATFORM
exec flock -o "${TMPDIR:-/tmp}/kestrune-xvfb.lock" \
  xvfb-run -a -s "-screen 0 1920x1080x24" "$@"
