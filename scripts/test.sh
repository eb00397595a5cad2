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

echo "== layers"
scripts/check_layers.sh

scripts/install-deps.sh test

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

echo "== build: main"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_TESTS=ON
cmake --build build -j "$jobs"
if [ "$quick" -eq 1 ]; then
  (cd build && ctest -j "$jobs" -LE gui --timeout 600)
  exit 0
fi
(cd build && ctest -j "$jobs" --timeout 600)

echo "== build: address and undefined-behaviour sanitizers"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUNE_SANITIZE=address,undefined -DKESTRUNE_MODEL_ONLY=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && ctest -j "$jobs" -LE gui --timeout 900)

echo "== build: thread sanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRUNE_SANITIZE=thread -DKESTRUNE_MODEL_ONLY=ON
tsan_targets=$(ninja -C build-tsan -t targets all | sed -n 's/^\([A-Za-z0-9_]*_tsan_tests\): .*/\1/p' | sort -u)
if [ -n "$tsan_targets" ]; then
  # shellcheck disable=SC2086
  cmake --build build-tsan -j "$jobs" --target $tsan_targets
  (cd build-tsan && ctest -j "$jobs" -L tsan --timeout 900)
fi

echo "== build: fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_FUZZ=ON
cmake --build build-fuzz -j "$jobs"
rm -rf build-fuzz/fuzz-results
(cd build-fuzz && ctest -j "$jobs" -L fuzz --timeout 300)
echo "== fuzz runs: executions and what they reached, per target"
cat build-fuzz/fuzz-results/*.txt
