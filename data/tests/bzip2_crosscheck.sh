#!/usr/bin/env bash
# Checks compressed blocks against Debian's bzip2 command, which nobody here
# wrote: a block made by Corvadel, with the stream header put back, expands
# with bzip2 to the original bytes; a stream made by bzip2, with the header
# taken off and the length put in front, expands with Corvadel.
#
# Usage: bzip2_crosscheck.sh <block_tool.exe> <wine-run.sh>
set -uo pipefail
tool=$1
wine_run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
win() { echo "Z:$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }
le32() {
  local n=$1
  printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))"
  printf "\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"
}

# Sources: one byte, text over several 900k blocks, noise, and a run.
printf 'x' >"$work/one.bin"
seq 1 400000 >"$work/text.bin"
head -c 1200000 /dev/urandom >"$work/noise.bin"
head -c 3000000 /dev/zero >"$work/zeros.bin"

for name in one text noise zeros; do
  src=$work/$name.bin
  size=$(stat -c %s "$src")

  # Corvadel -> bzip2
  "$wine_run" "$tool" compress "$(win "$src")" "$(win "$work/$name.blk")" || fail "$name: compress"
  [ "$(head -c 4 "$work/$name.blk" | od -An -tu4 | tr -d ' ')" = "$size" ] || fail "$name: stored length"
  { printf 'BZh9'; tail -c +5 "$work/$name.blk"; } >"$work/$name.bz2"
  bzip2 -dc "$work/$name.bz2" >"$work/$name.out" || fail "$name: bzip2 refused the block"
  cmp -s "$src" "$work/$name.out" || fail "$name: bzip2 expanded other bytes"

  # bzip2 -> Corvadel, with the largest and the smallest block size
  for level in 9 1; do
    { le32 "$size"; bzip2 -c "-$level" "$src" | tail -c +5; } >"$work/$name.$level.blk"
    "$wine_run" "$tool" expand "$(win "$work/$name.$level.blk")" "$(win "$work/$name.$level.out")" ||
      fail "$name: Corvadel refused bzip2 -$level"
    cmp -s "$src" "$work/$name.$level.out" || fail "$name: Corvadel expanded other bytes (-$level)"
  done
done

# A bzip2 stream whose stored length is one short is refused.
{ le32 $(($(stat -c %s "$work/text.bin") - 1)); bzip2 -c "$work/text.bin" | tail -c +5; } >"$work/short.blk"
if "$wine_run" "$tool" expand "$(win "$work/short.blk")" "$(win "$work/short.out")" >/dev/null; then
  fail "a wrong stored length was accepted"
fi

[ $failures -eq 0 ] && echo "all blocks agree with bzip2"
exit $((failures > 0))
