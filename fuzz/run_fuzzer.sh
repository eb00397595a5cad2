#!/usr/bin/env bash
# run_fuzzer.sh <target> <executions> <seed folder> <regression folder> <result folder>
# The fuzz step of the tests: the same work at every run of the same code.
#   1. Every input of the regression folder (inputs that once found a fault)
#      runs once.
#   2. The target runs its seeds and the regression inputs, then mutates them
#      from a fixed random seed until <executions> runs are done. Nothing is
#      kept between runs (no work corpus), the inputs are read in the order of
#      their names, address randomisation is off where the system allows it,
#      and the comparison traces are not used (they carry addresses and times
#      into the mutations): the same code tries the same inputs every time.
# <result folder> gets <reader>.log (libFuzzer's output), <reader>.txt (one
# line: the executions and what they reached) and a failing input as
# <reader>-crash-..., to be kept in the regression folder once it is mended.
# Long runs with random seeds are scripts/fuzz.sh's.
set -euo pipefail
target=$1 executions=$2 seeds=$3 regressions=$4 results=$5
reader=$(basename "$target")
reader=${reader%_fuzz}
mkdir -p "$results"
log=$results/$reader.log
rm -f "$results/$reader.txt"
: >"$log"

fixed=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed=(setarch "$(uname -m)" -R)
fi
flags=(-timeout=60 -rss_limit_mb=2048 -artifact_prefix="$results/$reader-")

mapfile -t kept < <(find "$regressions" -maxdepth 1 -type f 2>/dev/null | LC_ALL=C sort)
if [ "${#kept[@]}" -gt 0 ]; then
  if ! "$target" "${flags[@]}" -seed=1 "${kept[@]}" >>"$log" 2>&1; then
    cat "$log"
    echo "FAIL $reader: a regression input of $regressions fails again" >&2
    exit 1
  fi
fi

# The inputs, comma-separated in one line (libFuzzer's -seed_inputs=@file).
mapfile -t seeded < <(find "$seeds" -maxdepth 1 -type f | LC_ALL=C sort)
inputs=("${seeded[@]}" "${kept[@]}")
list=$(mktemp "${TMPDIR:-/tmp}/kestrune-fuzz-inputs.XXXXXX")
trap 'rm -f "$list"' EXIT
(IFS=,; printf '%s' "${inputs[*]}") >"$list"
if [ "${#inputs[@]}" -gt 0 ]; then flags+=(-seed_inputs=@"$list"); fi

status=0
"${fixed[@]}" "$target" "${flags[@]}" -seed=1 -runs="$executions" -use_cmp=0 -reload=0 -print_final_stats=1 \
  >>"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$log"
  echo "FAIL $reader (status $status): the failing input is in $results/ (named $reader-...)" >&2
  exit "$status"
fi
done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
final() { sed -n "s/^stat::$1: *//p" "$log"; }
field() { sed -E "s/.* $1: ([^ ]+).*/\1/" <<<"$done_line"; }
printf '%-18s %8s executions  %3s inputs (%s regression)  cov %s  ft %s  corpus %s\n' "$reader" \
  "$(final number_of_executed_units)" "${#inputs[@]}" "${#kept[@]}" "$(field cov)" "$(field ft)" "$(field corp)" |
  tee "$results/$reader.txt"
