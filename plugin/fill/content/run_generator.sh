#!/usr/bin/env bash
# Runs a starter library generator (the fill drummer's, the loop-slice
# drummer's) under Wine while the build lays out dist/.
# usage: run_generator.sh <build folder> <wine wrapper> <generator.exe> <library folder>
set -euo pipefail
build=$1 wrapper=$2 generator=$3 library=$4
root=$(cd "$(dirname "$0")/../../.." && pwd)

"$root/scripts/wine-prefix.sh" "$build"
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}

# The library is written anew, so a pattern renamed in the catalogue leaves
# no stale file behind.
rm -rf "$library"
# Wine sees the Linux file system as drive Z:.
"$wrapper" "$generator" "Z:${library//\//\\}"

# Let the short-lived wineserver go, so that a test run can start a
# persistent one; bounded in case a persistent one is already serving.
timeout 15 /usr/lib/wine/wineserver -w || true
