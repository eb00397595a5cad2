#!/bin/sh
# Prints the content map's layout and whole rebuild of 61 keys beside d3-force
# laying out the same 61 nodes (relation weights as link strengths, no other
# forces, 250 ticks). For reference only; not part of the tests.
#
#   bench/d3_force_compare.sh [build folder]     (default: build)
#
# d3-force is installed with npm into <build folder>/d3-force-ref on first use.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
bench="$build/bench/content_map_bench"
ref="$build/d3-force-ref"
[ -x "$bench" ] || { echo "no $bench: build the content_map_bench target first" >&2; exit 1; }
command -v node >/dev/null || { echo "node is not installed" >&2; exit 1; }

mkdir -p "$ref"
if [ ! -d "$ref/node_modules/d3-force" ]; then
  [ -f "$ref/package.json" ] || echo '{"private":true}' > "$ref/package.json"
  npm install --prefix "$ref" --no-audit --no-fund d3-force >/dev/null
fi

"$bench" --dump-graph="$ref/graph.json"
# The console lines: name, real time, unit, CPU time, unit, iterations, counters.
ours=$("$bench" --benchmark_filter='BM_LayoutKeys61|BM_BuildMap61' --benchmark_color=false 2>/dev/null |
       awk '/^BM_/ && $3 == "ms" { print $1, $2 }')
theirs=$(node "$here/d3_force_layout.mjs" "$ref/graph.json" "$ref")

layout=$(echo "$ours" | awk '$1 == "BM_LayoutKeys61" { print $2 }')
rebuild=$(echo "$ours" | awk '$1 == "BM_BuildMap61" { print $2 }')
d3ms=$(echo "$theirs" | sed -n 's/.*ms=\([0-9.]*\).*/\1/p')
echo "61 keys, 250 iterations at most                milliseconds"
printf '  content map: LayoutKeys                      %s\n' "$layout"
printf '  content map: BuildMap (whole rebuild)        %s\n' "$rebuild"
printf '  d3-force: link force only, 250 ticks         %s   (%s)\n' "$d3ms" "$theirs"
