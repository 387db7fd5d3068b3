#!/usr/bin/env bash
# Runs a Windows program under Wine in the build folder's private prefix.
# The prefix is the WINEPREFIX in the environment, or <build>/wineprefix found
# from the program's own path.
set -u
if [ -z "${WINEPREFIX:-}" ]; then
  dir=$(cd "$(dirname "$1")" && pwd)
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Wine may start helper processes (services, the desktop window) that live on
# after the program; they must not hold the caller's pipes open, so the
# program's output goes through a file. A test runner ends a program past its
# time limit with SIGKILL, so no one prints that file: it stays in
# TEMBRI_UNFINISHED (the test scripts set it and show what is left there).
keep=${TEMBRI_UNFINISHED:-${TMPDIR:-/tmp}}
mkdir -p "$keep"
out=$(mktemp "$keep/$(basename "$1" .exe).XXXXXX.log")
/usr/lib/wine/wine64 "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
