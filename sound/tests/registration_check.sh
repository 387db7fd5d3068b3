#!/usr/bin/env bash
# Registers a module of the sound engine with the system's regsvr32, reads
# its value back with reg, unregisters it, checks the value is gone, and
# registers it again (the build lays the modules out registered).
# usage: registration_check.sh <module.dll> <key below HKLM> <value name>
set -u
dll=${1:?module}
key="HKLM\\${2:?key}"
value=${3:?value name}
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all
windows_path="Z:$(cd "$(dirname "$dll")" && pwd | tr / '\\')\\$(basename "$dll")"
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
# Whether reg's answer for the value holds the text; if not, its status is
# shown with the answer.
answers() {
  local status=0
  wine reg query "$key" /v "$value" || status=$?
  grep -qiF "$1" "$out" && return 0
  echo "reg query ended with status $status and this output:"
  return 1
}

check "regsvr32 registers" wine regsvr32 /s "$windows_path"
check "the value names the module" answers "$windows_path"
check "regsvr32 /u unregisters" wine regsvr32 /u /s "$windows_path"
check "the value is gone" answers "Unable to find"
check "registers again" wine regsvr32 /s "$windows_path"
check "registered again" answers "$windows_path"

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
