#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, when it
# is missing: the cross compilers, and Wine of both architectures, so that
# the 32-bit VOZAZIZA.EXE runs on a 64-bit (WoW64) prefix as on 64-bit
# Windows, and the 64-bit product library in 64-bit programs.
set -euo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo

# 32-bit Wine needs a machine that executes i386 programs. A 93-byte i386
# Linux program that only exits with code 42 tells.
runs_i386() {
  local probe
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}
if ! runs_i386; then
  cat >&2 <<'MSG'
This machine does not run 32-bit (i386) programs, which 32-bit Wine and so
the tests of the 32-bit VOZAZIZA.EXE need. Either use a kernel built with
IA32 emulation (CONFIG_IA32_EMULATION, and not booted with ia32_emulation=0),
or run i386 programs through an emulator: install qemu-user 10 from Debian
bookworm-backports (bookworm's own 7.2 is too slow for Wine and crashes its
threads) together with binfmt-support, so that binfmt_misc hands every i386
program to qemu-i386, then run this script again.
MSG
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture for 32-bit Wine"
  $SUDO dpkg --add-architecture i386
fi

packages=(cmake make g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64
          libz-mingw-w64-dev wine64 wine32:i386 fonts-wine xvfb x11-utils imagemagick googletest tzdata time
          python3 zip p7zip-full fp-compiler fp-units-fcl fpc-source fp-utils osslsigncode openssl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
echo "Installing: ${missing[*]}"
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A mirror in the middle of a sync fails single indexes; the lists that did
# arrive are still good enough to install from, so say which failed and go on.
if ! $SUDO apt-get update -qq >"$log" 2>&1; then
  echo "apt-get update could not read every index; going on with the lists it has:"
  grep -E '^(E|W): ' "$log" | grep -vE 'have been ignored' | sed 's/^/  /' || true
fi

apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}
if apt_install "${missing[@]}"; then exit 0; fi
if grep -qE 'unmet dependencies|held broken packages' "$log"; then
  # The security archive can carry newer amd64 libraries whose i386 twins
  # are missing from a half-synced index; multi-arch packages must match,
  # so take the release's own versions for both architectures.
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$release" ]; then
    echo "The install failed on dependencies; trying once more with the release's versions (-t $release)"
    if apt_install -t "$release" "${missing[@]}"; then exit 0; fi
  fi
fi
cat "$log" >&2
echo "Installing failed. Try again once the package mirror has finished syncing (apt-get update), or install the packages above by hand." >&2
exit 1
