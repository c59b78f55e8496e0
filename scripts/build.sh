#!/usr/bin/env bash
# Configures and builds one or both targets: build/x86_64 and build/i686 (the release), each with
# its test programs.
#   scripts/build.sh [x86_64|i686|all] [target...]    targets: only those (default: everything)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-all}"
shift $(($# > 0 ? 1 : 0))
targets=()
for t in "$@"; do targets+=(--target "$t"); done
jobs="$(nproc)"
for arch in x86_64 i686; do
  [ "$which" = all ] || [ "$which" = "$arch" ] || continue
  dir="$top/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$dir" "${targets[@]}" -j"$jobs" -- --no-print-directory >/dev/null 2>"$dir/build-errors.log" || {
    cat "$dir/build-errors.log"; cmake --build "$dir" "${targets[@]}" -j1 2>&1 | grep -E 'error|Error' | head -50; exit 1; }
done
