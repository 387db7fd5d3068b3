#!/usr/bin/env bash
# Runs the end-to-end tests with their captures going to a folder, then
# reads every captured WAVE file with sox, which nobody here wrote: two
# channels at the rate and in the sample format of its name, and as many
# frames as the test captured.
# usage: end_to_end_check.sh <sound_end_to_end_tests.exe> <wine-run.sh>
set -uo pipefail
tests=$1
wine_run=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows_work="Z:$(echo "$work" | tr / '\\')"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

TEMBRI_CAPTURE_DIR=$windows_work WINEDEBUG=-all "$wine_run" "$tests" --gtest_color=no >"$work/run.log" 2>&1
status=$?
grep -v '^ALSA' "$work/run.log"
[ "$status" -eq 0 ] || fail "the tests failed"

checked=0
while read -r _ file frames; do
  frames=${frames%$'\r'}
  name=$(basename "$(echo "$file" | tr '\\' /)")
  path=$work/$name
  [ -f "$path" ] || { fail "$name: missing"; continue; }
  rate=$(echo "$name" | sed -E 's/capture_([0-9]+)_.*/\1/')
  format=$(echo "$name" | sed -E 's/capture_[0-9]+_([0-9]+)\.wav/\1/')
  bits=$format encoding="Signed Integer PCM"
  [ "$format" = 32800 ] && bits=32 encoding="Floating Point PCM"
  [ "$(soxi -c "$path")" = 2 ] || fail "$name: channels"
  [ "$(soxi -r "$path")" = "$rate" ] || fail "$name: rate $(soxi -r "$path")"
  [ "$(soxi -b "$path")" = "$bits" ] || fail "$name: bits $(soxi -b "$path")"
  [ "$(soxi -e "$path")" = "$encoding" ] || fail "$name: encoding $(soxi -e "$path")"
  [ "$(soxi -s "$path")" = "$frames" ] || fail "$name: $(soxi -s "$path") frames, not $frames"
  peak=$(sox "$path" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
  awk -v p="$peak" 'BEGIN { exit !(p > 0.01 && p < 1.0) }' || fail "$name: peak $peak"
  checked=$((checked + 1))
done < <(grep '^capture ' "$work/run.log")
[ "$checked" -eq 8 ] || fail "$checked captures checked, not 8"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
