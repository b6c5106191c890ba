#!/usr/bin/env bash
# The signed sparse package of Windows 11's first context menu, with the
# certificate that signed it (OUTPUT.cer, DER) and the package's family
# name (OUTPUT.family), which the setup carries beside it:
#   scripts/make-package.sh ICON OUTPUT.msix --pem CERT KEY
#   scripts/make-package.sh ICON OUTPUT.msix --pfx FILE PASSWORD-FILE [TIMESTAMP-URL]
# The manifest's Publisher is the signing certificate's subject, as Windows
# writes a distinguished name (most specific part first, ", " between
# parts), which it must equal for Windows to take the package. The signing
# time is fixed (SOURCE_DATE_EPOCH, or the start of 2026) and so is the
# signature entry's date: one certificate gives the same bytes every time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
icon=$1 output=$2 kind=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
subject_options=esc_2253,esc_ctrl,utf8,dump_nostr,dump_unknown,dump_der,sep_comma_plus_space,dn_rev,sname
case "$kind" in
  --pem)
    cert=$1
    signer=(-certs "$1" -key "$2")
    ;;
  --pfx)
    openssl pkcs12 -in "$1" -passin "file:$2" -nokeys -clcerts -out "$work/cert.pem" 2>/dev/null
    cert="$work/cert.pem"
    signer=(-pkcs12 "$1" -readpass "$2")
    [ -n "${3:-}" ] && signer+=(-ts "$3")
    ;;
  *) echo "usage: make-package.sh ICON OUTPUT.msix --pem CERT KEY | --pfx FILE PASSWORD-FILE [TIMESTAMP-URL]" >&2
     exit 2 ;;
esac
publisher=$(openssl x509 -in "$cert" -noout -subject -nameopt "$subject_options" | sed 's/^subject= *//')
version=$(sed -n 's/^ *VALUE "ProductVersion", *"\(.*\)"/\1/p' "$root/resources/setup.rc")
clsid=$(sed -n 's/^const char kExplorerCommandClassIdText\[\] = "{\(.*\)}";/\1/p' "$root/product/library/shell/module.cpp")
python3 "$root/tools/make_package/icon_png.py" "$icon" "$work/parvello.png"
python3 "$root/tools/make_package/make_package.py" "$root/product/package/AppxManifest.xml.in" "$work/parvello.png" \
  "$publisher" "$version" "$clsid" "$work/unsigned.msix"
osslsigncode sign "${signer[@]}" -time "${SOURCE_DATE_EPOCH:-1767225600}" -in "$work/unsigned.msix" \
  -out "$work/signed.msix" >/dev/null
python3 "$root/tools/make_package/fix_signature_date.py" "$work/signed.msix"
mv "$work/signed.msix" "$output"
openssl x509 -in "$cert" -outform DER -out "${output%.msix}.cer"
name=$(sed -n 's/.*<Identity Name="\([^"]*\)".*/\1/p' "$root/product/package/AppxManifest.xml.in")
python3 "$root/tools/make_package/family_name.py" "$name" "$publisher" > "${output%.msix}.family"
