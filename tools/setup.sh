#!/usr/bin/env bash
# Installs every Debian package that building and testing need.
# Does nothing when everything is already there.
set -euo pipefail
packages=(cmake g++ make googletest libgtest-dev libbenchmark-dev
          g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 xvfb xdotool imagemagick groff)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
