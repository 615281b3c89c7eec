#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test DR420 Monitor.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
PACKAGES=(
  cmake g++ make pkg-config clang libclang-rt-14-dev
  qt6-base-dev libqt6sql6-sqlite
  libmodbus-dev mdbtools-dev libsqlite3-dev sqlite3
  xvfb xauth openbox imagemagick x11-apps xdotool
  fonts-wqy-zenhei fonts-dejavu-core
  socat mbpoll locales libx11-dev
  desktop-file-utils appstream librsvg2-bin dpkg-dev file man-db
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# A comma-decimal locale, for the tests that files do not depend on it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: could not generate de_DE.UTF-8; its tests will skip" >&2
fi
