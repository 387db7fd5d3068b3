#!/usr/bin/env bash
# Sets up whatever is missing, builds, and runs every test under Wine.
source "$(dirname "$0")/scripts/common.sh"

setup_packages
configure_and_build
start_xvfb
start_wine
trap 'stop_wine; stop_xvfb' EXIT

cd "$BUILD"
# A test that fails fails the run: none is run a second time. The output of
# a program killed past its time limit is printed after ctest's summary.
rm -rf "$TEMBRI_UNFINISHED"
status=0
ctest -j "$JOBS" --output-on-failure --no-tests=error "$@" || status=$?
show_unfinished
check_wine_server || status=1
exit "$status"
