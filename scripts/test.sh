#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every test under Wine: the whole suite of the
# x86_64 build and the whole suite of the i686 build (the release), at the same time, each in its
# own build tree and its own Wine environment (prefix, Xvfb display, wineserver). The x86_64 run
# prints as it goes; the i686 run's output follows when both have ended. Each ends in CTest's own
# summary line. Arguments are given to both ctest runs (e.g. -R Matcher).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" all
file "$top"/build/i686/bin/*.exe "$top"/build/i686/bin/*.dll 2>/dev/null | sed 's|.*/build/|build/|'

# Runs the suite of one build in its own process; touches <ready> once its Wine environment is up.
# Answers ctest's exit code (checked explicitly: errexit does not hold in a caller's "||").
suite() {
  local arch="$1" ready="$2"
  shift 2
  (
    source "$top/scripts/wine-env.sh"
    trap kestrel_wine_down EXIT
    echo "test[$arch]: bringing up Wine (prefix, Xvfb, wineserver)"
    kestrel_wine_up "$top/build/$arch" || { echo "test[$arch]: the Wine environment did not come up" >&2; touch "$ready"; exit 1; }
    touch "$ready"
    echo "test[$arch]: running the tests"
    cd "$top/build/$arch"
    # Wine now and then fails to start a program at all: its loader cannot map the shared user data
    # at its fixed address ("failed to map the shared user data: c0000018"), and the program ends
    # with exit code 1 before any of its code runs (about one start in 6,000 under load; see
    # scripts/start-stress.sh). Only a test whose failure carries exactly that line is run once
    # more; any other failure stands. wine-run keeps Wine's err:virtual channel on for this.
    log="$top/build/$arch/last-test-run.log"
    junit="$top/build/$arch/last-test-run.xml"
    rc=0
    ctest --output-on-failure -j2 --timeout 600 --output-junit "$junit" "$@" 2>&1 | tee "$log" || rc=$?
    [ "$rc" = 0 ] && exit 0
    again="$(python3 "$top/scripts/start-failures.py" "$junit")" || exit "$rc"
    echo "test[$arch]: Wine failed to start these test programs; running them once more: $again"
    ctest --output-on-failure --timeout 600 -R "^($again)\$" 2>&1 | tee -a "$log" || exit $?
  )
}

started=$SECONDS
ready="$top/build/i686/.wine-ready"
rm -f "$ready"
out32="$top/build/i686/test-output.log"
suite i686 "$ready" "$@" >"$out32" 2>&1 &
pid32=$!
# The two environments come up one after the other (each picks a free display number).
while [ ! -e "$ready" ] && kill -0 "$pid32" 2>/dev/null; do sleep 0.2; done
rc64=0
echo "== x86_64 =="
suite x86_64 "$top/build/x86_64/.wine-ready" "$@" || rc64=$?
rc32=0
wait "$pid32" || rc32=$?
echo
echo "== i686 (the release) =="
cat "$out32"
echo
echo "test: x86_64 $([ "$rc64" = 0 ] && echo passed || echo FAILED), i686 $([ "$rc32" = 0 ] && echo passed || echo FAILED), $((SECONDS - started)) s for both"
rcnative=0
bash "$top/scripts/native-test.sh" || rcnative=$?  # the window-free core natively: sanitizer tests, then 20 s per fuzz target
[ "$rc64" = 0 ] && [ "$rc32" = 0 ] && [ "$rcnative" = 0 ]
