#!/usr/bin/env bash
# Sets up whatever is missing, builds, and runs every test under Wine.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build
start_xvfb
start_wine
trap 'stop_wine; stop_xvfb' EXIT

cd "$BUILD"
# A test that fails is run once more: Wine's timing on a loaded machine can
# make a window or process test miss a deadline; the first failure stays in
# the log, and a test that fails twice fails the run.
ctest -j "$JOBS" --output-on-failure --no-tests=error --repeat until-pass:2 "$@"
