#!/usr/bin/env bash
# Runs every benchmark scenario and prints the table; see bench/README.md.
#   bash bench/run.sh [--arch x86_64|i686] [--quick] [--runs N] [--only S1,S2,...] [--build DIR [--no-build]]
#                     [--no-beside]
# --arch picks the build the scenarios run on (default x86_64). S1 is run once more on the other
# architecture's build, beside the first (--no-beside: not).
# Results: build/bench/results.json, results.txt and chart.png. Corpus: build/bench/corpus (generated once).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
arch=x86_64
build=
args=()
rebuild=1
beside_wanted=1
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch="$2"; shift 2 ;;
    --arch=*) arch="${1#--arch=}"; shift ;;
    --build) build="$(cd "$2" && pwd)"; shift 2 ;;
    --no-build) rebuild=0; shift ;;
    --no-beside) beside_wanted=0; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
case "$arch" in
  x86_64) other=i686 ;;
  i686) other=x86_64 ;;
  *) echo "run.sh: --arch is x86_64 or i686, not $arch" >&2; exit 2 ;;
esac
build="${build:-$top/build/$arch}"
beside="$top/build/$other"
programs=(quarry sieve bench_scan bench_copy bench_client)

bash "$top/scripts/setup.sh"
# The chart needs matplotlib from Debian; the benchmarks only, so it is not part of the set-up.
if ! /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3-matplotlib >/dev/null
fi
if [ "$rebuild" = 0 ]; then
  :
elif [ "$build" = "$top/build/$arch" ]; then
  bash "$top/scripts/build.sh" "$arch"
else
  cmake --build "$build" -j"$(nproc)" --target "${programs[@]}" >/dev/null
fi
if [ "$beside_wanted" = 1 ] && [ "$rebuild" = 1 ]; then
  bash "$top/scripts/build.sh" "$other" "${programs[@]}"
fi
if [ "$beside_wanted" = 1 ] && [ -f "$beside/bin/quarry.exe" ] && [ -f "$beside/bin/bench_copy.exe" ] &&
   [ -f "$beside/bin/bench_client.exe" ]; then
  args+=(--s1-beside "$beside")
elif [ "$beside_wanted" = 1 ]; then
  echo "run.sh: no $other build with the benchmark programs in $beside; S1 runs on $arch only" >&2
fi
df -h "$top" | tail -1 | awk '{print "disk free: " $4}'

# One Wine environment for both builds: its prefix runs 32-bit and 64-bit programs alike.
source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
kestrel_wine_up "$build"
/usr/bin/python3 "$top/bench/driver.py" --build "$build" --out "$top/build/bench" "${args[@]}"
