#!/usr/bin/env bash
# Writes the dense groove, renders it with the render benchmark's file
# scenario (as Export Audio renders a part), and checks the WAVE with sox
# and an onset finder that nobody here wrote against: two channels of
# 16-bit samples at 44.1 kHz, at least as long as the song, and an onset
# at every time the file's notes fall and nowhere else.
# usage: file_onsets_check.sh <dense_groove_writer.exe> <render_benchmark.exe> <wine-run.sh>
set -uo pipefail
writer=$1
benchmark=$2
wine_run=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
windows() { echo "Z:$(echo "$1" | tr / '\\')"; }
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

"$wine_run" "$writer" "$(windows "$work/groove.mid")" || fail "the groove was not written"
"$wine_run" "$benchmark" --scenario file --smf "$(windows "$work/groove.mid")" \
  --out "$(windows "$work/groove.wav")" | tee "$work/run.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the file scenario failed"
grep -Eq '^file: [0-9.]+ audio s per wall s, [0-9.]+ audio s per CPU s; per buffer median [0-9.]+ ms \([0-9.]+ %\), 99th percentile [0-9.]+ ms \([0-9.]+ %\), maximum [0-9.]+ ms \([0-9.]+ %\); [0-9.]+ kernel waits, [0-9.]+ allocations, [0-9.]+ file accesses per buffer on the render thread' "$work/run.log" ||
  fail "no line of figures"

wave=$work/groove.wav
if [ -f "$wave" ]; then
  [ "$(soxi -c "$wave")" = 2 ] || fail "channels $(soxi -c "$wave")"
  [ "$(soxi -r "$wave")" = 44100 ] || fail "rate $(soxi -r "$wave")"
  [ "$(soxi -b "$wave")" = 16 ] || fail "bits $(soxi -b "$wave")"
  /usr/bin/python3 "$here/onset_check.py" "$work/groove.mid" "$wave" || fail "the onsets"
else
  fail "no WAVE"
fi
[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
