#!/usr/bin/env bash
# The long hostile-input run: the fuzz suites of tests/reliability with ten times the inputs of the
# default test run (about 2.3 million in all, against about 230,000 there). Every input is
# reproducible from the seed and its number; a failure names the input it was trying.
#   bash scripts/long-fuzz.sh [build dir]        default build/x86_64, built first when missing
#   KESTREL_FUZZ_SEED=<n>    another reproducible set of inputs (default: the fixed seed of CI)
#   KESTREL_FUZZ_SCALE=<n>   another multiple of the default counts (default 10)
#   KESTREL_NATIVE_FUZZ_SECONDS=<n>  then the native libFuzzer targets (sanitizers on, coverage-guided)
#                            for n seconds each (default 300; 0 skips them), see scripts/native-test.sh
# Prints the number of inputs each target was given and ends non-zero when any suite failed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$top/build/x86_64}"
programs=(text_fuzz_test parser_fuzz_test sieve_fuzz_test bindery_abuse_test)

if [ ! -f "$build/CMakeCache.txt" ]; then
  bash "$top/scripts/setup.sh"
  bash "$top/scripts/build.sh" x86_64
fi
cmake --build "$build" -j"$(nproc)" --target "${programs[@]}" >/dev/null

source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
kestrel_wine_up "$build"

export KESTREL_LONG_FUZZ=1
export KESTREL_FUZZ_SCALE="${KESTREL_FUZZ_SCALE:-10}"
status=0
total=0
for p in "${programs[@]}"; do
  filter='*'
  # Of Bindery's suite only the key-file tests take hostile inputs.
  [ "$p" = bindery_abuse_test ] && filter='BinderyKeyFiles.*'
  log="$build/long-fuzz-$p.log"
  echo "== $p"
  if ! (cd "$build" && ./wine-run "bin/$p.exe" --gtest_filter="$filter" >"$log" 2>&1); then
    status=1
    echo "   FAILED (see $log)"
  fi
  grep -E '^\[ (inputs|searches|decodes)' "$log" | sed 's/^/   /' || true
  total=$((total + $(grep -E '^\[ inputs' "$log" | awk '{ s += $NF } END { print s + 0 }')))
done
echo "inputs tried: $total (seed ${KESTREL_FUZZ_SEED:-default}, scale $KESTREL_FUZZ_SCALE)"

native_seconds="${KESTREL_NATIVE_FUZZ_SECONDS:-300}"
if [ "$native_seconds" -gt 0 ]; then
  echo "== native libFuzzer targets, $native_seconds s each"
  bash "$top/scripts/native-test.sh" "$native_seconds" || status=1
fi
exit $status
