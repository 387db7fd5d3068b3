#!/usr/bin/env bash
# Registers a drummer module with the system's regsvr32, reads the keys back
# with reg, unregisters it, checks the keys are gone, and registers it again
# (the build lays the module out registered).
# usage: regsvr32_check.sh <module.dll> [<drummer class id> <drummer description>
#                                        <page class id> <page description>]
# Without class ids the module is Grindelvosket.dll.
set -u
dll=${1:?module}
drummer_id=${2:-70781444-08F0-5C91-8DF7-9AECBDB9E7C5}
drummer_name=${3:-Quorvane Grindelvosket}
page_id=${4:-604A9C27-B0F9-547F-A08B-7BE80F175A5A}
page_name=${5:-Quorvane Grindelvosket Property Page}
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
windows_path="Z:$(cd "$(dirname "$dll")" && pwd | tr / '\\')\\$(basename "$dll")"
drummer="HKCR\\CLSID\\{$drummer_id}"
page="HKCR\\CLSID\\{$page_id}"
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
# Whether reg's answer for the key holds the text; if not, its status is
# shown with the answer. A key is gone only when reg says so.
answers() {
  local status=0
  wine reg query "${@:2}" || status=$?
  grep -qF "$1" "$out" && return 0
  echo "reg query ended with status $status and this output:"
  return 1
}
holds() { answers "$2" "$1" /ve; }
gone() { answers "Unable to find" "$1"; }

check "regsvr32 registers" wine regsvr32 /s "$windows_path"
check "drummer class named" holds "$drummer" "$drummer_name"
check "drummer served by the module" holds "$drummer\\InprocServer32" "$windows_path"
check "page class named" holds "$page" "$page_name"
check "page served by the module" holds "$page\\InprocServer32" "$windows_path"
check "regsvr32 /u unregisters" wine regsvr32 /u /s "$windows_path"
check "drummer class gone" gone "$drummer"
check "page class gone" gone "$page"
check "registers again" wine regsvr32 /s "$windows_path"
check "registered again" holds "$drummer\\InprocServer32" "$windows_path"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
