#!/usr/bin/env bash
# The signed release, as an organisation that allows only signed software
# would check it: a throwaway code-signing certificate made with openssl,
# scripts/release.sh run with it, then osslsigncode verify on VOZAZIZA.EXE
# and on both product libraries expanded from its resources (signed before
# they were embedded), and the deliverable checks on the signed program
# (its resources intact). Prints "N passed, N failed".
# Arguments: the source root, the 64-bit Wine loader, expand_libraries.exe,
# deliverable_test.exe, a scratch folder.
set -u
root=$1 wine=$2 expand=$3 deliverable_test=$4 work=$5
passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
winpath() { echo "Z:${1//\//\\}"; }

rm -rf "$work"
mkdir -p "$work/expanded"
echo "throwaway $RANDOM$RANDOM" >"$work/password"
openssl req -x509 -newkey rsa:2048 -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 -nodes \
  -subj "/CN=Parvello Release Test" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=digitalSignature" >/dev/null 2>&1
openssl pkcs12 -export -out "$work/cert.pfx" -inkey "$work/key.pem" -in "$work/cert.pem" \
  -passout "file:$work/password" >/dev/null 2>&1
check "a throwaway certificate" test -s "$work/cert.pfx"

"$root/scripts/release.sh" --pfx "$work/cert.pfx" --password-file "$work/password" >"$work/release.log" 2>&1
check "the release command" grep -q "VOZAZIZA.EXE: .* bytes, signed" "$work/release.log"
release="$root/build/release/VOZAZIZA.EXE"

verified() {  # $1 the file; verified against the throwaway certificate, signed by it
  osslsigncode verify -in "$1" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1 &&
    grep -q "Signature verification: ok" "$work/verify.log" && grep -q "Parvello Release Test" "$work/verify.log"
}
check "VOZAZIZA.EXE carries a valid signature by the certificate" verified "$release"

"$wine" "$expand" "$(winpath "$release")" "$(winpath "$work/expanded")" >"$work/machines" 2>/dev/null
check "both libraries expand from the signed program" test "$(tr -d '\r' <"$work/machines")" = $'112 14c\n113 8664'
check "the 32-bit library is signed" verified "$work/expanded/resource-112.dll"
check "the 64-bit library is signed" verified "$work/expanded/resource-113.dll"

# The checks of the deliverable that do not compare library bytes with the
# unsigned build.
PARVELLO_DELIVERABLE="$(winpath "$release")" "$wine" "$deliverable_test" \
  --gtest_filter='Deliverable.IsA32Bit*:Deliverable.Licence*:Deliverable.Version*:Deliverable.AsksFor*:Deliverable.CarriesTheHandCursor*' \
  >"$work/deliverable.log" 2>&1
check "the signed program passes the deliverable checks" grep -q "PASSED  \] 5 tests" "$work/deliverable.log"

# The sparse package, signed with the same certificate, its Publisher the
# certificate's subject; none in a release without a certificate.
check "the package carries a valid signature by the certificate" verified "$root/build/release/parvello.msix"
check "its Publisher is the certificate's subject" \
  grep -q 'Publisher="CN=Parvello Release Test"' <(python3 -c 'import sys, zipfile
print(zipfile.ZipFile(sys.argv[1]).read("AppxManifest.xml").decode())' "$root/build/release/parvello.msix")
"$root/scripts/release.sh" >"$work/unsigned.log" 2>&1
check "an unsigned release builds" grep -q "VOZAZIZA.EXE: .* bytes, unsigned" "$work/unsigned.log"
check "and carries no package" test ! -e "$root/build/release/parvello.msix"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
