#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build in turn, one process at a time, each
# for a bounded time, and prints one summary line per target.
#
#   scripts/run-fuzz.sh BUILD_DIR [SECONDS]
#
# FUZZ_TARGETS (names separated by blanks, e.g. "dxf paste") picks targets;
# FUZZ_RUNS bounds each target by executions instead of time. What a target
# finds new goes to BUILD_DIR/fuzz/corpus/<name>/ and is reused next time;
# crashing inputs go to BUILD_DIR/fuzz/artifacts/<name>/, the output of each
# run to BUILD_DIR/fuzz/logs/<name>.log.
set -uo pipefail
build=${1:?usage: run-fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
fuzz="$build/fuzz"
mkdir -p "$fuzz/logs"

targets=()
if [ -n "${FUZZ_TARGETS:-}" ]; then
  for t in $FUZZ_TARGETS; do targets+=("$t"); done
else
  for exe in "$fuzz"/*_fuzz; do
    [ -x "$exe" ] && targets+=("$(basename "$exe" _fuzz)")
  done
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $fuzz" >&2
  exit 1
fi

# Stacks for every report; leaks are looked for after each input.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

failed=0
summary=()
for name in "${targets[@]}"; do
  exe="$fuzz/${name}_fuzz"
  corpus="$fuzz/corpus/$name"
  artifacts="$fuzz/artifacts/$name"
  log="$fuzz/logs/$name.log"
  mkdir -p "$corpus" "$artifacts" "$fuzz/seeds/$name"
  args=(-timeout=10 -rss_limit_mb=2048 -max_len=16384 -print_final_stats=1 "-artifact_prefix=$artifacts/")
  if [ -n "${FUZZ_RUNS:-}" ]; then
    args+=("-runs=$FUZZ_RUNS")
  else
    args+=("-max_total_time=$seconds")
  fi
  if [ -f "$source_dir/fuzz/$name.dict" ]; then args+=("-dict=$source_dir/fuzz/$name.dict"); fi

  echo "== fuzzing $name (log: $log)"
  start=$(date +%s)
  "$exe" "${args[@]}" "$corpus" "$fuzz/seeds/$name" >"$log" 2>&1
  status=$?
  elapsed=$(($(date +%s) - start))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $status -eq 0 ]; then
    result="ok"
  else
    result="FAILED (exit $status)"
    failed=1
    grep -E "^==[0-9]+==ERROR|runtime error|Abort reached|check failed|deadly signal|timeout|out-of-memory|leak" "$log" | head -5
  fi
  line=$(printf "%-10s %12s executions %6ss  corpus %5s files  %s" "$name" "${runs:-?}" "$elapsed" \
    "$(find "$corpus" -type f | wc -l)" "$result")
  echo "$line"
  summary+=("$line")
done

echo
echo "fuzzing summary:"
printf '  %s\n' "${summary[@]}"
exit $failed
