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

# Debian's fonts-wine (Tahoma and the other faces a Windows system has):
# this Wine does not look for them in Debian's data folder, so the prefix
# keeps copies of its own. Also done for a prefix made before.
install_fonts() {
  [ -d /usr/share/wine/fonts ] || return 0
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" font
  mkdir -p "$fonts"
  for font in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${font##*/}" ] || cp "$font" "$fonts/"
  done
}

if [ -f "$WINEPREFIX/system.reg" ]; then
  install_fonts
  exit 0
fi
echo "${0##*/}: making the Wine prefix $WINEPREFIX (a minute or so, once)" >&2
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
install_fonts
"$WINESERVER" -w
