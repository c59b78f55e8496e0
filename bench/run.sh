#!/usr/bin/env bash
# Runs every benchmark scenario and prints the table; see bench/README.md.
#   bash bench/run.sh [--quick] [--runs N] [--only S1,S2,...] [--build DIR [--no-build]]
# Results: build/bench/results.json, results.txt and chart.png. Corpus: build/bench/corpus (generated once).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/x86_64"
args=()
rebuild=1
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build="$(cd "$2" && pwd)"; shift 2 ;;
    --no-build) rebuild=0; shift ;;
    *) args+=("$1"); shift ;;
  esac
done

bash "$top/scripts/setup.sh"
# The chart needs matplotlib from Debian; the benchmarks only, so it is not part of the set-up.
if ! /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3-matplotlib >/dev/null
fi
if [ "$rebuild" = 0 ]; then
  :
elif [ "$build" = "$top/build/x86_64" ]; then
  bash "$top/scripts/build.sh" x86_64
else
  cmake --build "$build" -j"$(nproc)" --target quarry sieve bench_scan bench_copy bench_client >/dev/null
fi
df -h "$top" | tail -1 | awk '{print "disk free: " $4}'

source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
kestrel_wine_up "$build"
/usr/bin/python3 "$top/bench/driver.py" --build "$build" --out "$top/build/bench" "${args[@]}"
