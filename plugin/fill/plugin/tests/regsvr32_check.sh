#!/usr/bin/env bash
# Registers Grindelvosket.dll with the system's regsvr32, reads the keys back
# with reg, unregisters it, checks the keys are gone, and registers it again
# (the build lays the module out registered).
# usage: regsvr32_check.sh <Grindelvosket.dll>
set -u
dll=${1:?module}
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
windows_path="Z:$(cd "$(dirname "$dll")" && pwd | tr / '\\')\\$(basename "$dll")"
drummer='HKCR\CLSID\{70781444-08F0-5C91-8DF7-9AECBDB9E7C5}'
page='HKCR\CLSID\{604A9C27-B0F9-547F-A08B-7BE80F175A5A}'
failures=0

# Wine's helper processes may outlive a command: output goes through a file.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
wine() { "$WINE" "$@" </dev/null >"$out" 2>&1; }

check() { # description, then the command that must succeed
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; cat "$out"; failures=$((failures + 1)); fi
}
holds() { wine reg query "$1" /ve && grep -qF "$2" "$out"; }
gone() { ! wine reg query "$1"; }

check "regsvr32 registers" wine regsvr32 /s "$windows_path"
check "drummer class named" holds "$drummer" "Quorvane Grindelvosket"
check "drummer served by the module" holds "$drummer\\InprocServer32" "$windows_path"
check "page class named" holds "$page" "Quorvane Grindelvosket Property Page"
check "page served by the module" holds "$page\\InprocServer32" "$windows_path"
check "regsvr32 /u unregisters" wine regsvr32 /u /s "$windows_path"
check "drummer class gone" gone "$drummer"
check "page class gone" gone "$page"
check "registers again" wine regsvr32 /s "$windows_path"
check "registered again" holds "$drummer\\InprocServer32" "$windows_path"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
