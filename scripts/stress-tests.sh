#!/usr/bin/env bash
# Runs the whole suite several times while other processes keep every core
# busy, as a parallel build does, and names each test that failed in any run
# with the run's number. No test is run again: a test that fails once under
# load is a test that cannot decide, or code with a race.
#
# usage: scripts/stress-tests.sh [RUNS] [ctest arguments...]
#   RUNS defaults to 5; TEMBRI_STRESS_LOAD sets the number of busy
#   processes (default: one per core); TEMBRI_JOBS the tests run at once.
# Each run's ctest output stays in build/stress/run-N.log. The status is 0
# only when every run passed.
source "$(dirname "$0")/common.sh"

RUNS=5
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
  RUNS=$1
  shift
fi
LOAD=${TEMBRI_STRESS_LOAD:-$(nproc)}

# Set up once: packages, build, X display and Wine, as ./test.sh does.
setup_packages
configure_and_build
start_xvfb
start_wine

BURNERS=()
stop_load() {
  local pid
  for pid in "${BURNERS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${BURNERS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  BURNERS=()
}
trap 'stop_load; stop_wine; stop_xvfb' EXIT

# One process per core that only burns time, at the priority a compiler has.
start_load() {
  local i
  for ((i = 0; i < LOAD; i++)); do
    (exec bash -c 'while :; do :; done') &
    BURNERS+=($!)
  done
}

LOGS="$BUILD/stress"
mkdir -p "$LOGS"
REPORT="$LOGS/failures.txt"
: >"$REPORT"

start_load
for ((run = 1; run <= RUNS; run++)); do
  log="$LOGS/run-$run.log"
  echo "stress run $run of $RUNS (load: $LOAD busy processes, $JOBS tests at once)"
  status=0
  rm -rf "$TEMBRI_UNFINISHED"
  (cd "$BUILD" && ctest -j "$JOBS" --output-on-failure --no-tests=error "$@") >"$log" 2>&1 || status=$?
  show_unfinished >>"$log"
  # ctest's summary names the failed test programs; the output each one left
  # (printed after its status line) names its failed cases.
  awk -v run="$run" '
    /Test +#[0-9]+: / {
      current = $0
      sub(/.*Test +#[0-9]+: /, "", current)
      sub(/ .*/, "", current)
    }
    /^\[  FAILED  \] [^ ]+\.[^ ]+/ {
      failed = $4
      sub(/,$/, "", failed)
      if (!((current, failed) in seen))
        cases[current] = cases[current] "\n  run " run ":   " failed
      seen[current, failed] = 1
    }
    /The following tests FAILED:/ { summary = 1; next }
    summary && /^[ \t]+[0-9]+ - / {
      name = $0
      sub(/^[ \t]+[0-9]+ - /, "", name)
      program = name
      sub(/ .*/, "", program)
      print "run " run ": " name cases[program]
    }
  ' "$log" | tee -a "$REPORT"
  # A server that ended during the run is named, and the next run gets a
  # new one.
  if ! check_wine_server >>"$log"; then
    echo "run $run: the Wine server ended during the run (see $log)" | tee -a "$REPORT"
    start_wine
  fi
  if [ "$status" -ne 0 ] && ! grep -q "^run $run: " "$REPORT"; then
    echo "run $run: ctest ended with status $status (see $log)" | tee -a "$REPORT"
  fi
  grep -E "tests passed, |Total Test time" "$log" || true
done
stop_load

if [ -s "$REPORT" ]; then
  echo "failures in $RUNS runs under load:"
  cat "$REPORT"
  exit 1
fi
echo "all $RUNS runs under load passed"
