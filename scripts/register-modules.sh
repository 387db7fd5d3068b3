#!/usr/bin/env bash
# Registers the laid-out modules in a Wine prefix, as an installer would on a
# user's machine: the modules' own self-registration, the drummers' entries
# for MFX hosts and their installation folder, and the program's entry for
# the bridge. A module registered before from the same place and unchanged
# since is left as it is (the prefix keeps a note of what it registered);
# the rest goes through one regsvr32 run. Prints how many modules it
# registered.
# usage: register-modules.sh <dist folder>   (WINEPREFIX names the prefix)
set -euo pipefail
dist=$(cd "${1:?dist folder}" && pwd)
WINE=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
: "${WINEPREFIX:?WINEPREFIX names the prefix}"

dist_windows="Z:$(echo "$dist" | tr / '\\')"
note="$WINEPREFIX/tembri-registered"
# In this order: the drummers and the MFX host that creates them by class
# id; the sound engine's modules: the preview synthesizer, the audio tracks'
# output, the sound-card stream provider, the DXi host adapter, the VST
# instrument output, the VST bus effect, the MIDI port output, the DirectX
# bus effect and the DLS synthesizer output ("Default Preview", "Tembri
# Audio", "DirectSound", "Tembri DXi", "Tembri VSTi", "Tembri VST", "Tembri
# MIDI", "Tembri DX", "Tembri DLS"); the host bridge: the stream provider
# ("Halvorin") and the DXi instrument (its classes, its filter and its
# soft-synth entry). QN3_HalvorinVSTi.dll needs no registration: a host
# loads it from the folder it is given.
modules=(Grindelvosket.dll Vostrapellin.dll TembriMFX.dll
  Pellandor.dll TembriAudio.dll TembriDirectSound.dll Sorvik.dll TembriVSTi.dll TembriVST.dll TembriMIDI.dll
  TembriDX.dll TembriDLS.dll
  ASPHalvorin.dll QN3_HalvorinDXi.dll)

# One line per module as it stands: its path, size and time; those that
# differ from the note are registered again.
identities=$(stat -c '%n %s %Y' "${modules[@]/#/$dist/}")
[ -f "$note" ] || : >"$note"
changed=()
while read -r path _; do
  [ -n "$path" ] && changed+=("${path##*/}")
done < <(grep -vxF -f "$note" <<<"$identities" || true)
# The entries of the installer itself go with the first registration from
# this place: the program for the bridge's provider, the drummers for MFX
# hosts (whose MIDI filter list the equipment database reads) and the
# drummers' folder, where their help files belong.
entries="entries $dist"
grep -qxF "$entries" "$note" || changed+=(entries)

if [ ${#changed[@]} -eq 0 ]; then
  echo "no module registered (all as before)"
  exit 0
fi

dlls=()
for module in "${changed[@]}"; do
  [ "$module" = entries ] || dlls+=("$dist_windows\\$module")
done
if [ ${#dlls[@]} -gt 0 ] && ! "$WINE" regsvr32 /s "${dlls[@]}" </dev/null; then
  echo "register-modules: regsvr32 failed for some of: ${changed[*]}" >&2
  exit 1
fi
if [[ " ${changed[*]} " == *" entries "* ]]; then
  entries_file=$(mktemp --suffix=.reg)
  trap 'rm -f "$entries_file"' EXIT
  escaped=${dist_windows//\\/\\\\}
  cat >"$entries_file" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\HalvorinApp]
"Rallimoth Omvel"="\\"$escaped\\\\Rallimoth.exe\\""

[HKEY_LOCAL_MACHINE\\Software\\MFX Hosts\\MIDI Filters\\{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}]

[HKEY_LOCAL_MACHINE\\Software\\MFX Hosts\\MIDI Filters\\{12685FD8-4060-592B-A817-B5BE3370C134}]

[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Grindelvosket\\2]
"InstallDir"="$escaped"

[HKEY_LOCAL_MACHINE\\Software\\Quorvane\\Vostrapellin\\2]
"InstallDir"="$escaped"
REG
  "$WINE" regedit /S "Z:$(echo "$entries_file" | tr / '\\')" </dev/null
fi

# The note: what stands registered now.
{
  grep -vF "$dist/" "$note" | grep -vxF "$entries" || true
  echo "$identities"
  echo "$entries"
} >"$note.new"
mv "$note.new" "$note"
[ ${#dlls[@]} -eq 1 ] && echo "1 module registered" || echo "${#dlls[@]} modules registered"
