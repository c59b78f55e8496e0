#!/usr/bin/env bash
# The window-free core built natively with clang (build/native): its unit tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each libFuzzer target for a short run from
# its seed corpus (tests/fuzz/corpus/<target>) plus its regression inputs (tests/fuzz/regressions/<target>).
#   bash scripts/native-test.sh [seconds per fuzz target, default 20]
#   KESTREL_FUZZ_TARGETS="fold_fuzz jis_fuzz"   only these targets
# The code page conversions of the readers and writers are the platform's own: the first run (and a
# run after native/cp932_answers.cpp changed) builds that program for x86_64 and runs it once under
# Wine, which writes build/native/cp932-answers.bin; native_platform_test checks the native
# conversions against the whole texts the platform converted there.
# Any failed test, crash, sanitizer report or broken property ends the script non-zero; a fuzz
# finding is kept as build/native/fuzz-findings/<target>/crash-* (reproduce: bin/<target> <file>).
# Prints, per target, the inputs run and the coverage reached.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
build="$top/build/native"

bash "$top/scripts/setup.sh"
mkdir -p "$build"
answers="$build/cp932-answers.bin"
if [ ! -f "$answers" ] || [ "$top/native/cp932_answers.cpp" -nt "$answers" ]; then
  echo "native: writing the platform's code page 932 answers under Wine"
  x86_64-w64-mingw32-g++ -O2 -Wall -Wextra -Werror -static -o "$build/cp932_answers.exe" \
    "$top/native/cp932_answers.cpp"
  # The Wine environment of the 64-bit build when there is one (scripts/test.sh has made it by now),
  # else one of its own in build/native.
  wine_build="$build"
  [ -f "$top/build/x86_64/wineprefix/system.reg" ] && wine_build="$top/build/x86_64"
  rm -f "$answers.new"
  (
    # shellcheck source=scripts/wine-env.sh
    source "$top/scripts/wine-env.sh"
    trap kestrel_wine_down EXIT
    kestrel_wine_up "$wine_build"
    /usr/lib/wine/wine64 "$build/cp932_answers.exe" "$answers.new"
  ) || { echo "native: the code page 932 answers could not be written under Wine"; exit 1; }
  [ -s "$answers.new" ] || { echo "native: cp932_answers.exe wrote nothing"; exit 1; }
  mv "$answers.new" "$answers"
fi
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
