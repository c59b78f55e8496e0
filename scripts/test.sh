#!/usr/bin/env bash
# Sets up the machine, builds both targets and runs every test under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh" all
file "$top"/build/i686/bin/*.exe "$top"/build/i686/bin/*.dll 2>/dev/null | sed 's|.*/build/|build/|'

source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
kestrel_wine_up "$top/build/x86_64"
cd "$top/build/x86_64"
ctest --output-on-failure -j2 --timeout 600 "$@"
