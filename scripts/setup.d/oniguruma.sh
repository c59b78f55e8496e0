#!/usr/bin/env bash
# Fetches the Oniguruma sources (Debian's "libonig" source package) into third_party/, where
# sieve/CMakeLists.txt cross-compiles them. Idempotent and quiet: does nothing when they are there.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
dest="$top/third_party"

if compgen -G "$dest/libonig-*/src/regparse.c" >/dev/null; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if ! dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q 'install ok installed'; then
  apt-get update -qq >/dev/null
  apt-get install -y -qq --no-install-recommends dpkg-dev >/dev/null
fi

# A deb-src entry mirroring the system's own Debian entry, unless one exists already.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  uri="http://deb.debian.org/debian"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    found="$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)"
    [ -n "$found" ] && uri="$found"
  fi
  cat > /etc/apt/sources.list.d/kestrel-src.sources <<SRC
Types: deb-src
URIs: $uri
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi
apt-get update -qq >/dev/null

mkdir -p "$dest"
(cd "$dest" && apt-get source -qq libonig >/dev/null 2>&1)
compgen -G "$dest/libonig-*/src/regparse.c" >/dev/null || {
  echo "setup: fetching the Oniguruma sources failed" >&2; exit 1; }
