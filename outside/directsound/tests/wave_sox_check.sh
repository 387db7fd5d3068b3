#!/usr/bin/env bash
# The provider's captured WAVE files as sox, which nobody here wrote, reads
# them: format, rate, length and level, in every sample format at 44.1 and
# 48 kHz.
# usage: wave_sox_check.sh <directsound_wave_tool.exe> <TembriDirectSound.dll> <wine-run.sh>
set -uo pipefail
tool=$1
module=$2
wine_run=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
win() { echo "Z:$(cd "$(dirname "$1")" && pwd)/$(basename "$1")" | tr / '\\'; }

for rate in 44100 48000; do
  for format in 16 24 32 32800; do
    file=$work/capture_${rate}_$format.wav
    "$wine_run" "$tool" "$(win "$module")" "$(win "$file")" "$rate" "$format" || { fail "$rate $format: tool"; continue; }
    bits=$format encoding="Signed Integer PCM"
    [ "$format" = 32800 ] && bits=32 encoding="Floating Point PCM"
    [ "$(soxi -c "$file")" = 2 ] || fail "$rate $format: channels"
    [ "$(soxi -r "$file")" = "$rate" ] || fail "$rate $format: rate"
    [ "$(soxi -b "$file")" = "$bits" ] || fail "$rate $format: bits $(soxi -b "$file")"
    [ "$(soxi -e "$file")" = "$encoding" ] || fail "$rate $format: encoding $(soxi -e "$file")"
    [ "$(soxi -s "$file")" = $((20 * 512)) ] || fail "$rate $format: length $(soxi -s "$file")"
    peak=$(sox "$file" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
    awk -v p="$peak" 'BEGIN { exit !(p > 0.499 && p < 0.501) }' || fail "$rate $format: peak $peak"
  done
done
[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
