#!/usr/bin/env bash
# The layer check's own test: on a temporary copy of the library folders it
# plants one include at a time and expects scripts/check_layers.sh to fail
# with the file and the include, or to pass; and it passes on the tree.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
check="$here/scripts/check_layers.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! out="$("$check" "$here" 2>&1)"; then fail "the tree: $out"; fi

# file to plant into | include line | expected: "pass" or the fault line's start
cases=(
  'core/keys.h|#include "search/scope.h"|core/keys.h:'
  'core/keys.h|#include "platform/text.h"|pass'
  'platform/text.h|#include "core/keys.h"|platform/text.h:'
  'language/text_parsing.h|#include "network/context_ms.h"|language/text_parsing.h:'
  'search/scope.h|#include "app/site_of_url.h"|search/scope.h:'
  'app/site_of_url.h|#include "search/scope.h"|pass'
  'app/site_of_url.h|#include "ui/connect.h"|app/site_of_url.h:'
  'app/site_of_url.h|#include <QString>|app/site_of_url.h:'
  'app/site_of_url.h|#include "tests/support/temp_dir.h"|app/site_of_url.h:'
  'platform/gui/planted.h|#include "language/text_parsing.h"|platform/gui/planted.h:'
  'platform/gui/planted.h|#include <QImage>|pass'
  'map/view/planted.h|#include "app/site_of_url.h"|map/view/planted.h:'
  'map/view/planted.h|#include "platform/gui/planted.h"|pass'
  'ui/planted.h|#include "app/window/forms.h"|ui/planted.h:'
  'ui/planted.h|#include "map/view/planted.h"|ui/planted.h:'
  'app/window/planted.h|#include "map/view/planted.h"|pass'
  'app/window/planted.h|#include "ui/connect.h"|pass'
  'registrar/planted.h|#include "core/keys.h"|registrar/planted.h:'
  'registrar/planted.h|#include "platform/files.h"|pass'
  'tests/planted.h|#include "app/window/forms.h"|pass'
)
# The sources of the library folders, copied once; each case plants into a
# file and the file is put back after it.
mkdir -p "$work/tree"
for f in platform core language network map search app ui registrar; do
  [ -d "$here/$f" ] || continue
  (cd "$here" && find "$f" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.in' \) -print0 |
    xargs -0 cp --parents -t "$work/tree")
done
for row in "${cases[@]}"; do
  IFS='|' read -r file include expected <<<"$row"
  target="$work/tree/$file"
  mkdir -p "$(dirname "$target")"
  if [ -f "$target" ]; then cp "$target" "$work/saved"; else rm -f "$work/saved"; fi
  printf '%s\n' "$include" >>"$target"
  if out="$("$check" "$work/tree" 2>&1)"; then
    [ "$expected" = pass ] || fail "$file with $include passed"
  else
    if [ "$expected" = pass ]; then
      fail "$file with $include failed: $out"
    elif ! grep -qF -- "$expected" <<<"$out" || ! grep -qF -- "${include#\#include }" <<<"$out"; then
      fail "$file with $include: the fault does not name the file and the include: $out"
    fi
  fi
  if [ -f "$work/saved" ]; then mv "$work/saved" "$target"; else rm -f "$target"; fi
done

if [ "$failures" -gt 0 ]; then
  echo "check_layers_test: $failures case(s) failed"
  exit 1
fi
echo "check_layers_test: ${#cases[@]} planted includes and the tree as expected"
