#!/usr/bin/env bash
# scripts/register-modules.sh in a fresh Wine prefix: the first run
# registers every module and the installer's entries (the program for the
# bridge, the drummers for MFX hosts and their installation folder); a
# second registers nothing; a module that changed is registered alone.
# usage: register_modules_test.sh <dist folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dist=$(cd "${1:?dist folder}" && pwd)
work=$(mktemp -d /tmp/register-modules-test.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 20 /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
WINE=/usr/lib/wine/wine64

# The modules alone, so that one of them can change.
mkdir "$work/dist"
cp "$dist"/*.dll "$dist/Rallimoth.exe" "$work/dist/"
"$here/../wine-prefix.sh" "$work" >/dev/null
/usr/lib/wine/wineserver -p 2>/dev/null || true

expect() { # what the script said, what it should have said
  [ "$1" = "$2" ] || { echo "register-modules said \"$1\", expected \"$2\"" >&2; exit 1; }
}
expect "$("$here/../register-modules.sh" "$work/dist")" "14 modules registered"
query() { "$WINE" reg query "$1" ${2:+/v "$2"} </dev/null 2>/dev/null | tr -d '\r'; }
dist_windows="Z:$(echo "$work/dist" | tr / '\\')"
for key in '{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}' '{12685FD8-4060-592B-A817-B5BE3370C134}'; do
  query "HKLM\\Software\\MFX Hosts\\MIDI Filters\\$key" >/dev/null ||
    { echo "no MFX host entry for $key" >&2; exit 1; }
done
for drummer in Grindelvosket Vostrapellin; do
  query "HKLM\\Software\\Quorvane\\$drummer\\2" InstallDir | grep -qF "$dist_windows" ||
    { echo "no installation folder for $drummer" >&2; exit 1; }
done
query 'HKLM\Software\Quorvane\HalvorinApp' 'Rallimoth Omvel' | grep -qF "\"$dist_windows\\Rallimoth.exe\"" ||
  { echo "the bridge does not find the program" >&2; exit 1; }
query 'HKLM\Software\Quorvane\SoftSynth' 'Default Preview' | grep -qF "$dist_windows\\Pellandor.dll" ||
  { echo "the preview synthesizer did not register itself" >&2; exit 1; }

expect "$("$here/../register-modules.sh" "$work/dist")" "no module registered (all as before)"
sleep 1
touch "$work/dist/Sorvik.dll"
"$WINE" reg delete 'HKLM\Software\Quorvane\SoftSynth' /v 'Tembri DXi' /f </dev/null >/dev/null 2>&1
expect "$("$here/../register-modules.sh" "$work/dist")" "1 module registered"
query 'HKLM\Software\Quorvane\SoftSynth' 'Tembri DXi' | grep -qF "$dist_windows\\Sorvik.dll" ||
  { echo "the changed module was not registered again" >&2; exit 1; }
echo "register-modules: passed"
