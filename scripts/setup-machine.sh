#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, when it
# is missing. 64-bit Wine only: this machine cannot run 32-bit code.
set -euo pipefail
packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
          libz-mingw-w64-dev wine64 fonts-wine xvfb x11-utils imagemagick googletest tzdata time
          python3 zip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
