#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz/ (clang, address and
# undefined sanitizers) and runs each for SECONDS (default 30), two at a
# time, on a temporary copy of its seed corpus fuzz/corpus/<target>/ so the
# checked-in corpus does not grow. Prints the executions per target; fails
# when a target crashes, leaks, times out or breaks one of its checks (the
# input is kept in build-fuzz/findings/).
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

SECONDS_PER_TARGET=${1:-30}
JOBS=${FUZZ_JOBS:-2}
TARGETS=(csv_reader_fuzzer basket_import_fuzzer spmf_import_fuzzer task_file_fuzzer
         project_open_fuzzer pmml_reader_fuzzer deployment_query_fuzzer)

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DLINKAN_FUZZ=ON -DLINKAN_BUILD_TESTS=OFF "${launcher[@]}" \
  >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${TARGETS[@]}"

work=$(mktemp -d "${TMPDIR:-/tmp}/linkan-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings=build-fuzz/findings
mkdir -p "$findings"

run_target() {
  local t=$1
  cp -r "fuzz/corpus/$t" "$work/$t"
  local status=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "build-fuzz/fuzz/$t" -max_total_time="$SECONDS_PER_TARGET" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/$t-" "$work/$t" \
    >"$work/$t.log" 2>&1 || status=$?
  echo "$status" >"$work/$t.status"
}

running=0
for t in "${TARGETS[@]}"; do
  if [ "$running" -ge "$JOBS" ]; then wait -n || true; running=$((running - 1)); fi
  run_target "$t" &
  running=$((running + 1))
done
wait

failed=0
passed=0
for t in "${TARGETS[@]}"; do
  status=$(cat "$work/$t.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$t.log" | tail -n 1)
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    printf '%-22s %10s executions\n' "$t" "${runs:-?}"
  else
    failed=$((failed + 1))
    printf '%-22s FAILED (status %s) after %s executions; log:\n' "$t" "$status" "${runs:-?}"
    grep -E 'ERROR|SUMMARY|fuzz check failed|Test unit written|^    #[0-9]' "$work/$t.log" \
      | head -n 40 | sed 's/^/  /'
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
