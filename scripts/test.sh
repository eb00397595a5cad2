#!/usr/bin/env bash
# Builds everything and runs every test, on a fresh Debian 12 machine too:
#   scripts/test.sh           everything below
#   scripts/test.sh --quick   daily work: steps 0, 1 and build/ with the tests
#                             that need no display (ctest -LE gui)
#   0. the layers: no file includes a folder its target may not use
#      (scripts/check_layers.sh)
#   1. installs what is missing (scripts/install-deps.sh test)
#   2. build/        the whole project; all tests (GUI tests run offscreen)
#   3. build-asan/   non-GUI tests under AddressSanitizer + UndefinedBehaviorSanitizer
#   4. build-tsan/   the tests labelled tsan under ThreadSanitizer
#   5. build-fuzz/   every libFuzzer target over its regression inputs
#                    (fuzz/regressions/), then a fixed number of executions
#                    from its seeds and a fixed random seed: the same runs every
#                    time (fuzz/run_fuzzer.sh); it prints each target's figures
# The main and sanitizer builds run each target over its regression inputs
# too (fuzz_regressions.<reader>). Long fuzzing with random seeds:
# scripts/fuzz.sh.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--quick]" >&2
    exit 2
    ;;
esac

# Each step's wall time: printed as the step ends, and all of them once more
# when the script ends (after a failed step too).
step_times=()
report_times() {
  [ "${#step_times[@]}" -gt 0 ] || return 0
  echo "== wall time per step"
  printf '%s\n' "${step_times[@]}"
}
trap report_times EXIT
step() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  local status=0
  "$@" || status=$?
  step_times+=("$(printf '%-36s %5d s' "$name" $((SECONDS - start)))$([ "$status" -eq 0 ] || echo "  FAILED")")
  echo "== $name: $((SECONDS - start)) s"
  [ "$status" -eq 0 ] || exit "$status"
}

step "layers" scripts/check_layers.sh
step "install what is missing" scripts/install-deps.sh test
jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1
# A compiler cache, where the machine has one, makes the rebuilds of a later
# run quick; the tests are the same either way.
cache=()
if command -v ccache >/dev/null; then
  cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

step "configure: main" cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_TESTS=ON "${cache[@]}"
step "build: main" cmake --build build -j "$jobs"
if [ "$quick" -eq 1 ]; then
  step "tests: main, no display" ctest --test-dir build -j "$jobs" -LE gui --timeout 600
  exit 0
fi
step "tests: main" ctest --test-dir build -j "$jobs" --timeout 600

step "configure: sanitizers" cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUNE_SANITIZE=address,undefined -DKESTRUNE_MODEL_ONLY=ON "${cache[@]}"
step "build: sanitizers" cmake --build build-asan -j "$jobs"
step "tests: sanitizers" ctest --test-dir build-asan -j "$jobs" -LE gui --timeout 900

step "configure: thread sanitizer" cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUNE_SANITIZE=thread -DKESTRUNE_MODEL_ONLY=ON "${cache[@]}"
tsan_targets=$(ninja -C build-tsan -t targets all | sed -n 's/^\([A-Za-z0-9_]*_tsan_tests\): .*/\1/p' | sort -u)
if [ -n "$tsan_targets" ]; then
  step "build: thread sanitizer" cmake --build build-tsan -j "$jobs" --target $tsan_targets
  step "tests: thread sanitizer" ctest --test-dir build-tsan -j "$jobs" -L tsan --timeout 900
fi

step "configure: fuzz targets" env CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON "${cache[@]}"
step "build: fuzz targets" cmake --build build-fuzz -j "$jobs"
rm -rf build-fuzz/fuzz-results
step "tests: fuzz targets" ctest --test-dir build-fuzz -j "$jobs" -L fuzz --timeout 300
echo "== fuzz runs: executions and what they reached, per target"
cat build-fuzz/fuzz-results/*.txt
