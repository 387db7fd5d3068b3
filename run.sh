#!/usr/bin/env bash
# Sets up whatever is missing, builds what a user's machine holds (dist/),
# registers the modules that changed, and starts the program Rallimoth.exe
# under Wine on the user's display, in a Wine prefix of its own (the tests
# keep theirs). Arguments go to the program: a style file (.qns) to open,
# or "/N" to start without the saved state. Part files (.qnp) open from the
# File menu or dropped on the window.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_build
build=$(build_dist) || exit 1

# The program's machine: its own prefix, where the modules register
# themselves as an installer would.
export WINEPREFIX="$BUILD/rallimoth-prefix"
"$ROOT/scripts/program-prefix.sh" "$BUILD"
registered=$("$ROOT/scripts/register-modules.sh" "$BUILD/dist")

# The program's windows need an X display.
if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: dist/ $build, $registered." >&2
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
echo "run.sh: dist/ $build, $registered; starting Rallimoth on $DISPLAY (Wine prefix $WINEPREFIX)"
cd "$BUILD/dist"
exec "$WINE" "$BUILD/dist/Rallimoth.exe" "${args[@]}"
