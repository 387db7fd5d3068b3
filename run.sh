#!/usr/bin/env bash
# Sets up whatever is missing, builds, and lays out dist/ as a user's machine
# would have it. The stand-alone program does not exist yet; this is as far
# as the main job goes for now.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build
echo "built; the deliverables are laid out in $BUILD/dist (the program itself is not built yet)"
