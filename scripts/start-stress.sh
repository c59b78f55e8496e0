#!/usr/bin/env bash
# Starts one small test program under Wine many times at once and records every start that fails:
# exit code, wall time, what it printed and Wine's trace of the start. Evidence for the rare
# start failures of test programs.
#   bash scripts/start-stress.sh <build dir> <parallel> <starts per worker> [WINEDEBUG channels]
# Needs the Wine environment of the build up (source scripts/wine-env.sh; kestrel_wine_up <build dir>).
# Prints a summary line per failed start and the totals; the logs are in <build dir>/start-stress/.
set -uo pipefail
build="$(cd "$1" && pwd)"
parallel="$2"
starts="$3"
channels="${4:--all}"
out="$build/start-stress"
rm -rf "$out"
mkdir -p "$out"
cp "$build/bin/kxstring_test.exe" "$out/probe.exe"

worker() {
  local w="$1" i t0 t1 rc size
  for i in $(seq 1 "$starts"); do
    t0=$(date +%s%N)
    WINEDEBUG="$channels" "$build/wine-run" "$out/probe.exe" --gtest_filter=KxString.LexicalCast \
      >"$out/$w-$i.out" 2>"$out/$w-$i.err"
    rc=$?
    t1=$(date +%s%N)
    size=$(stat -c %s "$out/$w-$i.out")
    echo "$w $i $rc $(( (t1 - t0) / 1000000 )) $size" >>"$out/results.$w"
    if [ "$rc" -eq 0 ] && grep -q 'PASSED' "$out/$w-$i.out"; then
      rm -f "$out/$w-$i.out" "$out/$w-$i.err"
    fi
  done
}

for w in $(seq 1 "$parallel"); do worker "$w" & done
wait
cat "$out"/results.* >"$out/results"
awk '{ n++; if ($3 != 0 || $5 == 0) { bad++; printf "failed start: worker %s run %s exit %s (0x%x) after %s ms, %s bytes of output\n", $1, $2, $3, $3, $4, $5 } }
     END { printf "%d starts, %d failed\n", n, bad }' "$out/results"
