#!/usr/bin/env bash
# Configures and builds one or both targets: build/x86_64 (tests) and build/i686 (release).
#   scripts/build.sh [x86_64|i686|all]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-all}"
jobs="$(nproc)"
for arch in x86_64 i686; do
  [ "$which" = all ] || [ "$which" = "$arch" ] || continue
  dir="$top/build/$arch"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$dir" -j"$jobs" -- --no-print-directory >/dev/null 2>"$dir/build-errors.log" || {
    cat "$dir/build-errors.log"; cmake --build "$dir" -j1 2>&1 | grep -E 'error|Error' | head -50; exit 1; }
done
