#!/usr/bin/env bash
# Installs what is missing, builds both architectures and runs every test
# under Wine and a private Xvfb display: first the 32-bit suite, which runs
# the 32-bit VOZAZIZA.EXE itself on the WoW64 prefix, then the 64-bit one.
# Extra arguments go to both CTest runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-machine.sh"
"$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
wine_env_start
status=0
for suite in test32 win64; do
  echo "== The ${suite//[a-z]/}-bit suite"
  ctest --test-dir "$root/build/$suite" --output-on-failure "$@" || status=$?
  # Screenshots the tests took, as PNG for people to look at.
  for bmp in "$root/build/$suite"/screenshots/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
done
exit $status
