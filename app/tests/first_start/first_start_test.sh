#!/usr/bin/env bash
# The whole first start in a fresh Wine prefix, as a new user meets it: a
# copy of dist/ (no database yet), the modules registered, and Rallimoth.exe
# driven through its first-time set-up, VST scan and output chooser to the
# starter style, played and switched with real key presses, and exported as
# MIDI and WAVE; the files are then checked with sox and mido.
# usage: first_start_test.sh <build folder> <first_start_driver.exe>
set -euo pipefail
build=$(cd "$1" && pwd) driver=$2
root=$(cd "$(dirname "$0")/../../.." && pwd)
[ -n "${DISPLAY:-}" ] || { echo "first start test: needs an X display" >&2; exit 1; }

work=$(mktemp -d /tmp/rallimoth-first-start.XXXXXX)
# No sound card here: the stream provider runs paced but silent.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv="
cleanup() {
  timeout 20 /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

cp -r "$build/dist" "$work/dist"
rm -f "$work/dist"/*.prs "$work/dist"/*.prs.*
"$root/scripts/wine-prefix.sh" "$work"
"$root/scripts/register-modules.sh" "$work/dist"
/usr/lib/wine/wineserver -p 2>/dev/null || true

win() { echo "Z:$(echo "$1" | tr / '\\')"; }
timeout 300 /usr/lib/wine/wine64 "$driver" "$(win "$work/dist/Rallimoth.exe")" \
  "$(win "$work/take.mid")" "$(win "$work/take.wav")" </dev/null

# The WAVE file: 48 kHz stereo (the rate chosen on the stream provider's
# page in the set-up), not silent.
[ "$(sox --i -r "$work/take.wav")" = 48000 ] || { echo "WAVE rate: $(sox --i -r "$work/take.wav")" >&2; exit 1; }
peak=$(sox "$work/take.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
awk -v p="$peak" 'BEGIN { exit !(p > 0.01) }' || { echo "the WAVE file is silent (peak $peak)" >&2; exit 1; }
# The MIDI file: notes, and as long as a measure at least.
/usr/bin/python3 - "$work/take.mid" <<'PY'
import sys
import mido
song = mido.MidiFile(sys.argv[1])
notes = [m for track in song.tracks for m in track if m.type == "note_on" and m.velocity > 0]
if not notes:
    sys.exit("the MIDI file holds no notes")
if song.length < 1.0:
    sys.exit(f"the MIDI file lasts {song.length:.2f} s")
print(f"MIDI: {len(notes)} notes over {song.length:.2f} s")
PY
echo "first start: passed"
