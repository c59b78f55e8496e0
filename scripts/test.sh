#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every test under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" all
file "$top"/build/i686/bin/*.exe "$top"/build/i686/bin/*.dll 2>/dev/null | sed 's|.*/build/|build/|'

source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
echo "test: bringing up Wine (prefix, Xvfb, wineserver)"
kestrel_wine_up "$top/build/x86_64" || { echo "test: the Wine environment did not come up" >&2; exit 1; }
echo "test: running the tests"
cd "$top/build/x86_64"
# A test that fails is run once more: under Wine a test program now and then ends at its start,
# before printing anything (seen about once in ten runs of the suite, in tests of every kind). Every
# first failure stays in the output, with what it printed, and is listed again at the end.
log="$top/build/x86_64/last-test-run.log"
ctest --output-on-failure -j2 --timeout 600 --repeat until-pass:2 "$@" 2>&1 | tee "$log"
retried="$(grep -E '^[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*' "$log" | sed -E 's/^[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*\*\*\*([A-Za-z]+).*/\1 (\2)/' || true)"
if [ -n "$retried" ]; then
  echo "test: these failed once and passed when run again:"
  echo "$retried" | sed 's/^/test:   /'
fi

bash "$top/scripts/native-test.sh"  # the window-free core natively: sanitizer tests, then 20 s per fuzz target
