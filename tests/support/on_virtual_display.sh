#!/usr/bin/env bash
# Runs a command on a virtual X display of its own:
#   tests/support/on_virtual_display.sh WIDTHxHEIGHTxDEPTH COMMAND...
# The X server picks a free display number itself (-displayfd: it takes the
# number's lock file, so servers that start at the same time never share a
# number, and no run waits for another) and writes the number once it takes
# connections. The command runs with that DISPLAY and an authority file of
# its own; the server and the file go when the command ends. Exits with the
# command's status.
set -euo pipefail
screen=$1
shift

dir=$(mktemp -d "${TMPDIR:-/tmp}/kestrune-display.XXXXXX")
server=
stop() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$dir"
}
trap stop EXIT

# The server takes every cookie of its authority file whatever display the
# entry names; the command's entry names the display once it is known.
export XAUTHORITY=$dir/authority
cookie=$(mcookie)
: >"$XAUTHORITY"
xauth -q -f "$XAUTHORITY" add :0 . "$cookie"
mkfifo "$dir/number"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -auth "$XAUTHORITY" 3>"$dir/number" >"$dir/server.log" 2>&1 &
server=$!
number=
read -r -t 60 number <"$dir/number" || true
if ! [[ "$number" =~ ^[0-9]+$ ]]; then
  echo "the virtual display did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
export DISPLAY=:$number
xauth -q add "$DISPLAY" . "$cookie"

status=0
"$@" || status=$?
exit "$status"
