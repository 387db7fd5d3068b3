#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and the deb-src
# entry that lets the build fetch bzip2's source package. Idempotent.
set -euo pipefail
source "$(dirname "$0")/common.sh"

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 xvfb xauth
  python3-mido python3-pil sox bzip2 fonts-wine
  googletest
  dpkg-dev
  groff perl
  procps
)

# One look at all of them.
installed=$(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null |
  awk '/ install ok installed$/ {print $1}' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/tembri-src.sources
need_src=0
if [ ! -f "$src_list" ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  $sudo_cmd tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_src -eq 1 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd=sudo
  say "reading Debian's package lists"
  $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    # apt's status lines give the download's and then the install's share.
    log="$BUILD/setup-packages.log"
    say "installing ${#missing[*]} Debian packages and what they need (some minutes the first time;" \
      "the log is $log): ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=600 -o APT::Status-Fd=1 \
      install -y -qq --no-install-recommends "${missing[@]}" 2>&1 |
      show_progress "$log" "installing packages" '^[dp][lm]status:[^:]*:([0-9]+)' ||
      { tail -n 20 "$log" >&2; exit 1; }
  fi
fi
