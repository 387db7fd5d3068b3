#!/usr/bin/env bash
# Creates the program's own Wine prefix for run.sh once, apart from the
# tests' (whose fixtures, such as their test instruments, a user's machine
# does not have), and makes it tell what the host can do: without a PDF
# reader on the host, the prefix associates no program with PDF files, so
# that the program can say so instead of handing the file to nothing.
# usage: program-prefix.sh <build folder>   (WINEPREFIX names the prefix)
set -euo pipefail
build=${1:?build folder}
: "${WINEPREFIX:?WINEPREFIX names the prefix}"
WINE=/usr/lib/wine/wine64

[ -f "$WINEPREFIX/system.reg" ] && exit 0
"$(dirname "$0")/wine-prefix.sh" "$build"
if ! gio mime application/pdf 2>/dev/null | grep -q '^Default application' &&
  [ -z "$(xdg-mime query default application/pdf 2>/dev/null)" ]; then
  "$WINE" reg delete 'HKCR\.pdf' /f </dev/null >/dev/null 2>&1 || true
fi
# A database the program made before it had a prefix of its own lists the
# equipment of the tests' prefix: it is kept aside, and the first start
# makes a new one for this prefix.
for database in "$build/dist"/*.prs; do
  [ -e "$database" ] || continue
  mv "$database" "$database.tests-prefix"
  echo "run.sh: the program has a Wine prefix of its own now; its old database is kept as $database.tests-prefix" >&2
done
