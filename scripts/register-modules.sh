#!/usr/bin/env bash
# Registers the laid-out modules in a Wine prefix, as an installer would on a
# user's machine: the modules' own self-registration and the program's
# entry for the bridge.
# usage: register-modules.sh <dist folder>   (WINEPREFIX names the prefix)
set -euo pipefail
dist=$(cd "${1:?dist folder}" && pwd)
WINE=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

dist_windows="Z:$(echo "$dist" | tr / '\\')"
# The drummers and the MFX host that creates them by class id.
for module in Grindelvosket.dll Vostrapellin.dll TembriMFX.dll; do
  "$WINE" regsvr32 /s "$dist_windows\\$module" </dev/null
done
# The sound engine's modules: the preview synthesizer, the audio tracks'
# output, the sound-card stream provider, the DXi host adapter, the VST
# instrument output, the VST bus effect, the MIDI port output, the DirectX
# bus effect and the DLS synthesizer output ("Default Preview", "Tembri
# Audio", "DirectSound", "Tembri DXi", "Tembri VSTi", "Tembri VST", "Tembri
# MIDI", "Tembri DX", "Tembri DLS").
for module in Pellandor.dll TembriAudio.dll TembriDirectSound.dll Sorvik.dll TembriVSTi.dll TembriVST.dll \
  TembriMIDI.dll TembriDX.dll TembriDLS.dll; do
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
