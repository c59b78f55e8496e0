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
ctest --output-on-failure -j2 --timeout 600 "$@"
