#!/usr/bin/env bash
# Installs Debian's 32-bit Wine loader, so that the i686 build (the release) runs and is tested
# beside the x86_64 build. A prefix created after this runs both PE32 and PE32+ programs.
# Idempotent and quiet: does nothing when the loader is there.
set -euo pipefail
if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null 2>&1 || {
  echo "setup: installing wine32:i386 failed" >&2; exit 1; }
