#!/usr/bin/env bash
# Builds the fuzz targets (preset linux-fuzz) if needed and runs each for the
# given number of seconds (default 30) on a scratch copy of its seed corpus,
# so the committed corpus never grows. Fails on the first crash, leak,
# timeout or violated invariant; the input that caused it is kept under
# build/linux-fuzz/crashes/. Prints executions per target.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
seconds=${1:-30}
ensure_packages scripts/packages/build.txt scripts/packages/fuzz.txt
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz

bin=build/linux-fuzz/tests/fuzz
crashes=build/linux-fuzz/crashes
mkdir -p "$crashes"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
export UBSAN_OPTIONS=print_stacktrace=1

summary=()
for target in extension command_line find_executables set_command; do
  mkdir "$scratch/$target"
  cp tests/fuzz/corpus/"$target"/* "$scratch/$target/"
  log="$scratch/$target.log"
  echo "Fuzzing $target for ${seconds}s"
  if ! "$bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$crashes/$target-" \
      "$scratch/$target" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz target $target failed; input kept in $crashes/" >&2
    exit 1
  fi
  stat_of() { sed -n "s/^stat::$1: *//p" "$log"; }
  coverage=$(sed -n 's/.*DONE *cov: \([0-9]*\).*/\1/p' "$log")
  summary+=("$(printf '%-18s %10s %12s %6s %6s' "$target" \
    "$(stat_of average_exec_per_sec)" "$(stat_of number_of_executed_units)" \
    "$coverage" "$(stat_of new_units_added)")")
done
printf '%-18s %10s %12s %6s %6s\n' target exec/s executions cov new
printf '%s\n' "${summary[@]}"
