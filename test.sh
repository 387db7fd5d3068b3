#!/usr/bin/env bash
# Sets up whatever is missing, builds, and runs every test under Wine.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build
start_xvfb
start_wine
trap 'stop_wine; stop_xvfb' EXIT

cd "$BUILD"
ctest -j "$JOBS" --output-on-failure --no-tests=error "$@"
