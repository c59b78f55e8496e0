#!/usr/bin/env bash
# Reference conversions made by the host's iconv (glibc), an implementation independent of ours, for
# the code-page cross-checks of the text tests. One character per line, in a fixed order the test
# program rebuilds; a line iconv cannot convert comes out empty (or without a character).
#   make_iconv_fixtures.sh <output dir>
set -euo pipefail
out="$1"
mkdir -p "$out"
tmp="$out/.tmp"
mkdir -p "$tmp"

# Every JIS X 0208 position (rows and cells 1-94) as EUC-JP bytes.
{
  for ((a = 0xA1; a <= 0xFE; a++)); do
    for ((b = 0xA1; b <= 0xFE; b++)); do
      printf -v line '\\x%02x\\x%02x\\n' "$a" "$b"
      printf "$line"
    done
  done
} > "$tmp/euc_positions"

# Every double-byte position of a lead byte range (trail bytes 0x40-0x7E, 0x80-0xFC).
positions() {
  local a b line
  for a in "$@"; do
    for ((b = 0x40; b <= 0xFC; b++)); do
      ((b == 0x7F)) && continue
      printf -v line '\\x%02x\\x%02x\\n' "$a" "$b"
      printf "$line"
    done
  done
}
positions $(seq 0x81 0x9F) $(seq 0xE0 0xEF) > "$tmp/sjis_positions"
positions $(seq 0x81 0x9F) $(seq 0xE0 0xFC) > "$tmp/cp932_positions"

convert() {  # from to input output
  iconv -c -f "$1" -t "$2" "$3" > "$4.part" || true
  [ -s "$4.part" ] || { echo "iconv $1 -> $2 produced nothing" >&2; exit 1; }
  mv "$4.part" "$4"
}
convert EUC-JP SHIFT_JIS "$tmp/euc_positions" "$out/euc_to_sjis.txt"
convert EUC-JP ISO-2022-JP "$tmp/euc_positions" "$out/euc_to_jis.txt"
convert SHIFT_JIS EUC-JP "$tmp/sjis_positions" "$out/sjis_to_euc.txt"
convert SHIFT_JIS ISO-2022-JP "$tmp/sjis_positions" "$out/sjis_to_jis.txt"
convert CP932 UTF-8 "$tmp/cp932_positions" "$out/cp932_to_utf8.txt"
rm -rf "$tmp"
