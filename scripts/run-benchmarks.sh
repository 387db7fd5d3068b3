#!/usr/bin/env bash
# Runs every benchmark in a folder once in its short mode, so that none can
# rot unseen: fails when one cannot start, or ends with an error, or when
# the folder holds none, or when one does not end within two minutes.
# Timing is printed, never judged.
# usage: run-benchmarks.sh <build/benchmarks> [wine-run.sh]
set -uo pipefail
folder=$1
wine_run=${2:-$(dirname "$0")/wine-run.sh}
failures=0
ran=0
for benchmark in "$folder"/*.exe; do
  [ -f "$benchmark" ] || continue
  name=$(basename "$benchmark")
  echo "=== $name --short"
  start=$(date +%s)
  timeout 120 "$wine_run" "$benchmark" --short
  status=$?
  [ "$status" -eq 124 ] && echo "$name did not end within 120 s"
  echo "=== $name: exit $status after $(($(date +%s) - start)) s"
  [ "$status" -eq 0 ] || { echo "FAIL $name"; failures=$((failures + 1)); }
  ran=$((ran + 1))
done
[ "$ran" -gt 0 ] || { echo "no benchmark in $folder"; exit 1; }
[ "$failures" -eq 0 ] || { echo "$failures of $ran benchmarks failed"; exit 1; }
echo "all $ran benchmarks ran"
