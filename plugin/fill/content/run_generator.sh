#!/usr/bin/env bash
# Runs the starter fill generator under Wine while the build lays out dist/.
# usage: run_generator.sh <build folder> <wine wrapper> <generator.exe> <Fills folder>
set -euo pipefail
build=$1 wrapper=$2 generator=$3 fills=$4
root=$(cd "$(dirname "$0")/../../.." && pwd)

"$root/scripts/wine-prefix.sh" "$build"
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}

# The library is written anew, so a fill renamed in the catalogue leaves no
# stale file behind.
rm -rf "$fills"
# Wine sees the Linux file system as drive Z:.
"$wrapper" "$generator" "Z:${fills//\//\\}"

# Let the short-lived wineserver go, so that a test run can start a
# persistent one; bounded in case a persistent one is already serving.
timeout 15 /usr/lib/wine/wineserver -w || true
