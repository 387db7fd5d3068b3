#!/usr/bin/env bash
# Creates the build folder's private Wine prefix once. Every user of Wine in
# the build and the test run calls this first; the lock keeps two of them
# from creating it at the same time.
# usage: wine-prefix.sh <build folder>
set -euo pipefail
build=${1:?build folder}

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

mkdir -p "$build"
exec 9>"$build/wine-prefix.lock"
flock 9

[ -f "$WINEPREFIX/system.reg" ] && exit 0
mkdir -p "$WINEPREFIX"
"$WINE" wineboot -i </dev/null >/dev/null 2>&1 || true
# A crashing program must fail, not wait in the debugger.
"$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /t REG_SZ /d '' /f </dev/null >/dev/null 2>&1 || true
# Windows are not handed to a window manager (Xvfb runs none); with managed
# windows every closing dialog waits about two seconds for one.
for value in Managed Decorated; do
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f </dev/null >/dev/null 2>&1 || true
done
"$WINESERVER" -w
