#!/usr/bin/env bash
# Runs quarryctl of build/x86_64 (or, with --arch=i686 first, of build/i686: the release) under Wine
# from Linux. Arguments are given in UTF-8 (they reach the program as Unicode); a Linux path given to
# --dir or --hmjre is turned into its Wine path (Z:\...). quarryctl writes UTF-8 to a pipe; its CR LF
# line ends become LF. The Wine environment is brought up (and down again afterwards) unless it is up
# already for this build. Exit code: quarryctl's (see --help).
#   scripts/quarryctl.sh [--arch=x86_64|i686] [quarryctl options...]
# KESTREL_BUILD names another build folder; --arch takes precedence over it.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTREL_BUILD:-$top/build/x86_64}"
case "${1:-}" in
  --arch=x86_64 | --arch=i686) build="$top/build/${1#--arch=}"; shift ;;
  --arch) [ "${2:-}" = x86_64 ] || [ "${2:-}" = i686 ] || { echo "quarryctl.sh: --arch is x86_64 or i686" >&2; exit 2; }
          build="$top/build/$2"; shift 2 ;;
  --arch=*) echo "quarryctl.sh: --arch is x86_64 or i686" >&2; exit 2 ;;
esac
exe="$build/bin/quarryctl.exe"
if [ ! -f "$exe" ]; then
  echo "quarryctl.sh: $exe is missing: run scripts/build.sh $(basename "$build") first" >&2
  exit 2
fi

# A Linux path (starting with /) as Wine sees it on drive Z:.
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

args=()
prev=
for a in "$@"; do
  case "$prev|$a" in
    --dir\|/* | --hmjre\|/*) a="$(wine_path "$a")" ;;
    *\|--dir=/*) a="--dir=$(wine_path "${a#--dir=}")" ;;
    *\|--hmjre=/*) a="--hmjre=$(wine_path "${a#--hmjre=}")" ;;
  esac
  args+=("$a")
  prev="$a"
done

# shellcheck source=wine-env.sh
source "$top/scripts/wine-env.sh"
if [ "${WINEPREFIX:-}" != "$build/wineprefix" ] || [ -z "${DISPLAY:-}" ] || [ ! -e "/tmp/.X11-unix/X${DISPLAY#:}" ]; then
  kestrel_wine_up "$build" >/dev/null 2>&1
  trap kestrel_wine_down EXIT
fi

# Standard error goes through a file and is shown once the program has ended: a pipe's reader would
# wait for its end, which Wine's helper processes, holding the program's handles, may delay, and
# lines could be lost when this script ends first.
err="$(mktemp)"
"$build/wine-run" "$exe" "${args[@]}" 2>"$err" | sed 's/\r$//'
rc=${PIPESTATUS[0]}
sed 's/\r$//' "$err" >&2
rm -f "$err"
exit "$rc"
