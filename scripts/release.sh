#!/usr/bin/env bash
# The release: scripts/release.sh [--pfx FILE --password-file FILE [--timestamp URL]]
#
# Builds VOZAZIZA.EXE from a clean tree (build/release-tree) into
# build/release/. Given a code-signing certificate (a PKCS#12 file and a
# file holding its password), it signs the product library of each
# architecture before it is compressed and embedded, then VOZAZIZA.EXE
# itself, with osslsigncode; with --timestamp, the signatures are
# timestamped by that server. It also makes the sparse package of Windows
# 11's first menu, signed with the same certificate, whose subject becomes
# the package's Publisher: the setup carries it, and it is written beside
# it as well (build/release/parvello.msix). Without a
# certificate the release carries no package (Windows registers no
# unsigned one) and is the same bytes on every build of one commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
pfx="" password="" timestamp=""
while [ $# -gt 0 ]; do
  case "$1" in
    --pfx) pfx=$(realpath "$2"); shift 2 ;;
    --password-file) password=$(realpath "$2"); shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    *) echo "usage: scripts/release.sh [--pfx FILE --password-file FILE [--timestamp URL]]" >&2; exit 2 ;;
  esac
done
if [ -n "$pfx$password$timestamp" ] && { [ -z "$pfx" ] || [ -z "$password" ]; }; then
  echo "release.sh: --pfx and --password-file go together (and --timestamp with them)" >&2
  exit 2
fi
"$root/scripts/setup-machine.sh"

tree="$root/build/release-tree" out="$root/build/release"
rm -rf "$tree" "$out"
mkdir -p "$out"
signer=()
if [ -n "$pfx" ]; then
  export PARVELLO_SIGN_PFX="$pfx" PARVELLO_SIGN_PASSWORD_FILE="$password" PARVELLO_SIGN_TIMESTAMP="$timestamp"
  signer=(-DLIBRARY_SIGNER="$root/scripts/sign-file.sh" -DPACKAGE_PFX="$pfx" -DPACKAGE_PASSWORD_FILE="$password"
          -DPACKAGE_TIMESTAMP="$timestamp")
fi
cmake -S "$root" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DSETUP_TESTS=OFF "${signer[@]}" >/dev/null
cmake --build "$tree" -j"$(nproc)" >/dev/null
cp "$tree/win32/bin/VOZAZIZA.EXE" "$out/VOZAZIZA.EXE"
state=unsigned
if [ -n "$pfx" ]; then
  "$root/scripts/sign-file.sh" "$out/VOZAZIZA.EXE"
  state=signed
  # The package the setup carries, also on its own for administrators.
  cp "$tree/package/parvello.msix" "$out/parvello.msix"
  echo "$out/parvello.msix: $(stat -c %s "$out/parvello.msix") bytes, signed"
fi
echo "$out/VOZAZIZA.EXE: $(stat -c %s "$out/VOZAZIZA.EXE") bytes, $state"
