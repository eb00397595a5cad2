#!/usr/bin/env bash
# run_fuzzer.sh <target> <seconds> <work corpus> <seed folder>
set -euo pipefail
target=$1 seconds=$2 corpus=$3 seeds=$4
mkdir -p "$corpus" "$seeds"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$corpus" "$seeds"
