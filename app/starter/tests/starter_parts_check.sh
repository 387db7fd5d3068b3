#!/usr/bin/env bash
# Writes what every starter part plays (starter_parts_writer, under Wine)
# and checks the files with readers of this test's own.
# usage: starter_parts_check.sh <starter_parts_writer.exe> <wine-run.sh>
set -uo pipefail
writer=$1 wine_run=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$wine_run" "$writer" "Z:$(echo "$work" | tr / '\\')" || { echo "FAIL the parts were not written"; exit 1; }
/usr/bin/python3 "$here/starter_parts_check.py" "$work"
