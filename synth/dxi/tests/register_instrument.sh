#!/usr/bin/env bash
# Registers the tests' DXi instrument with the system's regsvr32 and checks
# the entry hosts look for: HKCR\MfxSoftSynths\{class id} "Description".
# usage: register_instrument.sh <TembriTestDXi.dll>
set -u
dll=${1:?module}
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
windows_path="Z:$(cd "$(dirname "$dll")" && pwd | tr / '\\')\\$(basename "$dll")"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$WINE" regsvr32 /s "$windows_path" </dev/null >"$out" 2>&1 || { echo "FAIL: regsvr32"; cat "$out"; exit 1; }
"$WINE" reg query 'HKCR\MfxSoftSynths\{6C1F3E20-8B5A-4D37-9E21-3A7B5C9D0E11}' /v Description </dev/null >"$out" 2>&1
grep -q "Tembri Test DXi" "$out" || { echo "FAIL: no soft-synth entry"; cat "$out"; exit 1; }
"$WINE" reg query 'HKCR\CLSID\{6C1F3E20-8B5A-4D37-9E21-3A7B5C9D0E11}\InprocServer32' </dev/null >"$out" 2>&1
grep -qiF "$windows_path" "$out" || { echo "FAIL: the class does not name the module"; cat "$out"; exit 1; }
echo "all passed"
