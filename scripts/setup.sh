#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 x86_64 machine (run as root).
# Idempotent: when every package is present it installs nothing and prints nothing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 xvfb googletest
  fonts-ipafont-gothic fonts-ipafont-mincho
  locales imagemagick file python3
)

missing=()
for p in "${packages[@]}"; do
  case "$p" in *-) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Further set-up steps owned by other parts of the tree (each idempotent and quiet).
for extra in "$here"/setup.d/*.sh; do
  [ -e "$extra" ] && bash "$extra"
done
exit 0
