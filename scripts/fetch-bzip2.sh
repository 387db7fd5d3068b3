#!/usr/bin/env bash
# Fetches Debian's bzip2 source package into <build>/sources/bzip2 once.
# The build compiles its library files with the cross compiler.
set -euo pipefail
build=${1:?build folder}
dest="$build/sources/bzip2"
[ -f "$dest/bzlib.c" ] && exit 0

work="$build/sources/bzip2-fetch"
rm -rf "$work" && mkdir -p "$work"
( cd "$work" && apt-get source -qq bzip2 >/dev/null 2>&1 || apt-get source bzip2 )
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'bzip2-*' | head -n 1)
[ -n "$src" ] && [ -f "$src/bzlib.c" ] || { echo "bzip2 source package not found" >&2; exit 1; }
rm -rf "$dest" && mv "$src" "$dest"
rm -rf "$work"
