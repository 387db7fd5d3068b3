#!/usr/bin/env bash
# run.sh's build step (build_dist of scripts/common.sh) on a sandbox: a
# source tree, a build folder and a stand-in cmake that lays out dist/ and
# notes each run. It builds when a source file or the build's settings
# changed or a file of dist/ is gone, not otherwise, says which, and shows
# the end of the log of a build that fails.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/build-dist-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/root/scripts" "$work/root/src" "$work/bin"
cp "$here/../common.sh" "$work/root/scripts/"
echo 'int main() {}' >"$work/root/src/main.cpp"
mkdir -p "$work/root/build"
: >"$work/root/build/CMakeCache.txt"
cat >"$work/bin/cmake" <<'CMAKE'
#!/usr/bin/env bash
echo "cmake $*" >>"$BUILD_LOG_NOTE"
[ -f "$FAIL_BUILD" ] && { echo "error: the compiler said no"; exit 2; }
mkdir -p "$TEMBRI_BUILD/dist/Styles"
echo module >"$TEMBRI_BUILD/dist/Program.exe"
echo style >"$TEMBRI_BUILD/dist/Styles/Starter.qns"
for p in 3 9 27 55 81; do echo "[ $p%] Building CXX object part$p.obj"; done
echo "[100%] Built target dist"
CMAKE
chmod +x "$work/bin/cmake"
export PATH="$work/bin:$PATH" TEMBRI_BUILD="$work/root/build" BUILD_LOG_NOTE="$work/runs" FAIL_BUILD="$work/fail"
: >"$work/runs"

step() { # expected answer, what
  local answer
  answer=$(bash -c "source '$work/root/scripts/common.sh'; build_dist" 2>"$work/stderr") || answer="failed"
  [ "$answer" = "$1" ] || { echo "$2: answered \"$answer\", expected \"$1\"" >&2; cat "$work/stderr" >&2; exit 1; }
}
runs() { wc -l <"$work/runs"; }

step built "the first build"
[ "$(runs)" = 1 ] || { echo "the first build ran cmake $(runs) times" >&2; exit 1; }
grep -q -- "--target dist" "$work/runs" || { echo "not the dist target: $(cat "$work/runs")" >&2; exit 1; }
# The first build says at once that it takes a while and where its log is,
# then how far it is (one line a tenth where standard error is no terminal);
# the whole output stays in the log.
head -n 1 "$work/stderr" | grep -q "for the first time: this takes a while.*dist-build.log" ||
  { echo "the first build did not say what it does first:" >&2; cat "$work/stderr" >&2; exit 1; }
shown=$(grep -o 'building dist/ [0-9]*%' "$work/stderr" | tr '\n' , || true)
[ "$shown" = "building dist/ 3%,building dist/ 27%,building dist/ 55%,building dist/ 81%,building dist/ 100%," ] ||
  { echo "the first build's progress: \"$shown\"" >&2; cat "$work/stderr" >&2; exit 1; }
grep -q "Building CXX object part9.obj" "$work/root/build/dist-build.log" ||
  { echo "the build's log lost its lines" >&2; exit 1; }
step "up to date" "nothing changed"
[ ! -s "$work/stderr" ] || { echo "a start with nothing to build said:" >&2; cat "$work/stderr" >&2; exit 1; }
[ "$(runs)" = 1 ] || { echo "make looked again although nothing changed" >&2; exit 1; }
sleep 1
touch "$work/root/src/main.cpp"
step built "a source file changed"
! grep -q "first time" "$work/stderr" || { echo "a later build called itself the first" >&2; exit 1; }
step "up to date" "again nothing changed"
rm "$work/root/build/dist/Styles/Starter.qns"
step built "a file of dist/ is gone"
sleep 1
touch "$work/root/build/CMakeCache.txt"
step built "the build's settings changed"
[ "$(runs)" = 4 ] || { echo "cmake ran $(runs) times, expected 4" >&2; exit 1; }
# A failing build answers nothing, shows its log's end and is tried again
# next time.
sleep 1
touch "$work/root/src/main.cpp" "$work/fail"
step failed "a failing build"
grep -q "the compiler said no" "$work/stderr" || { echo "the failure's log was not shown" >&2; exit 1; }
rm "$work/fail"
step built "after the failure"
echo "build_dist: passed"
