#!/usr/bin/env bash
# Long fuzzing with random seeds, to find what the tests' fuzz step (the same
# runs every time, fuzz/run_fuzzer.sh) does not:
#   scripts/fuzz.sh [TARGET] [SECONDS]
#     TARGET   a reader (advert_page) or its target (advert_page_fuzz); every
#              target when left out or "all"
#     SECONDS  how long each target runs; 60 when left out
#   KESTRUNE_FUZZ_JOBS=4 scripts/fuzz.sh all 600   four targets at a time
#
#   1. installs what is missing (scripts/install-deps.sh test) and builds
#      build-fuzz/ (clang, libFuzzer, address and undefined-behaviour
#      sanitizers), then makes the seeds (build-fuzz/fuzz-seeds/)
#   2. runs each target over its seeds, its regression inputs
#      (fuzz/regressions/<reader>/) and its work corpus
#      (build-fuzz/fuzz-corpus/<reader>/, kept from run to run), with a seed
#      of libFuzzer's choosing, until the time is up or it finds a fault
#   3. moves what it found (libFuzzer's crash-, leak-, timeout- and oom-
#      files) into fuzz/regressions/<reader>/: once the fault is mended, every
#      test command runs the input
# Prints per target the executions, the seconds and the findings, and a
# finding's report (the whole output: build-fuzz/fuzz-long/<reader>.log).
# Exits 1 when a target found something.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

which=${1:-all}
seconds=${2:-60}
jobs=${KESTRUNE_FUZZ_JOBS:-1}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ && "$jobs" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: $0 [TARGET|all] [SECONDS]   (KESTRUNE_FUZZ_JOBS: targets at a time)" >&2
  exit 2
fi
which=${which%_fuzz}

build=$root/build-fuzz
"$root/scripts/install-deps.sh" test
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
"$build/fuzz/fuzz_make_seeds" "$build/fuzz-seeds" >/dev/null

targets=()
for target in "$build"/fuzz/*_fuzz; do
  reader=$(basename "$target")
  reader=${reader%_fuzz}
  if [ "$which" = all ] || [ "$which" = "$reader" ]; then targets+=("$target"); fi
done
if [ "${#targets[@]}" -eq 0 ]; then
  echo "no fuzz target named $which (see $build/fuzz/*_fuzz)" >&2
  exit 2
fi

# One target: <target> <seconds> -> one line of figures; status 1 on a finding.
fuzz_one() {
  local target=$1 seconds=$2 root=$3 build=$4
  local reader corpus found log kept status start took executions
  reader=$(basename "$target")
  reader=${reader%_fuzz}
  corpus=$build/fuzz-corpus/$reader
  found=$build/fuzz-long/$reader-found
  log=$build/fuzz-long/$reader.log
  kept=$root/fuzz/regressions/$reader
  rm -rf "$found"
  mkdir -p "$corpus" "$found"
  local folders=("$corpus" "$build/fuzz-seeds/$reader")
  if [ -d "$kept" ]; then folders+=("$kept"); fi
  start=$(date +%s)
  status=0
  "$target" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$found/" "${folders[@]}" >"$log" 2>&1 || status=$?
  took=$(($(date +%s) - start))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  local findings=()
  for file in "$found"/crash-* "$found"/leak-* "$found"/timeout-* "$found"/oom-*; do
    [ -f "$file" ] || continue
    mkdir -p "$kept"
    mv "$file" "$kept/"
    findings+=("fuzz/regressions/$reader/$(basename "$file")")
  done
  rm -rf "$found"
  if [ "${#findings[@]}" -gt 0 ]; then
    printf '%-18s %10s executions %5s s  FOUND %s\n' "$reader" "${executions:-?}" "$took" "${findings[*]}"
    grep -E '^(==[0-9]+==|SUMMARY|    #[0-9]+ )' "$log" | head -n 30 || true
    return 1
  fi
  if [ "$status" -ne 0 ]; then
    printf '%-18s ended with status %s and kept nothing (%s)\n' "$reader" "$status" "$log"
    return 1
  fi
  printf '%-18s %10s executions %5s s  nothing found\n' "$reader" "$executions" "$took"
}
export -f fuzz_one

mkdir -p "$build/fuzz-long"
echo "== fuzzing ${#targets[@]} target(s), $seconds s each, $jobs at a time"
status=0
printf '%s\n' "${targets[@]}" |
  xargs -P "$jobs" -I{} bash -c 'fuzz_one "$@"' _ {} "$seconds" "$root" "$build" || status=1
exit "$status"
