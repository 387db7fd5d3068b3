# Shared by test.sh and run.sh: the build folder, the toolchain and the Wine
# prefix, each set up only when it is still missing.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${TEMBRI_BUILD:-$ROOT/build}
export WINEPREFIX="$BUILD/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
JOBS=${TEMBRI_JOBS:-$(nproc)}
# Where scripts/wine-run.sh leaves the output of a program killed past its
# time limit.
export TEMBRI_UNFINISHED="$BUILD/unfinished"

setup_packages() { "$ROOT/scripts/setup-packages.sh"; }

configure_build() {
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    say "configuring the build folder $BUILD (the first time fetches bzip2's source package)"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
}

# A line for the user on standard error, named by the command that runs.
say() { echo "${0##*/}: $*" >&2; }

# Copies a long step's output into the log named and shows how far the step
# is on standard error: one line that updates on a terminal, elsewhere a
# line at every further tenth and at least once a minute, so that a long
# step is never silent. The pattern's first group is the percentage (make's
# "[ NN%]" unless given); a percentage that falls begins a new phase.
show_progress() {
  local log=$1 what=$2 pattern=${3:-'^\[ *([0-9]+)%\]'} line percent shown=-1 next=0 last=$SECONDS
  mkdir -p "$(dirname "$log")"
  : >"$log"
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    [[ $line =~ $pattern ]] || continue
    percent=${BASH_REMATCH[1]%%.*}
    [ "$percent" -ge "$shown" ] || shown=-1 next=0
    if [ -t 2 ]; then
      [ "$percent" = "$shown" ] || printf '\r%s: %s %3d%%' "${0##*/}" "$what" "$percent" >&2
      shown=$percent
    else
      if [ "$percent" -ge "$next" ] || [ $((SECONDS - last)) -ge 60 ]; then
        say "$what $percent%"
        next=$((percent / 10 * 10 + 10)) last=$SECONDS
      fi
      shown=$percent
    fi
  done
  if [ -t 2 ] && [ "$shown" -ge 0 ]; then printf '\r\033[K' >&2; fi
  return 0
}

configure_and_build() {
  configure_build
  cmake --build "$BUILD" -j "$JOBS"
}

# Builds what a user's machine holds (the target "dist": dist/ without the
# tests) without a word, and prints "built" or "up to date". Nothing is
# built, not even make's look at every target, when no file of the sources
# and no setting of the build changed since the last build of it and every
# file it laid out is still there. A build that fails shows the end of its
# log.
build_dist() {
  local stamp="$BUILD/dist.stamp" files="$BUILD/dist.files" log="$BUILD/dist-build.log"
  if [ -f "$stamp" ] && [ -f "$files" ] && [ ! "$BUILD/CMakeCache.txt" -nt "$stamp" ] &&
    [ -z "$(find "$ROOT" \( -path "$BUILD" -o -name .git \) -prune -o -type f -newer "$stamp" -print -quit)" ] &&
    (cd "$BUILD/dist" 2>/dev/null && xargs -d '\n' -r ls -d <"$files" >/dev/null 2>&1); then
    echo "up to date"
    return 0
  fi
  # Files changed while it builds are newer than the stamp: the next run
  # builds again.
  : >"$stamp.start"
  if [ ! -f "$stamp" ]; then
    say "building the program for the first time: this takes a while" \
      "(half an hour or more on a busy machine, $JOBS build jobs); the whole log is $log"
  fi
  if ! cmake --build "$BUILD" -j "$JOBS" --target dist 2>&1 | show_progress "$log" "building dist/"; then
    tail -n 40 "$log" >&2
    echo "the build failed; its whole log is $log" >&2
    return 1
  fi
  (cd "$BUILD/dist" && find . -type f) >"$files"
  mv "$stamp.start" "$stamp"
  echo "built"
}

# Creates the prefix once, then keeps one wineserver alive for the whole run.
# A server the build left behind (a generator's) is not persistent: it would
# end in a pause between tests, while the next test's processes connect, and
# the registry it had not yet written (a test's registration) would be lost.
# So it is let go first; a persistent one already serving stays.
# The prefix is WINEPREFIX, made in the folder given (the build folder
# unless named); the server's own messages (why it ended, say) go to
# WINE_SERVER_LOG in that folder.
WINE_SERVER_LOG=
WINE_SERVER_PID=
start_wine() {
  local home=${1:-$BUILD}
  WINE_SERVER_LOG="$home/wineserver.log"
  "$ROOT/scripts/wine-prefix.sh" "$home"
  timeout 30 "$WINESERVER" -w || true
  "$WINESERVER" -p 2>>"$WINE_SERVER_LOG" || true  # already running is fine
  # Start Wine's own services now, away from the test runner's pipes.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  WINE_SERVER_PID=$(wine_server_pid)
}

# The process id of the server of WINEPREFIX, if one runs.
wine_server_pid() {
  local pid
  for pid in $(pgrep -x wineserver64); do
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && { echo "$pid"; return 0; }
  done
  return 0
}

# Whether the server start_wine started still serves. When it ended during
# a run, every test after that met a server of its own, which ends in any
# pause and keeps nothing between them: their failures say nothing of the
# code. Says so, with the server's last messages.
check_wine_server() {
  [ -n "$WINE_SERVER_PID" ] || return 0
  [ "$(wine_server_pid)" = "$WINE_SERVER_PID" ] && return 0
  echo "the Wine server of this run (process $WINE_SERVER_PID) ended before the run did;" \
    "tests after that ran apart from it. Its last messages ($WINE_SERVER_LOG):"
  tail -n 20 "$WINE_SERVER_LOG" 2>/dev/null || true
  return 1
}

# Prints, then removes, the output of every program a test run killed past
# its time limit (ctest's own log has only its status then).
show_unfinished() {
  local log
  for log in "$TEMBRI_UNFINISHED"/*.log; do
    [ -e "$log" ] || continue
    echo "---- output of ${log##*/} (killed before it ended)"
    tail -n 200 "$log"
    rm -f "$log"
  done
}

stop_wine() { "$WINESERVER" -k >/dev/null 2>&1 || true; }

# An X server for the tests that open windows; sets DISPLAY. The server
# names its display only once it takes connections, so no test meets a
# display that is not ready yet.
XVFB_PID=
start_xvfb() {
  local n named i
  named=$(mktemp)
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] && continue
    : >"$named"
    Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$named" >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 300); do
      [ -s "$named" ] && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$named" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
      rm -f "$named"
      export DISPLAY=":$n"
      return 0
    fi
    kill "$XVFB_PID" 2>/dev/null || true
  done
  rm -f "$named"
  echo "no X display could be started" >&2
  return 1
}

stop_xvfb() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true; }
