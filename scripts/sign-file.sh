#!/usr/bin/env bash
# Signs one Windows program or library in place with the code-signing
# certificate that scripts/release.sh was given: PARVELLO_SIGN_PFX,
# PARVELLO_SIGN_PASSWORD_FILE and, when set, PARVELLO_SIGN_TIMESTAMP (a
# timestamp server's address). The password never appears on a command
# line or in the build's cache.
set -euo pipefail
file=$1
args=(sign -pkcs12 "$PARVELLO_SIGN_PFX" -readpass "$PARVELLO_SIGN_PASSWORD_FILE" -n "Parvello 1.1" -h sha256)
[ -n "${PARVELLO_SIGN_TIMESTAMP:-}" ] && args+=(-ts "$PARVELLO_SIGN_TIMESTAMP")
osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null
mv "$file.signed" "$file"
