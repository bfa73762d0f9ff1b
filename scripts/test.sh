#!/usr/bin/env bash
# Sets up, builds and runs every test twice: a normal build and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target
# for 20 s (scripts/fuzz.sh; build and runs about 3 minutes on 2 cores).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

JOBS=${JOBS:-$(nproc)}
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
  ctest --test-dir "$dir" -j "$JOBS" --output-on-failure --timeout 600
}

echo "== build and test (RelWithDebInfo)"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== build and test (address + undefined sanitizers)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DLINKAN_SANITIZE=ON
echo "== fuzz targets (libFuzzer, ${FUZZ_SECONDS:-20} s each)"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
