#!/usr/bin/env bash
# Demo of Quarry on a fresh machine: sets up and builds, writes a small tree of Japanese text files in
# several encodings and line breaks, runs real search-and-replace jobs through quarryctl against Quarry
# under Wine, and prints the log and rewritten files (converted to UTF-8 for the terminal).
#   scripts/demo.sh               set up, build build/x86_64, run the demo
#   scripts/demo.sh --arch i686   the same with build/i686, the 32-bit release
#   scripts/demo.sh --no-build    use the build as it is (KESTREL_BUILD selects another build folder)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
arch=
rebuild=1
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch="${2:-}"; shift $(($# > 1 ? 2 : 1)) ;;
    --arch=*) arch="${1#--arch=}"; shift ;;
    --no-build) rebuild=0; shift ;;
    *) echo "demo: unknown option $1 (--arch x86_64|i686, --no-build)" >&2; exit 2 ;;
  esac
done
case "$arch" in
  "") build="${KESTREL_BUILD:-$top/build/x86_64}" ;;
  x86_64 | i686) build="$top/build/$arch" ;;
  *) echo "demo: --arch is x86_64 or i686, not $arch" >&2; exit 2 ;;
esac
export KESTREL_BUILD="$build"

if [ "$rebuild" = 1 ]; then
  echo "== setting up and building (this takes a few minutes the first time) =="
  bash "$top/scripts/setup.sh"
  bash "$top/scripts/build.sh" "${arch:-x86_64}" quarry quarryctl sieve
fi

# ---- the demo tree: one text in every encoding, and one file without a hit ----
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo"
text='吾輩は猫である。名前はまだ無い。
どこで生れたかとんと見当がつかぬ。
猫の額ほどの庭に、表札と能面と十の猫の置物がある。'
crlf() { sed 's/$/\r/'; }
printf '%s\n' "$text" | iconv -f UTF-8 -t CP932 | crlf >"$demo/sjis_crlf.txt"
printf '%s\n' "$text" | iconv -f UTF-8 -t EUC-JP >"$demo/eucjp_lf.txt"
printf '%s\n' "$text" | iconv -f UTF-8 -t ISO-2022-JP >"$demo/jis_lf.txt"
{ printf '\xEF\xBB\xBF'; printf '%s\n' "$text" | crlf; } >"$demo/utf8bom_crlf.txt"
{ printf '\xFF\xFE'; printf '%s\n' "$text" | crlf | iconv -f UTF-8 -t UTF-16LE; } >"$demo/utf16le_crlf.txt"
printf '%s\n' '春はあけぼの。やうやう白くなりゆく山ぎは、少しあかりて。' | iconv -f UTF-8 -t CP932 | crlf \
  >"$demo/nohit.txt"

echo "== demo tree: $demo =="
echo "  sjis_crlf.txt      Shift_JIS, CR LF"
echo "  eucjp_lf.txt       EUC-JP, LF"
echo "  jis_lf.txt         ISO-2022-JP, LF"
echo "  utf8bom_crlf.txt   UTF-8 with byte-order mark, CR LF"
echo "  utf16le_crlf.txt   UTF-16LE with byte-order mark, CR LF"
echo "  nohit.txt          Shift_JIS, CR LF, without the word searched for"

# shellcheck source=wine-env.sh
source "$top/scripts/wine-env.sh"
trap kestrel_wine_down EXIT
kestrel_wine_up "$build" >/dev/null 2>&1

# Runs one job; a run that reports failure (exit 1) still prints its log.
job() {
  local rc=0
  bash "$top/scripts/quarryctl.sh" "$@" || rc=$?
  [ "$rc" -le 1 ] || { echo "demo: quarryctl failed with exit code $rc" >&2; exit "$rc"; }
}

echo
echo "== plain search: 猫 -> ねこ in *.txt (log, then the files the job covers) =="
job --set=casesense --dir="$demo" --pattern='*.txt' --find='猫' --replace='ねこ' \
    --charset=autodetect --linebreak=autodetect

echo
echo "== eucjp_lf.txt as it now reads =="
iconv -f EUC-JP -t UTF-8 "$demo/eucjp_lf.txt"
echo "== utf16le_crlf.txt as it now reads =="
iconv -f UTF-16 -t UTF-8 "$demo/utf16le_crlf.txt" | sed 's/\r$//'

sieve="$build/bin/sieve.dll"
if [ -f "$sieve" ]; then
  echo
  echo "== regular expression: 名前は(.+)無い -> 名前は\\1ある, with .bak copies =="
  job --set=casesense,use_regular,backup --hmjre="$sieve" --dir="$demo" --pattern='*.txt' \
      --find='名前は(.+)無い' --replace='名前は\1ある' --no-file-list
  echo
  echo "== sjis_crlf.txt as it now reads =="
  iconv -f CP932 -t UTF-8 "$demo/sjis_crlf.txt" | sed 's/\r$//'
fi
