#!/usr/bin/env bash
# The native build of the window-free core: clang with its sanitizer and libFuzzer runtimes.
# Idempotent and quiet: does nothing when they are there.
set -euo pipefail
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null 2>&1 || {
  echo "setup: installing ${missing[*]} failed" >&2; exit 1; }
