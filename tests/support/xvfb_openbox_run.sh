#!/usr/bin/env bash
# Runs a test program of the main window as a person meets it: on a virtual X
# display of its own (tests/support/on_virtual_display.sh) of the smallest
# screen the program supports, 1280 x 800, with a small window manager
# (openbox) that places, decorates and focuses the windows. CTest starts it in
# front of every test of such a program, and the tests run side by side. The window manager is up before the test starts (its start-up
# command answers through a pipe) and goes with the test.
# With --no-window-manager among the arguments (taken out before the test
# starts) the display is a bare X server, with nothing else on it.
# Listing the tests (at build time) needs no display.
set -euo pipefail
args=()
for arg in "$@"; do
  if [ "$arg" = "--no-window-manager" ]; then
    export KESTRUNE_TEST_WINDOW_MANAGER=none
  else
    args+=("$arg")
  fi
done
set -- "${args[@]}"
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done
if [ "${1:-}" = "--inside" ]; then
  shift
  if [ "${KESTRUNE_TEST_WINDOW_MANAGER:-}" = none ]; then exec "$@"; fi
  ready="$(mktemp -u "${TMPDIR:-/tmp}/kestrune-openbox.XXXXXX")"
  mkfifo "$ready"
  openbox --startup "sh -c 'echo up > \"$ready\"'" >/dev/null 2>&1 &
  wm=$!
  if ! timeout 20 head -n 1 "$ready" >/dev/null; then
    echo "openbox did not start" >&2
    kill "$wm" 2>/dev/null || true
    rm -f "$ready"
    exit 1
  fi
  rm -f "$ready"
  status=0
  "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  exit "$status"
fi
unset QT_QPA_PLATFORM
exec "$(dirname "$0")/on_virtual_display.sh" 1280x800x24 bash "$0" --inside "$@"
