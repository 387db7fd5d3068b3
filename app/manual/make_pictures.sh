#!/usr/bin/env bash
# Takes the pictures of the program's windows into the manual at build
# time: runs the window tests that paint them (pictures.txt names each) on
# an X display of its own, then turns each picture into a one-page PDF and
# writes pictures.tmac, which names each picture's file and size for groff.
# usage: make_pictures.sh <build folder> <pictures.txt> <output folder>
set -euo pipefail
build=$(cd "$1" && pwd) list=$2 out=$3
export TEMBRI_BUILD=$build
source "$(dirname "$0")/../../scripts/common.sh"

mkdir -p "$out"
shots=$build/screenshots
# name shot program filter, one picture a line
mapfile -t entries < <(grep -v '^[[:space:]]*\(#\|$\)' "$list")
programs=()
for entry in "${entries[@]}"; do
  read -r _ shot program _ <<<"$entry"
  rm -f "$shots/$shot.png"
  [[ " ${programs[*]} " == *" $program "* ]] || programs+=("$program")
done

"$ROOT/scripts/wine-prefix.sh" "$build"
start_xvfb
trap 'stop_xvfb; timeout 15 "$WINESERVER" -w || true' EXIT
for program in "${programs[@]}"; do
  filters=()
  for entry in "${entries[@]}"; do
    read -r _ _ p filter <<<"$entry"
    [ "$p" = "$program" ] && filters+=("$filter")
  done
  # A test that fails still leaves its picture; the test run judges it.
  # Here only a missing picture counts.
  filter=$(IFS=:; echo "${filters[*]}")
  "$ROOT/scripts/wine-run.sh" "$build/tests/$program.exe" "--gtest_filter=$filter" >"$out/$program.log" 2>&1 ||
    echo "make_pictures: $program reported failures (see $out/$program.log)" >&2
done

tmac=$out/pictures.tmac.part
: >"$tmac"
for entry in "${entries[@]}"; do
  read -r name shot program _ <<<"$entry"
  png=$shots/$shot.png
  if [ ! -s "$png" ]; then
    echo "make_pictures: $program painted no picture $shot.png for the manual's $name" >&2
    exit 1
  fi
  /usr/bin/python3 - "$png" "$out/$name.pdf" >>"$tmac" <<'PY'
import sys
from PIL import Image

picture = Image.open(sys.argv[1]).convert("RGB")
# At 96 pixels an inch, as the screen shows it.
picture.save(sys.argv[2], "PDF", resolution=96.0, quality=95)
width, height = picture.size
name = sys.argv[2].rsplit("/", 1)[1][:-4]
print(f".ds pic-{name} {sys.argv[2]}")
print(f".nr pic-{name}-w {width * 3 / 4:.2f}p")
print(f".nr pic-{name}-h {height * 3 / 4:.2f}p")
PY
done
mv "$tmac" "$out/pictures.tmac"
