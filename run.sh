#!/usr/bin/env bash
# Sets up whatever is missing, builds, lays out dist/ as a user's machine
# would have it, registers the modules, and starts the program Rallimoth.exe
# under Wine on the user's display. Arguments go to the program (a style or
# part file, "/N" to skip the saved state).
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build

# The modules register themselves in the build's Wine prefix, as an installer
# would on a user's machine.
"$ROOT/scripts/wine-prefix.sh" "$BUILD"
"$ROOT/scripts/register-modules.sh" "$BUILD/dist"
# Registry files are written when the short-lived wineserver ends; bounded,
# in case a persistent one (a test run) is serving the prefix.
timeout 30 "$WINESERVER" -w || true
echo "built; the deliverables are laid out in $BUILD/dist"

# The program's windows need an X display.
if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
run.sh: no X display (DISPLAY is not set), so Rallimoth cannot show its windows.
Run this from a desktop session, over "ssh -X", or on a virtual display:
  Xvfb :99 -screen 0 1280x1024x24 &  DISPLAY=:99 ./run.sh
MSG
  exit 3
fi

# Files named on the command line are handed over as Wine sees them (drive Z:).
args=()
for arg in "$@"; do
  if [ -e "$arg" ]; then
    args+=("Z:$(cd "$(dirname "$arg")" && pwd | tr / '\\')\\$(basename "$arg")")
  else
    args+=("$arg")
  fi
done
echo "starting Rallimoth on $DISPLAY"
cd "$BUILD/dist"
exec "$WINE" "$BUILD/dist/Rallimoth.exe" "${args[@]}"
