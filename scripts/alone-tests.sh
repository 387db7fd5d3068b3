#!/usr/bin/env bash
# Runs every test program alone, each in a Wine prefix made for it and on an
# X display of its own, as a first run on a new machine would: a test that
# passes only after another test left something behind (a registration, a
# file, a started service) fails here.
#
# usage: scripts/alone-tests.sh [ctest -R pattern]
# Each test's output stays in build/alone/NAME.log. The status is 0 only
# when every test passed.
source "$(dirname "$0")/common.sh"

PATTERN=${1:-.}

setup_packages
configure_and_build

WORK="$BUILD/alone"
rm -rf "$WORK"
mkdir -p "$WORK"
mapfile -t NAMES < <(cd "$BUILD" && ctest -N -R "$PATTERN" | sed -n 's/^ *Test *#[0-9]*: //p')
[ "${#NAMES[@]}" -gt 0 ] || { echo "no test matches $PATTERN" >&2; exit 1; }

# One test in a prefix and on a display of its own; ctest runs the fixtures
# it needs with it.
alone() {
  local name=$1 home="$WORK/$1" status=0
  mkdir -p "$home"
  export WINEPREFIX="$home/prefix" TEMBRI_UNFINISHED="$home/unfinished"
  {
    # The display first: Wine's services, started with the server, take it.
    start_xvfb
    start_wine "$home"
    (cd "$BUILD" && ctest --output-on-failure --no-tests=error -R "^${name}\$") || status=$?
    show_unfinished
    check_wine_server || status=1
    stop_wine
    "$WINESERVER" -w || true
    stop_xvfb
  } >"$WORK/$name.log" 2>&1
  rm -rf "$home"
  if [ "$status" -eq 0 ]; then echo "passed: $name"; else echo "FAILED: $name (see $WORK/$name.log)"; fi
  return "$status"
}

# One after another: tests that ctest keeps apart (a shared file beside the
# test programs, the clipboard, a registration) would meet if several ran
# at once from separate ctest runs, which know nothing of each other's locks.
failed=()
for name in "${NAMES[@]}"; do
  (alone "$name") || failed+=("$name")
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "${#failed[@]} of ${#NAMES[@]} tests failed alone in a fresh prefix:"
  printf '  %s\n' "${failed[@]}"
  exit 1
fi
echo "all ${#NAMES[@]} tests passed alone, each in a fresh prefix"
