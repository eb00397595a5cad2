#!/usr/bin/env bash
# Checks the layers: a file of a library includes headers of its own target
# and of the targets below it only. Exits 1, after one line per fault
#   <file>:<line>: <target> may not include "<header>" (<target of header>)
# when a file includes a folder its target may not use; 0 when none does.
#
#   scripts/check_layers.sh [root]      root: the source tree (default: this one)
#
# The targets by folder, and what each may use (besides itself):
#   platform_core  platform/ without platform/gui/    -
#   core           core/                              platform_core
#   language       language/                          core
#   network        network/                           language
#   map_model      map/ without map/view/             network
#   search         search/                            map_model
#   app            app/ without window/ and main/     search
#   platform_gui   platform/gui/                      core
#   map_view       map/view/                          map_model, platform_gui
#   ui             ui/                                app, platform_gui
#   app_window     app/window/                        ui, map_view
#   kestrune       app/main/                          app_window
#   registrar      registrar/ without main/           platform_core
#   ravelst        registrar/main/                    registrar
# and every target below those, through them. Qt (an include <Q...>) is for
# platform_gui and the targets over it only. tests/, bench/, fuzz/ and tools/
# may include anything. A quoted include is read as a path from the root
# ("core/keys.h"); one without a folder of ours is no concern here.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

folders=()
for f in platform core language network map search app ui registrar; do
  [ -d "$f" ] && folders+=("$f")
done
[ ${#folders[@]} -gt 0 ] || { echo "check_layers: no source folder in $root" >&2; exit 2; }

grep -rnE --include='*.h' --include='*.cpp' --include='*.in' '^[[:space:]]*#[[:space:]]*include[[:space:]]*("|<Q)' \
  "${folders[@]}" | awk '
function target(path) {
  if (path ~ /^platform\/gui\//) return "platform_gui"
  if (path ~ /^platform\//) return "platform_core"
  if (path ~ /^core\//) return "core"
  if (path ~ /^language\//) return "language"
  if (path ~ /^network\//) return "network"
  if (path ~ /^map\/view\//) return "map_view"
  if (path ~ /^map\//) return "map_model"
  if (path ~ /^search\//) return "search"
  if (path ~ /^app\/window\//) return "app_window"
  if (path ~ /^app\/main\//) return "kestrune"
  if (path ~ /^app\//) return "app"
  if (path ~ /^ui\//) return "ui"
  if (path ~ /^registrar\/main\//) return "ravelst"
  if (path ~ /^registrar\//) return "registrar"
  if (path ~ /^(tests|bench|fuzz|tools)\//) return "tests"
  if (path ~ /^Q/) return "qt"
  return ""
}
BEGIN {
  below["core"] = "platform_core"
  below["language"] = "core"
  below["network"] = "language"
  below["map_model"] = "network"
  below["search"] = "map_model"
  below["app"] = "search"
  below["platform_gui"] = "core qt"
  below["map_view"] = "map_model platform_gui"
  below["ui"] = "app platform_gui"
  below["app_window"] = "ui map_view"
  below["kestrune"] = "app_window"
  below["registrar"] = "platform_core"
  below["ravelst"] = "registrar"
  faults = 0
}
# Whether target t may use target u: itself, or through what it stands on.
function uses(t, u,    n, i, parts) {
  if (t == u) return 1
  n = split(below[t], parts, " ")
  for (i = 1; i <= n; ++i) if (uses(parts[i], u)) return 1
  return 0
}
{
  # file:line:#include "header"
  first = index($0, ":")
  file = substr($0, 1, first - 1)
  rest = substr($0, first + 1)
  second = index(rest, ":")
  line = substr(rest, 1, second - 1)
  text = substr(rest, second + 1)
  sub(/^[^"<]*["<]/, "", text)
  header = text
  sub(/[">].*$/, "", header)
  t = target(file)
  h = target(header)
  if (t == "" || h == "") next
  if (!uses(t, h)) {
    shown = h == "qt" ? "<" header ">" : "\"" header "\""
    printf "%s:%s: %s may not include %s (%s)\n", file, line, t, shown, h
    ++faults
  }
}
END {
  if (faults > 0) {
    printf "check_layers: %d include(s) against the layers\n", faults
    exit 1
  }
}'
