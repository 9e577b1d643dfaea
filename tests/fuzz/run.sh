#!/usr/bin/env bash
# Builds the fuzz targets (preset linux-fuzz) and runs each for the given
# number of seconds (default 30) on a scratch copy of its seed corpus, so the
# committed corpus never grows. Fails on the first crash, leak, timeout or
# broken invariant, keeping the input under build/linux-fuzz/crashes/.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"
ensure_packages scripts/packages/build.txt scripts/packages/fuzz.txt
cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz
crashes=build/linux-fuzz/crashes
mkdir -p "$crashes" && scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer UBSAN_OPTIONS=print_stacktrace=1
for target in text set_command; do
  cp -r tests/fuzz/corpus/"$target" "$scratch/"
  log="$scratch/$target.log"
  if ! "build/linux-fuzz/tests/fuzz/${target}_fuzzer" -max_total_time="${1:-30}" \
      -timeout=10 -print_final_stats=1 -artifact_prefix="$crashes/$target-" \
      "$scratch/$target" >"$log" 2>&1; then
    tail -n 80 "$log"
    echo "fuzz target $target failed; input kept in $crashes/" >&2
    exit 1
  fi
  sed -n "s/^stat::\(average_exec_per_sec\|number_of_executed_units\): */$target \1 /p" "$log"
done
