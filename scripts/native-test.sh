#!/usr/bin/env bash
# The window-free core built natively with clang (build/native): its unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each libFuzzer target for a short run from
# its seed corpus (tests/fuzz/corpus/<target>) plus its regression inputs (tests/fuzz/regressions/<target>).
#   bash scripts/native-test.sh [seconds per fuzz target, default 20]
#   KESTREL_FUZZ_TARGETS="fold_fuzz jis_fuzz"   only these targets
# Any failed test, crash, sanitizer report or broken property ends the script non-zero; a fuzz
# finding is kept as build/native/fuzz-findings/<target>/crash-* (reproduce: bin/<target> <file>).
# Prints, per target, the inputs run and the coverage reached.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="$top/build/native"

bash "$top/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$top/native" -B "$build" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" -- --no-print-directory >/dev/null 2>"$build/build-errors.log" || {
  cat "$build/build-errors.log"; exit 1; }

echo "native: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
if (cd "$build" && ctest -j"$(nproc)" --output-on-failure >"$build/last-test-run.log" 2>&1); then
  tail -n 3 "$build/last-test-run.log" | head -n 1
else
  cat "$build/last-test-run.log"
  echo "native: a unit test failed"
  exit 1
fi

status=0
targets="${KESTREL_FUZZ_TARGETS:-$(sed -n 's/^fuzz_target(\([a-z_]*\) .*/\1/p' "$top/native/CMakeLists.txt")}"
for t in $targets; do
  seeds="$top/tests/fuzz/corpus/$t"
  regressions="$top/tests/fuzz/regressions/$t"
  work="$build/fuzz-work/$t"
  findings="$build/fuzz-findings/$t"
  mkdir -p "$work" "$findings"
  max_len=4096
  [ "$t" = key_file_fuzz ] && max_len=16384
  # Every regression input is run once as it is before the timed run.
  if compgen -G "$regressions/*" >/dev/null; then
    if ! "$build/bin/$t" "$regressions"/* >"$build/fuzz-work/$t-regressions.log" 2>&1; then
      echo "native: $t fails on a regression input (see $build/fuzz-work/$t-regressions.log)"
      status=1
    fi
  fi
  log="$build/fuzz-work/$t.log"
  if "$build/bin/$t" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1; then
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    cov="$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -n 1 | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1 edges, \2 features/')"
    echo "native: $t: ${runs:-?} inputs in ${seconds} s, coverage ${cov:-?}"
  else
    echo "native: $t FAILED (see $log; the input is in $findings)"
    grep -E 'property broken|ERROR: |runtime error' "$log" | head -n 3 | sed 's/^/native:   /'
    status=1
  fi
done
exit $status
