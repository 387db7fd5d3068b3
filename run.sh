#!/usr/bin/env bash
# Sets up whatever is missing, builds, and lays out dist/ as a user's machine
# would have it, with the program Rallimoth.exe beside its libraries.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build

# The modules register themselves in the build's Wine prefix, as an installer
# would on a user's machine.
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
dist_windows="Z:$(cd "$BUILD/dist" && pwd | tr / '\\')"
"$WINE" regsvr32 /s "$dist_windows\\Grindelvosket.dll" </dev/null
"$WINE" regsvr32 /s "$dist_windows\\Vostrapellin.dll" </dev/null
"$WINE" regsvr32 /s "$dist_windows\\TembriMFX.dll" </dev/null
# The sound engine's modules: the preview synthesizer, the audio tracks'
# output, the sound-card stream provider, the DXi host adapter, the VST
# instrument output, the VST bus effect and the MIDI port output ("Default
# Preview", "Tembri Audio", "DirectSound", "Tembri DXi", "Tembri VSTi",
# "Tembri VST", "Tembri MIDI").
for module in Pellandor.dll TembriAudio.dll TembriDirectSound.dll Sorvik.dll TembriVSTi.dll TembriVST.dll \
  TembriMIDI.dll; do
  "$WINE" regsvr32 /s "$dist_windows\\$module" </dev/null
done
# The host bridge: the stream provider ("Halvorin") and the DXi instrument
# (its classes, its filter and its soft-synth entry). QN3_HalvorinVSTi.dll
# needs no registration: a host loads it from the folder it is given.
for module in ASPHalvorin.dll QN3_HalvorinDXi.dll; do
  "$WINE" regsvr32 /s "$dist_windows\\$module" </dev/null
done
# The bridge's provider starts the program it finds registered under its
# name when a host plug-in connects.
"$WINE" reg add 'HKLM\Software\Quorvane\HalvorinApp' /v "Rallimoth Omvel" /t REG_SZ \
  /d "\"$dist_windows\\Rallimoth.exe\"" /f </dev/null >/dev/null
# Registry files are written when the short-lived wineserver ends; bounded,
# in case a persistent one (a test run) is serving the prefix.
timeout 30 "$WINESERVER" -w || true
echo "built; the deliverables are laid out in $BUILD/dist (start Rallimoth.exe there)"
