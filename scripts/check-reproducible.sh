#!/usr/bin/env bash
# Builds the release twice from the same sources, in two folders of
# different names and at different times, and compares what is shipped:
# VOZAZIZA.EXE and parvello.dll of both architectures must be the same
# bytes. Exits non-zero, naming the files, when they differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() {  # $1: folder to copy the sources into and build in
  mkdir -p "$1"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 tar -cf - ) | tar -xf - -C "$1"
  cmake -S "$1" -B "$1/build" -DCMAKE_BUILD_TYPE=Release -DSETUP_TESTS=OFF >/dev/null
  cmake --build "$1/build" -j"$(nproc)" >/dev/null
}

build "$work/first"
sleep 1  # a second apart at least, so that any time stamp would differ
build "$work/the-second-checkout/of-parvello"

status=0
for file in win32/bin/VOZAZIZA.EXE library32/bin/parvello.dll win64/bin/VOZAZIZA.EXE library64/bin/parvello.dll; do
  a="$work/first/build/$file" b="$work/the-second-checkout/of-parvello/build/$file"
  if cmp -s "$a" "$b"; then
    echo "same bytes: $file ($(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16))"
  else
    echo "DIFFERENT:  $file"
    cmp -l "$a" "$b" | head -n 5 || true
    status=1
  fi
done
exit $status
