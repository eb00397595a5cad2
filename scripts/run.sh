#!/usr/bin/env bash
# Builds the program and starts it:
#   bash scripts/run.sh [project.kqp]
#   xvfb-run -a bash scripts/run.sh      on a machine without a display
#   1. installs what is missing to build and run it (scripts/install-deps.sh run)
#   2. configures build/ (without the tests and benchmarks, which
#      scripts/test.sh adds) and builds the program folder build/kestrune/ only
#      (the executables, the dictionaries, the data files)
#   3. starts build/kestrune/kestrune with the script's arguments
# The program keeps its settings in ~/.config/kestrune/ (KESTRUNE_CONFIG_HOME)
# and its log in build/kestrune/kestrune.log; closing its window, Ctrl+C or
# SIGTERM end it with the settings saved.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/install-deps.sh" run
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_TESTS=OFF >/dev/null
cmake --build "$root/build" -j "$(nproc)" --target kestrune_program
exec "$root/build/kestrune/kestrune" "$@"
